#include <random>

#include "tests/link/LinkFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class ReceiveTest : public LinkFixture {};

const std::vector<uint8_t> kAnswer = WithCrc({0x01, 0x03, 0x04, 0x25, 0x80, 0x00, 0x11});

}  // namespace

TEST_F(ReceiveTest, ChunksBeforeTheSilenceFormOneFrame) {
    VirtualPort& port = open();
    port.sendToMaster(kAnswer, 0, 3, 30);  // gaps shorter than one tick
    platform.clock.runUntil([] { return Ports.FrameReceived; }, 1000);
    EXPECT_EQ(received(), kAnswer);
}

TEST_F(ReceiveTest, FrameSplitAtEveryPositionIsCollectedWhole) {
    VirtualPort& port = open();
    for (size_t split = 1; split < kAnswer.size(); ++split) {
        Ports.FrameReceived = false;
        port.sendToMaster({kAnswer.begin(), kAnswer.begin() + split}, 0, 64);
        port.sendToMaster({kAnswer.begin() + split, kAnswer.end()}, 40, 64);
        platform.clock.runUntil([] { return Ports.FrameReceived; }, 1000);
        EXPECT_EQ(received(), kAnswer) << "split at " << split;
        platform.clock.advanceMs(100);
    }
}

TEST_F(ReceiveTest, FirstChunkAfterTheSilenceStartsANewFrame) {
    VirtualPort& port = open();
    port.sendToMaster({0xAA, 0xBB, 0xCC});
    platform.clock.runUntil([] { return Ports.FrameReceived; }, 1000);
    port.sendToMaster(kAnswer);
    platform.clock.advanceMs(200);
    EXPECT_EQ(received(), kAnswer);
}

TEST_F(ReceiveTest, ExactlyOneKilobyteFits) {
    VirtualPort& port = open();
    port.sendToMaster(std::vector<uint8_t>(1024, 0x55));
    platform.clock.runUntil([] { return Ports.FrameReceived; }, 3000);
    EXPECT_EQ(Ports.RxCount, 1024);
    EXPECT_TRUE(status.shown.empty());
}

TEST_F(ReceiveTest, The1025thByteOfAFrameOverflowsAndEmptiesTheBuffer) {
    VirtualPort& port = open();
    port.sendToMaster(std::vector<uint8_t>(1025, 0x55), 0, 16);  // 64 chunks of 16, then 1
    ASSERT_TRUE(platform.clock.runUntil([] { return Ports.RxCount == 1024; }, 3000));
    EXPECT_TRUE(status.shown.empty()) << "1024 bytes fit";
    EXPECT_TRUE(hookCodes.empty());

    ASSERT_TRUE(platform.clock.runUntil([&] { return !hookCodes.empty(); }, 1000));
    EXPECT_EQ(hookCodes, std::vector<int>{3});
    EXPECT_EQ(Ports.RxCount, 0);
    ASSERT_EQ(status.shown.size(), 1u);
    EXPECT_EQ(status.last(), "Fatal error. Rx buffer overflow.");
    EXPECT_TRUE(status.lastRed());
}

TEST_F(ReceiveTest, OverflowIsReportedAndTheNextFrameStillArrives) {
    VirtualPort& port = open();
    port.sendToMaster(std::vector<uint8_t>(3000, 0x55));
    platform.clock.advanceMs(4000);
    ASSERT_FALSE(status.shown.empty());
    EXPECT_EQ(status.shown.front().text, "Fatal error. Rx buffer overflow.");
    EXPECT_TRUE(status.shown.front().red);
    EXPECT_EQ(hookCodes.front(), 3);

    Ports.FrameReceived = false;
    port.sendToMaster(kAnswer);
    platform.clock.runUntil([] { return Ports.FrameReceived; }, 1000);
    EXPECT_EQ(received(), kAnswer);
}

TEST_F(ReceiveTest, GarbageNeverOverrunsTheBuffer) {
    VirtualPort& port = open();
    std::mt19937 random(7);
    for (int burst = 0; burst < 200; ++burst) {
        std::vector<uint8_t> noise(random() % 1500);
        for (auto& b : noise)
            b = uint8_t(random());
        port.sendToMaster(noise, int(random() % 80), 1 + int(random() % 64), int(random() % 70));
        platform.clock.advanceMs(random() % 400);
        ASSERT_LE(Ports.RxCount, kMaxFrame);
    }
}
