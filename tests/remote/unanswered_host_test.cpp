// Hosts that answer a connect, refuse it, or never answer: what the port
// list offers, and a port that waits for such a host without freezing the
// window (its timers keep running).
#include <gtest/gtest.h>

#include <QTimer>

#include "platform/MappedPort.h"
#include "platform/PortAvailability.h"
#include "platform/QtTcpPort.h"
#include "platform/RemoteLineProbe.h"
#include "platform/core/PortMap.h"
#include "tests/remote/LoopbackServer.h"
#include "tests/support/Waiting.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr int kTestPort = 9;

// Counts the ticks of a window timer while a call runs.
class WindowTicks {
  public:
    WindowTicks() {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { ++ticks; });
        timer_.start(10);
    }
    int ticks = 0;

  private:
    QTimer timer_;
};

TEST(UnansweredHostTest, APortWaitsForAHostThatNeverAnswersWithTheWindowAlive) {
    UnansweringListener host;
    ASSERT_TRUE(host.ok());
    PortMap::clear();
    PortMap::setEntry(kTestPort, host.address());
    MappedPort port;
    int events = 0;
    port.OnPortOpen = [&] { ++events; };
    port.OnPortClose = [&] { ++events; };
    port.setComNumber(kTestPort);

    WindowTicks window;
    port.setOpen(true);  // returns: the wait is bounded
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(events, 0);
    EXPECT_EQ(port.problem().detail, "the server does not answer");
    // A frozen window would have missed every tick of the wait.
    EXPECT_GT(window.ticks, QtTcpPort::kConnectTimeoutMs / 10 / 4);

    port.setOpen(false);
    EXPECT_EQ(events, 0);
    PortMap::clear();
}

TEST(UnansweredHostTest, ThePortListOffersHostsThatAnswerOrRefuse) {
    LoopbackServer answering;
    ASSERT_TRUE(answering.listening());
    LoopbackServer refusing;
    refusing.leave();
    UnansweringListener silent;
    ASSERT_TRUE(silent.ok());

    EXPECT_TRUE(IsDeviceAvailable(answering.address()));
    EXPECT_TRUE(IsDeviceAvailable(refusing.address()));  // busy, or switched to another mode
    EXPECT_FALSE(IsDeviceAvailable("tcp://127.0.0.1"));
    WindowTicks window;
    EXPECT_FALSE(IsDeviceAvailable(silent.address()));
    EXPECT_GT(window.ticks, kProbeTimeoutMs / 10 / 4);

    PortMap::clear();
    PortMap::setEntry(kTestPort, answering.address());
    EXPECT_TRUE(IsPortAvailable(kTestPort));
    PortMap::clear();
}

}  // namespace
