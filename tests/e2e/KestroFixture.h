#pragma once
// The real program in this process: its windows, engine and Qt port, in a
// program folder of its own whose Kestro.ini maps COM1 to the device under
// test, with the port selection dialog answered with COM1 and OK.

#include <gtest/gtest.h>

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "platform/QtPlatform.h"
#include "shell/Main.h"
#include "shell/Program.h"
#include "tests/support/Locales.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/SimulatorProcess.h"
#include "tests/support/StatusWatch.h"

namespace kestro::test {

// Generous bounds for a loaded machine: an answer takes about 0.1 s and a
// missing one 1.2 s.
constexpr int kFirstAnswerMs = 10000;
constexpr int kFaultSeenMs = 15000;

inline const QString kValid = "Valid response received <04h>.";
inline const QString kQuery = "Query <04h> issued...";
inline const QString kNoResponse = "No response from slave device.";
inline const QString kCrcFailed = "Receive CRC check failed.";

class KestroTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts rvx82a-sim on link() with these options (and the frozen
    // clock below), replacing a simulator that runs.
    void startSimulator(const QStringList& options = {});
    // Writes Kestro.ini with COM1 = `device` and starts the program, which
    // selects COM1 and starts polling.
    void startKestro(const QString& device);
    void startKestro() { startKestro(link()); }

    TfrmMain& window() { return program->mainWindow(); }
    QString link() const { return workDir.filePath("rvx82a"); }

    // The device clock the simulator starts with and keeps (--freeze).
    static constexpr char kClock[] = "2026-09-12 14:35:07";

    QTemporaryDir temp;
    QDir workDir, programDir;
    QtPlatform platform;
    ScriptedInteraction interaction;
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<Program> program;
    std::unique_ptr<StatusWatch> status;

  private:
    // The test's own home and configuration folder; put back afterwards,
    // as is the locale a test chooses.
    std::optional<EnvScope> home_, xdgConfig_;
    LocaleScope locale_{QLocale()};
};

}  // namespace kestro::test
