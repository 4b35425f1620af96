// The adapter unplugged and plugged in again: the simulator dies without a
// word and a new one takes the same link.
#include <ctime>

#include "KestroFixture.h"
#include "Waiting.h"

using namespace kestro::test;

namespace {

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

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
    // Unplugged, the program only waits: its timers, the reopen attempts.
    const double cpuBefore = ProcessCpuSeconds();
    runFor(2000);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    EXPECT_LT(cpu, 0.25) << "busy while the device is gone: " << cpu << " s of CPU in 2 s";
    EXPECT_EQ(line->text(), unplugged) << status->history().toStdString();

    ASSERT_NO_FATAL_FAILURE(startSimulator());
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
}

}  // namespace
