#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "platform/QtPlatform.h"
#include "tests/support/Waiting.h"
#include "tests/support/WakeCounter.h"

using namespace kestro;
using namespace kestro::test;

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
    const WakeCounter wake;
    platform.pause(300);
    EXPECT_GE(clock.elapsed(), 295);
    EXPECT_GE(ticks, 2) << "the timer kept ticking";
    // Asleep between events: a few wake-ups per tick, not the thousands of
    // a loop that polls. (Its CPU time is in idle_bench.)
    EXPECT_LE(wake.wakes(), 4 * (ticks + 2));

    timer->setEnabled(false);
    EXPECT_FALSE(timer->enabled());
    const int stoppedAt = ticks;
    runFor(100);
    EXPECT_EQ(ticks, stoppedAt);
}
