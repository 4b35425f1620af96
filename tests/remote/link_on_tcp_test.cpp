// The real link layer on the Qt platform, with a remote line: a [PORTS]
// entry "tcp://127.0.0.1:<port>" and a server on loopback as the far end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "platform/QtPlatform.h"
#include "platform/core/PortMap.h"
#include "tests/remote/LoopbackServer.h"
#include "tests/support/Waiting.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr uint16_t kPort = 9;

class RecordedStatus : public StatusLine {
  public:
    void showStatus(const std::string& text, bool isRed) override {
        last = text;
        red = isRed;
    }
    void showPort(const std::string& text) override { port = text; }
    std::string last, port;
    bool red = false;
};

// Read input registers 1 and 2 of slave 1, as the wire carries it.
const std::vector<uint8_t> kRequest = {0x01, 0x04, 0x00, 0x00, 0x00, 0x02, 0x71, 0xCB};

class LinkOnTcpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening());
        PortMap::clear();
        PortMap::setEntry(kPort, server.address());
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

    // The server sends the answer in segments a few ms apart, as a device
    // server that forwards what its serial line gave it so far.
    bool answerInPieces(const std::vector<uint8_t>& reply) {
        for (size_t at = 0; at < reply.size(); at += 3) {
            server.write(
                {reply.begin() + long(at), reply.begin() + long(std::min(at + 3, reply.size()))});
            runFor(10);
        }
        return waitUntil([] { return Ports.FrameReceived; }, 2000);
    }

    std::vector<uint8_t> received() const {
        return {Ports.RxBuffer, Ports.RxBuffer + Ports.RxCount};
    }

    LoopbackServer server;
    QtPlatform platform;
    RecordedStatus status;
};

}  // namespace

TEST_F(LinkOnTcpTest, ARequestGoesOutAndASplitAnswerIsCollectedAsOneFrame) {
    OpenPort(kPort);
    ASSERT_TRUE(Ports.PortOpen);
    EXPECT_EQ(status.port, "COM9,9600,N,8,1");
    ASSERT_TRUE(server.waitForClient(2000));

    sendRequest();
    EXPECT_FALSE(Ports.TxPending);
    EXPECT_EQ(server.read(kRequest.size()), kRequest);

    const auto reply = WithCrc({0x01, 0x04, 0x04, 0x00, 0x01, 0x00, 0x02});
    ASSERT_TRUE(answerInPieces(reply));
    EXPECT_EQ(received(), reply);
}

TEST_F(LinkOnTcpTest, RequestsTimeOutWhileTheServerIsGoneAndPollingResumesWhenItReturns) {
    OpenPort(kPort);
    ASSERT_TRUE(Ports.PortOpen);
    ASSERT_TRUE(server.waitForClient(2000));
    server.leave();
    ASSERT_TRUE(waitUntil([] { return !Ports.PortOpenSignal; }, 2000));

    // While the server is gone, the status line says why instead of each
    // missing answer.
    sendRequest();
    ASSERT_TRUE(waitUntil([&] { return !Ports.AwaitingResponse; }, 3000));
    EXPECT_EQ(status.last, "COM9 (" + server.address() +
                               ") cannot be opened: the server closed the connection. Kestro "
                               "connects again by itself.");
    EXPECT_TRUE(status.red);

    ASSERT_TRUE(server.comeBack());
    ASSERT_TRUE(waitUntil([] { return Ports.PortOpenSignal; }, 6000));
    ASSERT_TRUE(server.waitForClient(2000));
    sendRequest();
    EXPECT_EQ(server.read(kRequest.size()), kRequest);
    const auto reply = WithCrc({0x01, 0x04, 0x04, 0x12, 0x34, 0x56, 0x78});
    ASSERT_TRUE(answerInPieces(reply));
    EXPECT_EQ(received(), reply);
}
