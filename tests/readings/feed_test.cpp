// The readings feed on the real engine and the virtual line: one snapshot
// per refresh to every listener, and an event for every reading that did
// not come.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/ReadingsSource.h"
#include "modbus/DB_Modbus.h"
#include "modbus/Driver_Modbus.h"
#include "tests/support/core/EngineHarness.h"

namespace kestro::test {
namespace {

struct Log : ReadingsListener {
    void readingTaken(const ReadingSnapshot& s) override { taken.push_back(s); }
    void readingMissed(const MissedReading& m) override { missed.push_back(m); }
    std::vector<ReadingSnapshot> taken;
    std::vector<MissedReading> missed;
};

class FeedOnEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        ConnectReadingsFeed(
            feed, [this] { return swapWords; },
            [this] {
                return TimeStamp{rig.nowMs(), 3600};
            });
        feed.subscribe(first);
        feed.subscribe(second);
        rig.slave.inputRegisters[18] = 0x4248;  // F 50.0 in normal order
        rig.start();
    }
    // Valid 04h answers the status line has shown so far.
    int validReads() const {
        int n = 0;
        for (const auto& entry : rig.status.shown)
            n += entry.text == "Valid response received <04h>.";
        return n;
    }
    bool readsDone(int n) {
        return rig.runUntil([&] { return validReads() >= n; }, 60000);
    }

    // The feed outlives the engine, whose port still closes at the end.
    ReadingsFeed feed;
    Log first, second;
    bool swapWords = false;
    EngineHarness rig;
};

TEST_F(FeedOnEngine, EveryListenerGetsOneSnapshotPerRefresh) {
    ASSERT_TRUE(readsDone(3));
    rig.runMs(50);  // the refresh follows the status within the same tick
    ASSERT_EQ(first.taken.size(), 3u);
    ASSERT_EQ(second.taken.size(), 3u);
    for (const ReadingSnapshot& s : first.taken) {
        EXPECT_EQ(s.value(Quantity::F), 50.0);
        EXPECT_TRUE(s.newReading);
        EXPECT_EQ(s.taken.utcOffsetSeconds, 3600);
    }
    EXPECT_LT(first.taken[0].taken.msSinceEpoch, first.taken[1].taken.msSinceEpoch);
    EXPECT_TRUE(first.missed.empty());

    // Swap Words is read at the refresh; an unsubscribed listener hears no more.
    swapWords = true;
    feed.unsubscribe(second);
    ASSERT_TRUE(readsDone(4));
    rig.runMs(50);
    ASSERT_EQ(first.taken.size(), 4u);
    EXPECT_TRUE(first.taken.back().swapWords);
    EXPECT_NE(first.taken.back().value(Quantity::F), 50.0);
    EXPECT_EQ(second.taken.size(), 3u);
}

// A write's answer refreshes the display too, with the registers of the
// reading before: the snapshot says it brings nothing new.
TEST_F(FeedOnEngine, TheRefreshAfterAWriteRepeatsTheLastReading) {
    ASSERT_TRUE(readsDone(1));
    const uint16_t block[2] = {40617, 1};
    PostPresetWrite(201, 2, block);
    ASSERT_TRUE(
        rig.runUntil([&] { return rig.status.saw("Valid response received <10h>."); }, 10000));
    rig.runMs(50);
    ASSERT_GE(first.taken.size(), 2u);
    EXPECT_TRUE(first.taken.front().newReading);
    int repeats = 0;
    for (const ReadingSnapshot& s : first.taken)
        repeats += !s.newReading;
    EXPECT_EQ(repeats, 1);
}

// Frames that bring no reading still refresh the display while the
// registers are valid; none of them may pass for a new reading.
struct StrayCase {
    const char* name;
    Reply reply;
    size_t missed;  // gaps the answer makes
};

void PrintTo(const StrayCase& c, std::ostream* os) {
    *os << c.name;
}

class StrayFrames : public FeedOnEngine, public ::testing::WithParamInterface<StrayCase> {};

TEST_P(StrayFrames, BringNoNewReading) {
    ASSERT_TRUE(readsDone(1));
    rig.slave.script = {GetParam().reply};
    rig.runMs(8000);  // three scans or more
    int newReadings = 0;
    for (const ReadingSnapshot& s : first.taken)
        newReadings += s.newReading;
    EXPECT_GE(validReads(), 3);
    EXPECT_EQ(newReadings, validReads()) << "one new reading per valid answer";
    EXPECT_EQ(first.missed.size(), GetParam().missed);
}

INSTANTIATE_TEST_SUITE_P(Feed, StrayFrames,
                         ::testing::Values(StrayCase{"AnswerRepeated", Reply::repeated(200), 0},
                                           StrayCase{"AnswerDamaged", Reply::corrupted(10), 1},
                                           StrayCase{"AnswerAfterItsTimeOut", Reply::delayed(1400),
                                                     1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FeedOnEngine, AReadingThatDoesNotComeIsAnEvent) {
    ASSERT_TRUE(readsDone(1));
    rig.slave.script = {Reply::dropped(), Reply::exceptionCode(2)};
    ASSERT_TRUE(readsDone(2));
    rig.runMs(50);
    ASSERT_EQ(first.missed.size(), 2u);
    EXPECT_EQ(first.missed[0].reason, "No response from slave device.");
    EXPECT_EQ(first.missed[1].reason, "Exception response received <data address>.");
    EXPECT_LT(first.missed[0].at.msSinceEpoch, first.missed[1].at.msSinceEpoch);
    EXPECT_EQ(second.missed.size(), 2u);
    // Readings and gaps arrive in the order they happened.
    EXPECT_LT(first.taken[0].taken.msSinceEpoch, first.missed[0].at.msSinceEpoch);
    EXPECT_GT(first.taken[1].taken.msSinceEpoch, first.missed[1].at.msSinceEpoch);
}

TEST_F(FeedOnEngine, AnUnpluggedPortIsAGapUntilItIsBack) {
    ASSERT_TRUE(readsDone(1));
    rig.port().unplug();
    rig.runMs(10000);
    ASSERT_FALSE(first.missed.empty());
    EXPECT_EQ(first.missed.front().reason, "Port closed.");
    for (size_t i = 1; i < first.missed.size(); ++i)
        EXPECT_EQ(first.missed[i].reason, "No response from slave device.");
    const size_t takenWhileAway = first.taken.size();
    EXPECT_EQ(takenWhileAway, 1u);
    rig.port().replug();
    ASSERT_TRUE(rig.runUntil([&] { return first.taken.size() > takenWhileAway; }, 10000));
}

}  // namespace
}  // namespace kestro::test
