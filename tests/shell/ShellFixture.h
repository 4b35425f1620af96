#pragma once
// The main window on the virtual platform, in a program folder and a home
// folder of its own, with the port selection dialog answered by a script.

#include <gtest/gtest.h>

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "platform/virtual/VirtualPlatform.h"
#include "shell/Comselect.h"
#include "shell/Main.h"
#include "tests/support/Locales.h"
#include "tests/support/ScriptedInteraction.h"

namespace kestro::test {

// The scripted service that also lets a test look at the program at the
// moment a message is shown.
class ObservingInteraction : public ScriptedInteraction {
  public:
    Answer message(MessageKind kind, const QString& text, Buttons buttons) override {
        if (onMessage)
            onMessage({kind, text, buttons});
        return ScriptedInteraction::message(kind, text, buttons);
    }
    std::function<void(const ShownMessage&)> onMessage;
};

// One answer to the port selection dialog.
using DialogAnswer = std::function<int(TfrmComSelect&)>;
DialogAnswer PressOk(const QString& entry = {});  // entry: the one to pick first
DialogAnswer PressCancel();

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window and shows it, which runs its show sequence.
    void start(std::deque<DialogAnswer> answers);
    // Closes it, which runs the shutdown sequence.
    void close();
    // Double-clicks status panel 0.
    void reselect(DialogAnswer answer);

    // The bytes of the first request the master sends, waiting for it up to
    // two seconds on the virtual clock.
    std::vector<uint8_t> FirstRequest();

    QString iniFile() const { return programDir.filePath("Kestro.ini"); }
    QString programPath() const { return FolderWithSeparator(programDir.path()); }
    void writeIni(const QString& folder, const QByteArray& text) const;
    static QByteArray readFile(const QString& path);
    static QMap<QString, QString> section(const QString& file, const QString& name);

    QTemporaryDir temp;
    QDir programDir;
    QDir userConfigDir;  // what XDG_CONFIG_HOME names
    VirtualPlatform platform;
    ObservingInteraction interaction;
    std::set<int> availablePorts{1, 3, 12};
    std::deque<DialogAnswer> dialogAnswers;
    std::vector<QStringList> dialogLists;  // the entries of every dialog shown
    std::unique_ptr<TfrmMain> window;

  private:
    // The test's own home and configuration folder, put back afterwards.
    std::optional<EnvScope> home_, xdgConfig_;
};

}  // namespace kestro::test
