#pragma once
// The real program in this process with its Windows port component, in a
// program folder of its own, the port selection dialog answered with COM1
// and OK. COM1 is the simulated analyzer, started before the test with its clock
// standing still at 2026-09-12 14:35:07; its event lines go to the file that
// KESTRO_SIM_EVENTS names.

#include <gtest/gtest.h>

#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>
#include <memory>

#include "platform/QtPlatform.h"
#include "shell/Main.h"
#include "shell/Program.h"
#include "tests/support/Locales.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/StatusWatch.h"

namespace kestro::test {

// Generous bounds for a loaded machine running Wine.
constexpr int kFirstAnswerMs = 20000;
constexpr int kCommandMs = 20000;

inline const QString kValid = "Valid response received <04h>.";

class ComOneTest : public ::testing::TestWithParam<LocaleCase> {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program, which selects COM1 and polls, and waits for the
    // first answer.
    void startKestro();
    TfrmMain& window() { return program->mainWindow(); }

    // How many event lines the simulator printed so far.
    static int eventCount();
    // The first write event of `block` the simulator printed after the
    // first `since` lines, waited for; empty when none came.
    static QJsonObject written(const QString& block, int since);

    QTemporaryDir temp;
    QtPlatform platform;
    ScriptedInteraction interaction;
    std::unique_ptr<Program> program;
    std::unique_ptr<StatusWatch> status;

  private:
    LocaleScope locale_{QLocale()};
};

}  // namespace kestro::test
