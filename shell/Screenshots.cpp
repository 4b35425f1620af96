// Saves pictures of the program's windows, as they are laid out on the
// offscreen platform, for the documentation: kestro_screenshots [folder].
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <cstdio>

#include "platform/UserInteraction.h"
#include "platform/virtual/VirtualPlatform.h"
#include "shell/Comselect.h"
#include "shell/Main.h"
#include "shell/StatusWin.h"

using namespace kestro;

namespace {

// Nobody is there to answer: every question gets its first answer.
class QuietInteraction : public UserInteraction {
  public:
    void beep(Beep) override {}
    Answer message(MessageKind, const QString&, Buttons buttons) override {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    std::optional<QString> chooseFile(const FileDialogRequest&) override { return std::nullopt; }
};

PortProbeResult SomePorts(int n) {
    return {n == 1 || n == 3 || n == 12, QString("/dev/ttyS%1").arg(n - 1)};
}

// The main window as it looks polling on COM1, with no configuration loaded.
bool SaveMainWindow(const QDir& folder);

bool Save(QWidget& window, const QDir& folder, const QString& name) {
    window.show();
    QApplication::processEvents();
    const QString file = folder.filePath(name);
    const bool saved = window.grab().save(file);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(file));
    window.hide();
    return saved;
}

bool SaveMainWindow(const QDir& folder) {
    QTemporaryDir programFolder;
    VirtualPlatform platform;
    ComSelectProbe = SomePorts;
    RunComSelect = [](TfrmComSelect& dialog) {
        dialog.accept();
        return dialog.result();
    };
    TfrmMain window(platform, programFolder.path());
    window.show();
    platform.clock.advanceMs(1050);
    // What the panels say once a configuration is loaded and the analyzer answers.
    window.sbMainPanel(1)->setText("RVX82UNTITLED.CFG");
    window.showStatus("Valid response received <04h>.", false);
    window.edRTC->setText("09:12:2026, 14:35:07, Wednesday");
    return Save(window, folder, "main-window.png");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    if (!QDir().mkpath(folder.path()))
        return 1;

    QuietInteraction quiet;
    SetInteraction(&quiet);
    bool ok = SaveMainWindow(folder);
    TfrmComSelect ports(nullptr, SomePorts);
    ok &= Save(ports, folder, "port-selection.png");
    TfrmStatus about;
    ok &= Save(about, folder, "about.png");
    return ok ? 0 : 1;
}
