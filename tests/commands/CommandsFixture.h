#pragma once
// The program's windows as the program creates them (the main window first,
// the port chosen in its show sequence, then the dialogs), on the virtual
// line with the simulated analyzer answering, the user's answers scripted.
// The commands' waits run the virtual clock, so no test takes real time.

#include <QAction>
#include <QLocale>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

#include "config/Configuration.h"
#include "dialogs/Calibrate.h"
#include "dialogs/EUnits.h"
#include "shell/StatusWin.h"
#include "sim/model/DeviceModel.h"
#include "sim/model/RtuResponder.h"
#include "tests/dialogs/WireWrites.h"
#include "tests/shell/ShellFixture.h"
#include "tests/support/Locales.h"
#include "tests/support/SampleRecords.h"
#include "tests/support/WhileShown.h"

class QDialog;

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace kestro::test {

class CommandsTest : public ShellTest {
  protected:
    CommandsTest();
    void TearDown() override;

    // The program with nothing loaded at start (no last configuration).
    void startProgram();
    // The program with `record` as the last configuration, in the program
    // folder under `name`.
    void startProgramWith(const QString& name, const ConfigRecord& record);

    // A record that differs from the defaults in every field the file keeps.
    static ConfigRecord sample();
    // Writes `record` as a configuration file, as Save would.
    static void writeConfigFile(const QString& path, const ConfigRecord& record);
    static void writeText(const QString& path, const QByteArray& text);
    QString inProgram(const QString& name) const { return programPath() + name; }

    // The window active, as it is for a user at work in it.
    void activate();
    // Triggers `entry`, which is to show `dialog` modally, runs `inside`
    // while it is shown and closes it afterwards. False when it never came up.
    // Opens the configuration dialog from its menu entry, presses one of its
    // buttons and closes the dialog as the user does; gives the text the
    // status panel showed, empty when it was not shown.
    QString pressInConfigDialog(const char* button);

    // The request the master sends next, read off the line.
    std::vector<uint8_t> nextRequest();
    // The 10h writes on the line since the port opened.
    std::vector<PresetWrite> writes() const { return PresetWrites(platform.port->written); }

    sim::DeviceModel model;
    sim::RtuResponder responder{model, platform.clock};
    std::unique_ptr<TfrmEng> eng;
    std::unique_ptr<TfrmCal> cal;
    std::unique_ptr<TfrmStatus> about;

  private:
    void createDialogs();
};

// Where numbers are written or shown: under a point and a comma locale.
class LocaleCommandsTest : public CommandsTest, public ::testing::WithParamInterface<LocaleCase> {
  protected:
    void SetUp() override;
    // "2.5" with the locale's decimal separator.
    static QString local(QString number);

  private:
    std::optional<LocaleScope> locale_;
};

#define KESTRO_POINT_AND_COMMA_LOCALES(suite)                                               \
    INSTANTIATE_TEST_SUITE_P(Locales, suite, ::testing::Values(kPointLocale, kCommaLocale), \
                             LocaleName)

}  // namespace kestro::test
