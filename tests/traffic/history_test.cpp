// The bounded history keeps the newest frames, oldest first.
#include <gtest/gtest.h>

#include "tools/traffic/FrameHistory.h"

using namespace kestro;

namespace {

FrameEvent numbered(int64_t n) {
    FrameEvent e;
    e.startUs = e.endUs = n;
    e.bytes = {0x01, 0x04, uint8_t(n)};
    return e;
}

}  // namespace

TEST(FrameHistory, KeepsTheNewestUpToItsCapacity) {
    struct Case {
        size_t capacity;
        int added;
        size_t size;
        int64_t oldest;
        uint64_t dropped;
    };
    const Case cases[] = {
        {3, 2, 2, 1, 0},
        {3, 3, 3, 1, 0},
        {3, 5, 3, 3, 2},
        {10000, 10001, 10000, 2, 1},
    };
    for (const Case& c : cases) {
        FrameHistory history(c.capacity);
        for (int n = 1; n <= c.added; ++n)
            history.add(numbered(n));
        SCOPED_TRACE(std::to_string(c.capacity) + "/" + std::to_string(c.added));
        ASSERT_EQ(history.size(), c.size);
        EXPECT_EQ(history.at(0).startUs, c.oldest);
        EXPECT_EQ(history.at(history.size() - 1).startUs, c.added);
        EXPECT_EQ(history.dropped(), c.dropped);
    }
}

TEST(FrameHistory, ClearEmptiesIt) {
    FrameHistory history(2);
    for (int n = 1; n <= 3; ++n)
        history.add(numbered(n));
    history.clear();
    EXPECT_EQ(history.size(), 0u);
    EXPECT_EQ(history.dropped(), 0u);
    history.add(numbered(4));
    EXPECT_EQ(history.at(0).bytes, (std::vector<uint8_t>{0x01, 0x04, 0x04}));
}

TEST(FrameHistory, DefaultCapacity) {
    EXPECT_EQ(FrameHistory().capacity(), 10000u);
}
