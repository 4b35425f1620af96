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
    ASSERT_TRUE(status->waitFor(kNoResponse, kFaultSeenMs)) << status->history().toStdString();
    // Unplugged, the program only waits: its timers, the reopen attempts.
    const double cpuBefore = ProcessCpuSeconds();
    runFor(2000);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    EXPECT_LT(cpu, 0.25) << "busy while the device is gone: " << cpu << " s of CPU in 2 s";
    EXPECT_TRUE(status->waitFor(kQuery, kFaultSeenMs)) << "the scan stopped";

    ASSERT_NO_FATAL_FAILURE(startSimulator());
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
}

}  // namespace
