// The commands' wait on Qt: the thread sleeps between events, the windows
// stay live, and the wait ends with the engine's request or with the port.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "device/DeviceCommands.h"
#include "modbus/DB_Modbus.h"
#include "modbus/Ports.h"
#include "tests/support/WakeCounter.h"

namespace kestro::test {
namespace {

class QtWaitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DB_Modbus.RequestPending = true;
        Ports.PortOpen = true;
        // Whatever happens, the test ends; a wait ended by this guard fails.
        QTimer::singleShot(5000, &guard_, [this] {
            guardFired = true;
            DB_Modbus.RequestPending = false;
            Ports.PortOpen = false;
        });
    }
    void TearDown() override {
        ResetLinkState();
        ResetMasterTables();
    }
    bool guardFired = false;
    QObject guard_;
};

TEST_F(QtWaitTest, SleepsUntilTheEngineEndsTheRequest) {
    int windowEvents = 0;
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, [&] { ++windowEvents; });
    window.start(20);
    QTimer::singleShot(300, [] { DB_Modbus.RequestPending = false; });

    QElapsedTimer wall;
    wall.start();
    const WakeCounter wake;
    WaitForEngineOnQt();

    EXPECT_FALSE(DB_Modbus.RequestPending);
    EXPECT_TRUE(Ports.PortOpen);
    EXPECT_FALSE(guardFired);
    EXPECT_GE(wall.elapsed(), 290);
    EXPECT_GE(windowEvents, 2) << "the windows stayed live";
    // Asleep between events: a few wake-ups per event, not the thousands of
    // a loop that spins. (Its CPU time is in idle_bench.)
    EXPECT_LE(wake.wakes(), 4 * (windowEvents + 2)) << "the wait must not spin";
}

TEST_F(QtWaitTest, EndsWhenThePortCloses) {
    QTimer::singleShot(100, [] { Ports.PortOpen = false; });
    WaitForEngineOnQt();
    EXPECT_TRUE(DB_Modbus.RequestPending);
    EXPECT_FALSE(guardFired);
}

TEST_F(QtWaitTest, ReturnsAtOnceWithThePortClosed) {
    Ports.PortOpen = false;
    bool eventServed = false;
    QObject receiver;
    QTimer::singleShot(0, &receiver, [&] { eventServed = true; });
    WaitForEngineOnQt();
    EXPECT_FALSE(eventServed) << "not even one turn of the event loop";
}

}  // namespace
}  // namespace kestro::test
