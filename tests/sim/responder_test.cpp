// The simulated analyzer on the virtual line: what a master writes on the
// port gets the model's answer, framed and timed as on a 9600-baud line.
#include <gtest/gtest.h>

#include "modbus/Crc.h"
#include "sim/model/RtuResponder.h"
#include "tests/sim/SimTestSupport.h"

using namespace kestro;
using namespace kestro::sim;
using namespace kestro::sim::test;

namespace {

class ResponderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        responder.attach(port);
        port.OnTriggerAvail = [this](int count) {
            std::vector<uint8_t> chunk(count);
            chunk.resize(port.getBlock(chunk.data(), count));
            received.insert(received.end(), chunk.begin(), chunk.end());
        };
        port.setOpen(true);
    }
    // Writes the frame with its CRC and returns what came back within 500 ms.
    std::vector<uint8_t> transact(std::vector<uint8_t> frame) {
        received.clear();
        frame = WithCrc(frame);
        port.putBlock(frame.data(), int(frame.size()));
        clock.advanceMs(500);
        return received;
    }
    VirtualClock clock;
    VirtualPort port{clock};
    DeviceModel model;
    RtuResponder responder{model, clock};
    std::vector<uint8_t> received;
};

std::vector<uint16_t> registersOf(const std::vector<uint8_t>& reply) {
    std::vector<uint16_t> regs;
    for (size_t i = 3; i + 3 < reply.size(); i += 2)
        regs.push_back(uint16_t(reply[i] << 8 | reply[i + 1]));
    return regs;
}

}  // namespace

TEST_F(ResponderTest, StandingReadGetsTheInputImageOfThatMoment) {
    clock.advanceMs(10000);
    const auto reply = transact({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C});
    ASSERT_EQ(reply.size(), 5u + 88u);
    EXPECT_TRUE(CrcCheck(reply.data(), int(reply.size())));
    EXPECT_EQ(reply[0], 0x01);
    EXPECT_EQ(reply[1], 0x04);
    EXPECT_EQ(reply[2], 88);
    const InputImage image = model.inputRegisters();
    EXPECT_EQ(registersOf(reply), std::vector<uint16_t>(image.begin(), image.end()));
    EXPECT_EQ(image[regmap::kInClockMinSec], 0x0010) << "model time followed the line: 10 s";
}

TEST_F(ResponderTest, ReplyTakesItsByteTimesOnTheLine) {
    std::vector<uint8_t> frame = WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x34});
    port.putBlock(frame.data(), int(frame.size()));
    // 8 request bytes, the reply delay, 109 reply bytes.
    const int64_t due = (8 + 109) * port.charTimeUs() + responder.replyDelayMs * 1000;
    clock.advanceUs(due - 2000);
    EXPECT_LT(received.size(), 109u);
    clock.advanceUs(3000);
    ASSERT_EQ(received.size(), 5u + 104u);
    EXPECT_TRUE(CrcCheck(received.data(), int(received.size())));
}

TEST_F(ResponderTest, StaysSilentOnDamagedOrForeignFrames) {
    auto damaged = WithCrc({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C});
    damaged[3] ^= 0x01;
    received.clear();
    port.putBlock(damaged.data(), int(damaged.size()));
    clock.advanceMs(500);
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(transact({0x02, 0x04, 0x00, 0x00, 0x00, 0x2C}).empty());
    EXPECT_EQ(responder.framesServed(), 0);
}

TEST_F(ResponderTest, FrameSplitAcrossWritesIsOneFrame) {
    const auto frame = WithCrc({0x01, 0x04, 0x00, 0x24, 0x00, 0x02});
    port.putBlock(frame.data(), 3);
    port.putBlock(frame.data() + 3, int(frame.size()) - 3);
    clock.advanceMs(500);
    ASSERT_EQ(received.size(), 9u);
    EXPECT_EQ(received[1], 0x04);
}

TEST_F(ResponderTest, RefusedWriteAnswersTheModelsException) {
    std::vector<uint8_t> frame = {0x01, 0x10, 0x00, 0xC8, 0x00, 0x02, 0x04, 0x9E, 0xAA, 0x00, 0x01};
    EXPECT_EQ(transact(frame), WithCrc({0x01, 0x90, 0x03}));
    EXPECT_EQ(transact({0x01, 0x06, 0x00, 0x00, 0x00, 0x01}), WithCrc({0x01, 0x86, 0x01}));
    EXPECT_EQ(transact({0x01, 0x04, 0x00, 0x2B, 0x00, 0x02}), WithCrc({0x01, 0x84, 0x02}));
}

TEST_F(ResponderTest, NewSlaveIdAnswersFromTheOldAddressThenFromTheNew) {
    std::vector<Event> events;
    responder.OnEvent = [&events](const Event& e) { events.push_back(e); };
    std::vector<uint8_t> frame = {0x01, 0x10, 0x00, 0x00, 0x00, 0x1B, 0x36};
    for (uint16_t value : configurationBlock(9600, 7)) {
        frame.push_back(uint8_t(value >> 8));
        frame.push_back(uint8_t(value));
    }
    EXPECT_EQ(transact(frame), WithCrc({0x01, 0x10, 0x00, 0x00, 0x00, 0x1B}));
    EXPECT_TRUE(transact({0x01, 0x04, 0x00, 0x00, 0x00, 0x02}).empty());
    EXPECT_EQ(transact({0x07, 0x04, 0x00, 0x00, 0x00, 0x02}).size(), 9u);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].value("block"), "\"configuration\"");
    EXPECT_EQ(events[1].json(), "{\"event\":\"address\",\"slave_id\":7}");
}

TEST_F(ResponderTest, BroadcastWriteIsAppliedWithoutAnswer) {
    EXPECT_TRUE(
        transact({0x00, 0x10, 0x00, 0xC8, 0x00, 0x02, 0x04, 0x9E, 0xA9, 0x00, 0x01}).empty());
    EXPECT_EQ(model.activeEnergy(), 0);
}

TEST_F(ResponderTest, ReplyHookCanDamageOrSwallowAReply) {
    responder.OnReply = [](std::vector<uint8_t>& reply) {
        reply[3] ^= 0xFF;
        return true;
    };
    const auto damaged = transact({0x01, 0x04, 0x00, 0x00, 0x00, 0x02});
    ASSERT_EQ(damaged.size(), 9u);
    EXPECT_FALSE(CrcCheck(damaged.data(), 9));
    responder.OnReply = [](std::vector<uint8_t>&) { return false; };
    EXPECT_TRUE(transact({0x01, 0x04, 0x00, 0x00, 0x00, 0x02}).empty());
}

TEST(ResponderPorts, ANewPortIsServedAndTheOldOneForgotten) {
    VirtualClock clock;
    DeviceModel model;
    RtuResponder responder(model, clock);
    std::vector<uint8_t> received;
    auto open = [&](VirtualPort& port) {
        responder.attach(port);
        port.OnTriggerAvail = [&received, &port](int count) {
            std::vector<uint8_t> chunk(count);
            chunk.resize(port.getBlock(chunk.data(), count));
            received.insert(received.end(), chunk.begin(), chunk.end());
        };
        port.setOpen(true);
    };
    const auto frame = WithCrc({0x01, 0x04, 0x00, 0x00, 0x00, 0x02});
    {
        auto first = std::make_unique<VirtualPort>(clock);
        open(*first);
        first->putBlock(frame.data(), int(frame.size()));
        clock.advanceUs(8 * first->charTimeUs() + 100);  // the frame is on the wire
    }  // the port goes away while the responder times the frame's end
    clock.advanceMs(500);
    EXPECT_TRUE(received.empty());
    VirtualPort second(clock);
    open(second);
    second.putBlock(frame.data(), int(frame.size()));
    clock.advanceMs(500);
    EXPECT_EQ(received.size(), 9u);
}
