// The commands' wait on Qt: the thread sleeps between events, the windows
// stay live, and the wait ends with the engine's request or with the port.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <ctime>

#include "DB_Modbus.h"
#include "DeviceCommands.h"
#include "Ports.h"

namespace kestro::test {
namespace {

class QtWaitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DB_Modbus.RequestPending = true;
        Ports.PortOpen = true;
        // Whatever happens, the test ends.
        QTimer::singleShot(5000, &guard_, [] {
            DB_Modbus.RequestPending = false;
            Ports.PortOpen = false;
        });
    }
    void TearDown() override {
        ResetLinkState();
        ResetMasterTables();
    }
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
    const std::clock_t cpuBefore = std::clock();
    WaitForEngineOnQt();
    const double cpuMs = double(std::clock() - cpuBefore) * 1000 / CLOCKS_PER_SEC;

    EXPECT_FALSE(DB_Modbus.RequestPending);
    EXPECT_GE(wall.elapsed(), 290);
    EXPECT_LT(wall.elapsed(), 4000);
    EXPECT_GE(windowEvents, 5);
    EXPECT_LT(cpuMs, 100) << "the wait must not spin";
}

TEST_F(QtWaitTest, EndsWhenThePortCloses) {
    QTimer::singleShot(100, [] { Ports.PortOpen = false; });
    QElapsedTimer wall;
    wall.start();
    WaitForEngineOnQt();
    EXPECT_TRUE(DB_Modbus.RequestPending);
    EXPECT_LT(wall.elapsed(), 4000);
}

TEST_F(QtWaitTest, ReturnsAtOnceWithThePortClosed) {
    Ports.PortOpen = false;
    QElapsedTimer wall;
    wall.start();
    WaitForEngineOnQt();
    EXPECT_LT(wall.elapsed(), 50);
}

}  // namespace
}  // namespace kestro::test
