// The link statistics over a hand-made stretch of traffic with one of each
// outcome; times in microseconds.
#include <gtest/gtest.h>

#include "tools/traffic/LinkStatistics.h"

using namespace kestro;

namespace {

FrameEvent sent(int64_t us) {
    return {FrameDirection::Sent, FrameOutcome::Sent, 0, us, us, {0x01, 0x04}};
}

FrameEvent received(FrameOutcome outcome, int64_t startUs, int64_t endUs, int code = 0) {
    return {FrameDirection::Received, outcome, code, startUs, endUs, {0x01, 0x04}};
}

FrameEvent timeout(int64_t us) {
    return {FrameDirection::Received, FrameOutcome::Timeout, 0, us, us, {}};
}

const std::vector<FrameEvent> kTraffic = {
    sent(0),
    received(FrameOutcome::Valid, 15615, 15615),
    sent(1000000),
    received(FrameOutcome::Echo, 1008328, 1008328),  // not the answer
    received(FrameOutcome::Valid, 1020000, 1030000),
    sent(2000000),
    timeout(3100000),
    sent(4000000),
    received(FrameOutcome::CrcFailed, 4010000, 4012000),
    timeout(5100000),
    sent(6000000),
    received(FrameOutcome::Exception, 6013533, 6013533, 2),
    sent(7000000),
    received(FrameOutcome::Exception, 7050000, 7050000, 6),
    received(FrameOutcome::NotAwaited, 7400000, 7400000),  // answered already
    sent(8000000),
    received(FrameOutcome::UnexpectedFunction, 8040000, 8041000),
    timeout(9100000),
    sent(10000000),
    received(FrameOutcome::RxOverflow, 10024984, 11090968),
    timeout(11100000),
    sent(12000000),
    received(FrameOutcome::Invalid, 12017697, 12017697),
};

}  // namespace

TEST(LinkStatistics, CountsEachOutcome) {
    LinkStatistics stats;
    for (const FrameEvent& e : kTraffic)
        stats.add(e);
    const LinkCounts& c = stats.counts();
    EXPECT_EQ(c.requestsSent, 9u);
    EXPECT_EQ(c.validResponses, 2u);
    EXPECT_EQ(c.timeouts, 4u);
    EXPECT_EQ(c.crcFailures, 1u);
    EXPECT_EQ(c.invalidResponses, 1u);
    EXPECT_EQ(c.exceptions, (std::map<int, uint64_t>{{2, 1}, {6, 1}}));
    EXPECT_EQ(c.unexpectedFrames, 2u);
    EXPECT_EQ(c.rxOverflows, 1u);
    EXPECT_EQ(c.echoes, 1u);
}

// First frame after each request: 15615, 20000, 10000, 13533, 50000, 40000,
// 24984 and 17697 us to its first byte (sum 191829), 15615, 30000, 12000,
// 13533, 50000, 41000, 1090968 and 17697 us to its last (sum 1270813).
TEST(LinkStatistics, ResponseTimesOfTheFirstFrameAfterEachRequest) {
    LinkStatistics stats;
    for (const FrameEvent& e : kTraffic)
        stats.add(e);
    const TimeSpread& first = stats.counts().firstByte;
    EXPECT_EQ(first.count, 8u);
    EXPECT_EQ(first.minUs, 10000);
    EXPECT_EQ(first.maxUs, 50000);
    EXPECT_EQ(first.meanUs(), 23978);
    const TimeSpread& whole = stats.counts().wholeFrame;
    EXPECT_EQ(whole.count, 8u);
    EXPECT_EQ(whole.minUs, 12000);
    EXPECT_EQ(whole.maxUs, 1090968);
    EXPECT_EQ(whole.meanUs(), 158851);
}

TEST(LinkStatistics, ResetStartsAfresh) {
    LinkStatistics stats;
    for (const FrameEvent& e : kTraffic)
        stats.add(e);
    stats.add(sent(13000000));
    stats.reset();
    EXPECT_EQ(stats.counts().requestsSent, 0u);
    EXPECT_TRUE(stats.counts().exceptions.empty());
    EXPECT_EQ(stats.counts().firstByte.count, 0u);
    EXPECT_EQ(stats.counts().firstByte.meanUs(), 0);

    // The answer to a request from before the reset is counted, not timed.
    stats.add(received(FrameOutcome::Valid, 13020000, 13020000));
    EXPECT_EQ(stats.counts().validResponses, 1u);
    EXPECT_EQ(stats.counts().firstByte.count, 0u);
}
