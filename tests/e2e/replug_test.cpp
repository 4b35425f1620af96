// The adapter unplugged and plugged in again: the simulator dies without a
// word and a new one takes the same link.
#include "tests/e2e/KestroFixture.h"
#include "tests/support/Waiting.h"
#include "tests/support/WakeCounter.h"

using namespace kestro::test;

namespace {

TEST_F(KestroTest, PollingResumesWhenTheDeviceComesBack) {
    ASSERT_NO_FATAL_FAILURE(startSimulator());
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();

    simulator->killHard();
    // Said at once, in red, and kept while the device is away.
    const QString unplugged = "COM1 (" + link() + ") is unplugged. Plug the adapter in.";
    ASSERT_TRUE(status->waitFor(unplugged, kFaultSeenMs)) << status->history().toStdString();
    QLabel* line = window().sbMainPanel(2);
    EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(Qt::red));
    // Unplugged, the program only waits: its timers, the reopen attempts,
    // and this test's watch on the status line (every 5 ms). A program that
    // polls the missing device wakes far more often. (Its CPU time while
    // unplugged is measured by script/soak's replug phase.)
    const WakeCounter wake;
    runFor(2000);
    EXPECT_LT(wake.wakes(), 2000) << "busy while the device is gone";
    EXPECT_EQ(line->text(), unplugged) << status->history().toStdString();

    ASSERT_NO_FATAL_FAILURE(startSimulator());
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
}

}  // namespace
