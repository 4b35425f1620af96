#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QElapsedTimer>

#include "EventWait.h"
#include "QtPlatform.h"

using namespace kestro;
using namespace kestro::test;

namespace {

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

}  // namespace

// Device commands wait this way while the poll timer drives the engine.
TEST(QtPlatformTest, PauseKeepsWindowTimersTickingWithoutBusyWaiting) {
    QtPlatform platform;
    auto timer = platform.createTimer();
    int ticks = 0;
    timer->OnTimer = [&] { ++ticks; };
    timer->setInterval(20);
    timer->setEnabled(true);
    EXPECT_TRUE(timer->enabled());

    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuMs();
    platform.pause(300);
    EXPECT_GE(clock.elapsed(), 295);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_LT(cpuMs() - cpuBefore, 100.0);
    EXPECT_GE(ticks, 8);

    timer->setEnabled(false);
    EXPECT_FALSE(timer->enabled());
    const int stoppedAt = ticks;
    runFor(100);
    EXPECT_EQ(ticks, stoppedAt);
}
