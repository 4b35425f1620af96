#include <optional>

#include "tests/link/LinkFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class PortEventsTest : public LinkFixture {};

}  // namespace

TEST_F(PortEventsTest, OpenAppliesTheFixedLineSettings) {
    const int64_t before = platform.clock.nowMs();
    VirtualPort& port = open(3);
    const LineSettings& s = port.settings();
    EXPECT_EQ(s.comNumber, 3);
    EXPECT_EQ(s.baud, 9600);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, 1);
    EXPECT_EQ(s.parity, Parity::None);
    EXPECT_TRUE(s.rs485Mode);
    EXPECT_TRUE(s.dtr);
    EXPECT_TRUE(s.rts);
    EXPECT_TRUE(Ports.PortOpen);
    EXPECT_EQ(status.port, "COM3,9600,N,8,1");
    EXPECT_GE(platform.clock.nowMs() - before, 500);
}

TEST_F(PortEventsTest, PortWhoseDeviceIsMissingStaysClosedAndSaysWhy) {
    platform.devicePresent = false;
    open(2);
    EXPECT_FALSE(Ports.PortOpen);
    ASSERT_EQ(status.shown.size(), 1u);
    EXPECT_EQ(status.last(), "COM2 is unplugged. Plug the adapter in.");
    EXPECT_TRUE(status.lastRed());
}

TEST_F(PortEventsTest, CloseDropsModemLinesAndReleasesThePort) {
    VirtualPort& port = open();
    ASSERT_TRUE(port.settings().rts && port.settings().dtr);
    // The port goes with the close, so its lines are read as it closes.
    std::optional<LineSettings> atClose;
    port.OnPortClose = [&, linkHandler = port.OnPortClose] {
        atClose = port.settings();
        if (linkHandler)
            linkHandler();
    };
    ClosePort();
    ASSERT_TRUE(atClose.has_value()) << "the port was closed";
    EXPECT_FALSE(atClose->rts);
    EXPECT_FALSE(atClose->dtr);
    EXPECT_FALSE(Ports.PortOpen);
    EXPECT_FALSE(Ports.PortOpenSignal);
    EXPECT_EQ(Ports.ComPort, nullptr);
    ClosePort();  // nothing left to close
}

TEST_F(PortEventsTest, ReopeningAnotherPortDropsTheTransactionInProgress) {
    open(1);
    DB_Modbus.PresetArmed = true;
    DB_Modbus.RequestPending = true;
    send({0x01, 0x10, 0x00, 0xC8, 0x00, 0x02, 0x04, 0x9E, 0xA9, 0x00, 0x01}, 0x10, 2);
    open(2);
    EXPECT_FALSE(Ports.AwaitingResponse);
    EXPECT_TRUE(Ports.StepDone);
    EXPECT_TRUE(DB_Modbus.PresetFailed);
    EXPECT_FALSE(DB_Modbus.RequestPending);
    EXPECT_EQ(status.port, "COM2,9600,N,8,1");
}

TEST_F(PortEventsTest, UnpluggedDeviceComesBackByItself) {
    VirtualPort& port = open();
    port.unplug();
    EXPECT_FALSE(Ports.PortOpenSignal);
    EXPECT_EQ(status.last(), "COM1 is unplugged. Plug the adapter in.");
    // The time-out of a request meanwhile does not hide it.
    send({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C}, 0x04, 44);
    platform.clock.advanceMs(1500);
    EXPECT_EQ(status.last(), "COM1 is unplugged. Plug the adapter in.");
    EXPECT_TRUE(status.lastRed());

    port.replug();
    platform.clock.advanceMs(1100);
    EXPECT_TRUE(Ports.PortOpenSignal);
    send({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C}, 0x04, 44);
    EXPECT_EQ(port.written.size(), 8u);  // the frame written while unplugged went nowhere
}

TEST_F(PortEventsTest, StatusLightsFollowTheTraffic) {
    VirtualPort& port = open();
    send({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C}, 0x04, 44);
    EXPECT_TRUE(platform.txLight.lit);
    platform.clock.advanceMs(4 * kTickMs);
    EXPECT_FALSE(platform.txLight.lit);

    port.sendToMaster({0x01, 0x02});
    platform.clock.advanceMs(10);
    EXPECT_TRUE(platform.rxLight.lit);
    platform.clock.advanceMs(4 * kTickMs);
    EXPECT_FALSE(platform.rxLight.lit);
}

TEST_F(PortEventsTest, StartWithoutAPortReportsOnceAndDoesNotPoll) {
    int reports = 0;
    bool polling = false;
    Host.selectPort = [] { return false; };
    Host.reportNoPort = [&] { ++reports; };
    Host.enablePollTimer = [&](bool on) { polling = on; };
    StartCommunications();
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(polling);

    Host.selectPort = [] { return true; };
    StartCommunications();
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(polling);
}
