// The program's port on a [PORTS] entry "tcp://127.0.0.1:<port>": a TCP
// connection to a server on loopback, with every event it fires recorded.
#include <gtest/gtest.h>

#include <vector>

#include "platform/MappedPort.h"
#include "platform/QtComPort.h"
#include "platform/QtTcpPort.h"
#include "platform/core/PortMap.h"
#include "tests/remote/LoopbackServer.h"
#include "tests/support/Waiting.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr int kTestPort = 9;
// Generous for a loaded machine: a reconnect is tried about once a second.
constexpr int kReconnectWaitMs = 6000;

const std::vector<uint8_t> kRequest = {0x01, 0x04, 0x00, 0x00, 0x00, 0x02, 0x71, 0xCB};
const std::vector<uint8_t> kException = {0x01, 0x84, 0x02, 0xC2, 0xC1};

class TcpPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening());
        PortMap::clear();
        PortMap::setEntry(kTestPort, server.address());
        port.OnPortOpen = [this] { ++opened; };
        port.OnPortClose = [this] { ++closed; };
        port.OnTriggerTimer = [this](TriggerHandle h) { fired.push_back(h); };
        port.OnTransmit = [this](int n) { transmitted.push_back(n); };
        port.OnTriggerAvail = [this](int n) {
            std::vector<uint8_t> bytes(n);
            bytes.resize(port.getBlock(bytes.data(), n));
            received.insert(received.end(), bytes.begin(), bytes.end());
        };
    }
    void TearDown() override { PortMap::clear(); }

    // The settings the link layer gives every port it opens.
    void open() {
        port.setComNumber(kTestPort);
        port.setBaud(9600);
        port.setRS485Mode(true);
        port.setDTR(true);
        port.setRTS(true);
        port.setOpen(true);
    }

    void put(const std::vector<uint8_t>& bytes) { port.putBlock(bytes.data(), int(bytes.size())); }

    // A request out and an answer back, byte for byte.
    void exchange() {
        received.clear();
        put(kRequest);
        EXPECT_EQ(server.read(kRequest.size()), kRequest);
        server.write(kException);
        EXPECT_TRUE(waitUntil([&] { return received.size() >= kException.size(); }, 2000));
        EXPECT_EQ(received, kException);
    }

    LoopbackServer server;
    MappedPort port;
    int opened = 0;
    int closed = 0;
    std::vector<TriggerHandle> fired;
    std::vector<int> transmitted;
    std::vector<uint8_t> received;
};

}  // namespace

TEST_F(TcpPortTest, OpensAConnectionAndCarriesFramesByteForByte) {
    open();
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(opened, 1);
    EXPECT_NE(dynamic_cast<const QtTcpPort*>(port.line()), nullptr);
    ASSERT_TRUE(server.waitForClient(2000));

    ASSERT_NO_FATAL_FAILURE(exchange());
    EXPECT_EQ(transmitted, std::vector<int>{int(kRequest.size())});
    EXPECT_EQ(port.outBuffFree(), MappedPort::kOutBufferSize);
    EXPECT_EQ(closed, 0);
}

TEST_F(TcpPortTest, ASerialDeviceEntryStaysASerialPort) {
    PortMap::setEntry(kTestPort, "/dev/ttyUSB0");
    port.setComNumber(kTestPort);
    port.addTimerTrigger();
    EXPECT_NE(dynamic_cast<const QtComPort*>(port.line()), nullptr);
}

TEST_F(TcpPortTest, TriggersExpireOnceAfterTheirTicksWhileConnected) {
    open();
    const TriggerHandle first = port.addTimerTrigger();
    const TriggerHandle second = port.addTimerTrigger();
    EXPECT_NE(first, second);
    port.setTimerTrigger(second, 1, true);
    port.setTimerTrigger(first, 3, true);
    ASSERT_TRUE(waitUntil([&] { return fired.size() == 2; }, 2000));
    runFor(3 * kTickMs);
    EXPECT_EQ(fired, (std::vector<TriggerHandle>{second, first}));
}

TEST_F(TcpPortTest, ClosingEndsTheConnectionAndTriesNoMore) {
    open();
    ASSERT_TRUE(server.waitForClient(2000));
    port.setOpen(false);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(waitUntil([&] { return !server.hasClient(); }, 2000));

    runFor(QtTcpPort::kReconnectMs + 500);
    EXPECT_EQ(server.clientsAccepted(), 1);
    EXPECT_EQ(opened, 1);
}

// A server switched off and on again, as an unplugged adapter plugged back.
TEST_F(TcpPortTest, AConnectionThatDropsClosesOnceAndComesBackByItself) {
    open();
    ASSERT_TRUE(server.waitForClient(2000));
    server.leave();
    ASSERT_TRUE(waitUntil([&] { return closed > 0; }, 2000));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.problem().fault, PortFault::Other);
    EXPECT_EQ(port.problem().device, server.address());
    EXPECT_EQ(port.problem().detail, "the server closed the connection");

    // Meanwhile writes are dropped and the triggers keep working.
    put(kRequest);
    EXPECT_EQ(port.outBuffFree(), MappedPort::kOutBufferSize);
    const TriggerHandle h = port.addTimerTrigger();
    port.setTimerTrigger(h, 1, true);
    EXPECT_TRUE(waitUntil([&] { return !fired.empty(); }, 1000));
    runFor(QtTcpPort::kReconnectMs + 500);  // refused attempts close nothing again
    EXPECT_EQ(closed, 1);

    ASSERT_TRUE(server.comeBack());
    ASSERT_TRUE(waitUntil([&] { return opened == 2; }, kReconnectWaitMs));
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.problem().fault, PortFault::None);
    EXPECT_EQ(closed, 1);
    ASSERT_TRUE(server.waitForClient(2000));
    ASSERT_NO_FATAL_FAILURE(exchange());
}

TEST_F(TcpPortTest, ARefusedOrMalformedAddressDoesNotOpenAndSaysWhy) {
    server.leave();
    const struct {
        std::string device;
        const char* detail;
    } cases[] = {
        {server.address(), "the server refused the connection"},
        {"tcp://127.0.0.1", "not an address of the form tcp://host:port"},
    };
    for (const auto& c : cases) {
        PortMap::setEntry(kTestPort, c.device);
        MappedPort other;
        int events = 0;
        other.OnPortOpen = [&] { ++events; };
        other.OnPortClose = [&] { ++events; };
        other.setComNumber(kTestPort);
        other.setOpen(true);
        EXPECT_FALSE(other.isOpen()) << c.device;
        EXPECT_EQ(events, 0) << c.device;
        EXPECT_NE(dynamic_cast<const QtTcpPort*>(other.line()), nullptr) << c.device;
        EXPECT_EQ(other.problem().fault, PortFault::Other) << c.device;
        EXPECT_EQ(other.problem().device, c.device);
        EXPECT_EQ(other.problem().detail, c.detail);
    }
}
