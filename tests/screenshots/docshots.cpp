// Takes the pictures of the user guide from the real windows on the
// offscreen platform: kestro_docshots <folder>. The analyzer is the
// simulator's device model on the virtual line, on the virtual clock and
// from a fixed moment, so a picture changes only when its window does.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

#include "device/DeviceCommands.h"
#include "dialogs/Calibrate.h"
#include "dialogs/EUnits.h"
#include "modbus/DB_Modbus.h"
#include "modbus/Ports.h"
#include "platform/Regional.h"
#include "platform/UserInteraction.h"
#include "platform/virtual/VirtualPlatform.h"
#include "shell/Comselect.h"
#include "shell/Main.h"
#include "shell/Program.h"
#include "shell/StatusWin.h"
#include "sim/model/DeviceModel.h"
#include "sim/model/RtuResponder.h"

using namespace kestro;

namespace {

// The moment the pictures show: the analyzer's clock starts here.
const QDateTime kMoment(QDate(2026, 12, 9), QTime(14, 35, 7));

// Nobody is there: every question is answered Yes, and nothing beeps.
class Agreeing : public UserInteraction {
  public:
    void beep(Beep) override {}
    Answer message(MessageKind, const QString&, Buttons buttons) override {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    std::optional<QString> chooseFile(const FileDialogRequest&) override { return std::nullopt; }
};

// A machine with three serial ports.
PortProbeResult ThreePorts(int n) {
    return {n == 1 || n == 3 || n == 12, QString("/dev/ttyS%1").arg(n - 1)};
}

class Pictures {
    // PNG quality 0: the strongest compression, for small files in git.
    static constexpr int kSmallest = 0;

  public:
    explicit Pictures(const QDir& folder) : folder_(folder) {}

    void take(QWidget& window, const char* name) {
        QApplication::processEvents();
        const QString file = folder_.filePath(QString(name) + ".png");
        const QImage picture = window.grab().toImage();
        const bool saved = !picture.isNull() && picture.save(file, "PNG", kSmallest);
        std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(file));
        ok_ &= saved;
    }
    bool ok() const { return ok_; }

  private:
    QDir folder_;
    bool ok_ = true;
};

// The program folder: settings naming a configuration file, and the file.
void WriteProgramFolder(const QDir& folder) {
    QFile ini(folder.filePath("Kestro.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[CONFIG]\nFileName=Feeder3.cfg\nPath=" + folder.path().toUtf8() + "/\n");
    QFile cfg(folder.filePath("Feeder3.cfg"));
    cfg.open(QIODevice::WriteOnly);
    cfg.write(
        "[SIGNATURE]\nValue=RVX82A Configuration File. V 1.10\n"
        "[SYSTEM]\nName=Feeder 3\nFirmware Version=RVX82A V1.10\nSlave ID=1\nBaud=9600\n"
        "[ENG]\nIr Input FS=5\nIs Input FS=5\nIt Input FS=5\nVr Input FS=400\n"
        "Ir Engineering FS=100\nIs Engineering FS=100\nIt Engineering FS=100\n"
        "Vr Engineering FS=400\nVs Engineering FS=400\nVt Engineering FS=400\n"
        "[CAL]\nIr Calibration Point=5\nIs Calibration Point=5\nIt Calibration Point=5\n"
        "Vr Calibration Point=230\nVs Calibration Point=230\nVt Calibration Point=230\n");
}

// The computer's clock fields show the pictures' moment, not today.
void ShowComputerClock(TfrmMain& window, int64_t elapsedMs) {
    const QDateTime now = kMoment.addMSecs(elapsedMs);
    window.edComputerDate->setText(ShortDateText(now));
    window.edComputerTime->setText(LongTimeText(now));
}

QPushButton* Button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(name);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A text cursor that does not blink is in every picture the same.
    QApplication::setCursorFlashTime(0);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QTemporaryDir programFolder;
    if (!QDir().mkpath(folder.path()) || !programFolder.isValid())
        return 1;
    WriteProgramFolder(QDir(programFolder.path()));
    Agreeing agreeing;
    SetInteraction(&agreeing);
    Pictures pictures(folder);

    VirtualPlatform platform;
    sim::DeviceModel model;
    model.setClock(sim::DeviceClock{26, 12, 9, 14, 35, 7, 3});
    sim::RtuResponder responder(model, platform.clock);
    platform.OnPortCreated = [&](VirtualPort& port) { responder.attach(port); };
    CommandHost.WaitForEngine = [&] {
        platform.clock.runUntil([] { return !(DB_Modbus.RequestPending && Ports.PortOpen); },
                                30000);
    };
    ComSelectProbe = ThreePorts;
    RunComSelect = [](TfrmComSelect& dialog) {
        dialog.accept();
        return dialog.result();
    };

    TfrmMain window(platform, programFolder.path());
    window.show();
    TfrmEng eng;
    frmEng = &eng;
    TfrmCal cal;
    frmCal = &cal;

    platform.clock.advanceMs(3000);
    ShowComputerClock(window, platform.clock.nowMs());
    pictures.take(window, "main-window");

    // A line with faults: phase T gone, the sequence wrong, phase S feeding
    // back; then the analyzer stops answering.
    model.faults.phase[2].dropped = true;
    model.faults.sequenceFault = true;
    model.faults.phase[1].reverseP = true;
    platform.clock.advanceMs(2000);
    responder.OnReply = [](std::vector<uint8_t>&) { return false; };
    platform.clock.runUntil(
        [&] { return window.sbMainPanel(2)->text() == "No response from slave device."; }, 5000);
    ShowComputerClock(window, platform.clock.nowMs());
    pictures.take(window, "main-window-faults");
    model.faults = sim::LineFaults{};
    responder.OnReply = nullptr;
    platform.clock.advanceMs(2000);

    eng.show();
    pictures.take(eng, "configuration");
    Button(eng, "btnDownload")->click();
    pictures.take(eng, "configuration-downloaded");
    Button(eng, "btnStatClose")->click();
    eng.hide();

    FullMode = true;
    cal.show();
    Button(cal, "btnP")->click();
    pictures.take(cal, "calibration");
    Button(cal, "btnCal")->click();
    pictures.take(cal, "calibration-done");
    Button(cal, "btnStatClose")->click();
    cal.hide();

    TfrmComSelect ports(nullptr, ThreePorts);
    ports.show();
    pictures.take(ports, "port-selection");
    ports.hide();
    TfrmStatus about;
    about.show();
    pictures.take(about, "about");
    about.hide();

    window.close();
    frmEng = nullptr;
    frmCal = nullptr;
    SetInteraction(nullptr);
    return pictures.ok() ? 0 : 1;
}
