#include "tests/link/LinkFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class TimeoutTest : public LinkFixture {};

struct TimeoutCase {
    uint8_t function;
    int points;
    int txTicks;
    int responseTicks;
};

// Characters become ticks by c * 198 / 9600 (at least 1); the margin of
// 1000 ms is 18 ticks.
const TimeoutCase kTimeouts[] = {
    {0x01, 16, 1, 20},  {0x01, 960, 1, 21}, {0x02, 8, 1, 20},   {0x03, 52, 1, 21},
    {0x03, 120, 1, 24}, {0x04, 44, 1, 21},  {0x05, 1, 1, 20},   {0x06, 1, 1, 20},
    {0x0F, 960, 2, 21}, {0x10, 27, 1, 20},  {0x10, 120, 5, 24},
};

}  // namespace

TEST_F(TimeoutTest, TicksPerFunction) {
    open();
    for (const auto& c : kTimeouts) {
        ComputeTimeouts(c.function, c.points);
        EXPECT_EQ(Ports.TxTimeout.Ticks, c.txTicks) << int(c.function) << "/" << c.points;
        EXPECT_EQ(Ports.ResponseTimeout.Ticks, c.responseTicks)
            << int(c.function) << "/" << c.points;
    }
}

TEST_F(TimeoutTest, MissingAnswerEndsAfterExactlyTheComputedTicks) {
    open();
    DB_Modbus.InputRegistersValid = true;
    send({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C}, 0x04, 44);
    const int64_t sent = platform.clock.nowMs();
    platform.clock.advanceMs(21 * kTickMs - 1);
    EXPECT_TRUE(Ports.AwaitingResponse);
    EXPECT_TRUE(status.shown.empty());

    platform.clock.advanceMs(1);
    EXPECT_EQ(platform.clock.nowMs() - sent, 1155);
    EXPECT_FALSE(Ports.AwaitingResponse);
    EXPECT_TRUE(Ports.StepDone);
    EXPECT_TRUE(Ports.ResponseTimeout.Fired);
    EXPECT_FALSE(DB_Modbus.InputRegistersValid);
    ASSERT_EQ(status.shown.size(), 1u);
    EXPECT_EQ(status.last(), "No response from slave device.");
    EXPECT_TRUE(status.lastRed());
    EXPECT_EQ(hookCodes, std::vector<int>{8});
}

TEST_F(TimeoutTest, MissingWriteAnswerFailsTheWriteAndEndsTheWait) {
    open();
    DB_Modbus.PresetArmed = true;
    DB_Modbus.RequestPending = true;
    send({0x01, 0x10, 0x00, 0xC8, 0x00, 0x02, 0x04, 0x9E, 0xA9, 0x00, 0x01}, 0x10, 2);
    platform.clock.advanceMs(2000);
    EXPECT_FALSE(DB_Modbus.PresetArmed);
    EXPECT_TRUE(DB_Modbus.PresetFailed);
    EXPECT_FALSE(DB_Modbus.RequestPending);
}

TEST_F(TimeoutTest, FrameWithoutRoomGoesOutOnceTheBufferDrains) {
    VirtualPort& port = open();
    port.blockOutput(true);
    send({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C}, 0x04, 44);
    EXPECT_TRUE(Ports.TxPending);
    EXPECT_TRUE(port.written.empty());

    port.blockOutput(false);
    platform.clock.advanceMs(kTickMs);
    EXPECT_FALSE(Ports.TxPending);
    EXPECT_EQ(port.written.size(), 8u);
    EXPECT_TRUE(Ports.AwaitingResponse);
    platform.clock.advanceMs(21 * kTickMs);
    EXPECT_EQ(status.last(), "No response from slave device.");
}

TEST_F(TimeoutTest, FrameThatNeverFindsRoomIsDroppedAndTheWaitEnds) {
    VirtualPort& port = open();
    port.blockOutput(true);
    DB_Modbus.PresetArmed = true;
    DB_Modbus.RequestPending = true;
    send({0x01, 0x10, 0x00, 0xC8, 0x00, 0x02, 0x04, 0x9E, 0xA9, 0x00, 0x01}, 0x10, 2);
    platform.clock.advanceMs(10 * kTickMs);
    EXPECT_FALSE(Ports.TxPending);
    EXPECT_FALSE(Ports.AwaitingResponse);
    EXPECT_TRUE(Ports.StepDone);
    EXPECT_TRUE(DB_Modbus.PresetFailed);
    EXPECT_FALSE(DB_Modbus.RequestPending);
    EXPECT_EQ(status.last(), "Fatal error. Tx timeout.");
    EXPECT_FALSE(status.lastRed());
    EXPECT_EQ(hookCodes, std::vector<int>{1});
    EXPECT_TRUE(port.written.empty());
}

TEST_F(TimeoutTest, TransmitBufferHoldsOneKilobyte) {
    open();
    BeginFrame(1, 0x10);
    for (int i = 2; i < kMaxFrame; ++i)
        PutByte(0x5A);
    EXPECT_EQ(Ports.TxLength, kMaxFrame);
    EXPECT_TRUE(status.shown.empty());

    PutByte(0x5A);
    EXPECT_EQ(Ports.TxLength, 0);
    EXPECT_EQ(status.last(), "Fatal error. Tx buffer overflow.");
    EXPECT_FALSE(status.lastRed());
    EXPECT_EQ(hookCodes, std::vector<int>{2});
}
