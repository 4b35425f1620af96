// The real link layer on the Qt platform, with a pty as the line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "platform/QtPlatform.h"
#include "platform/core/PortMap.h"
#include "tests/qtport/Pty.h"
#include "tests/support/Waiting.h"
#include "tests/support/core/StatusRecorder.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr uint16_t kPort = 7;

class Lamp : public StatusLight {
  public:
    void setLit(bool on) override {
        flashes += on && !lit;
        lit = on;
    }
    bool lit = false;
    int flashes = 0;
};

// Read input registers 1 and 2 of slave 1, as the wire carries it.
const std::vector<uint8_t> kRequest = {0x01, 0x04, 0x00, 0x00, 0x00, 0x02, 0x71, 0xCB};

class LinkOnPtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        link.pointTo(pty);
        PortMap::clear();
        PortMap::setEntry(kPort, link.path());
        platform.setStatusLights(&tx, &rx);
        Host = LinkHost{};
        Host.platform = &platform;
        Host.status = &status;
        InitCrcTable();
        ResetLinkState();
        ResetMasterTables();
    }
    void TearDown() override {
        ClosePort();
        Host = LinkHost{};
        PortMap::clear();
    }

    void sendRequest() {
        ASSERT_TRUE(BeginFrame(0x01, 0x04));
        ComputeTimeouts(0x04, 2);
        PutWord(0);
        PutWord(2);
        SendFrame();
        Ports.LastFunction = 0x04;
    }

    // The slave answers in two chunks, closer together than one tick.
    bool answer(Pty& line, const std::vector<uint8_t>& reply) {
        line.write({reply.begin(), reply.begin() + 4});
        runFor(15);
        line.write({reply.begin() + 4, reply.end()});
        return waitUntil([] { return Ports.FrameReceived; }, 5000);
    }

    std::vector<uint8_t> received() const {
        return {Ports.RxBuffer, Ports.RxBuffer + Ports.RxCount};
    }

    Pty pty;
    DeviceLink link;
    QtPlatform platform;
    StatusRecorder status;
    Lamp tx, rx;
};

}  // namespace

TEST_F(LinkOnPtyTest, RequestGoesOutAndTheReplyIsCollectedAsOneFrame) {
    OpenPort(kPort);
    ASSERT_TRUE(Ports.PortOpen);
    EXPECT_EQ(status.port, "COM7,9600,N,8,1");

    sendRequest();
    EXPECT_FALSE(Ports.TxPending);
    EXPECT_EQ(pty.read(kRequest.size()), kRequest);

    const auto reply = WithCrc({0x01, 0x04, 0x04, 0x00, 0x01, 0x00, 0x02});
    ASSERT_TRUE(answer(pty, reply));
    EXPECT_EQ(received(), reply);
    EXPECT_EQ(tx.flashes, 1);
    EXPECT_GE(rx.flashes, 1);
    EXPECT_TRUE(waitUntil([&] { return !tx.lit && !rx.lit; }, 5000));
}

TEST_F(LinkOnPtyTest, ADeviceThatIsGoneIsSaidAndPollingResumesWhenItReturns) {
    OpenPort(kPort);
    ASSERT_TRUE(Ports.PortOpen);
    link.remove();
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([] { return !Ports.PortOpenSignal; }, 5000));
    const std::string unplugged = "COM7 (" + link.path() + ") is unplugged. Plug the adapter in.";
    EXPECT_EQ(status.last(), unplugged);
    EXPECT_TRUE(status.lastRed());

    // The time-out of a request meanwhile does not hide why nothing answers.
    sendRequest();
    ASSERT_TRUE(waitUntil([&] { return !Ports.AwaitingResponse; }, 5000));
    EXPECT_EQ(status.last(), unplugged);
    EXPECT_TRUE(status.lastRed());

    Pty replugged;
    link.pointTo(replugged);
    ASSERT_TRUE(waitUntil([] { return Ports.PortOpenSignal; }, 5000));
    sendRequest();
    EXPECT_EQ(replugged.read(kRequest.size()), kRequest);
    const auto reply = WithCrc({0x01, 0x04, 0x04, 0x12, 0x34, 0x56, 0x78});
    ASSERT_TRUE(answer(replugged, reply));
    EXPECT_EQ(received(), reply);
}
