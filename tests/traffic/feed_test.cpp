// The frame feed passes every frame to each listener; the traffic log keeps
// the bounded history and the statistics side by side, each cleared on its
// own.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "modbus/FrameFeed.h"
#include "tools/traffic/TrafficLog.h"

using namespace kestro;

namespace {

FrameEvent request(int64_t us) {
    FrameEvent e;
    e.startUs = e.endUs = us;
    e.bytes = {0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA};
    return e;
}

// Notes its name in a shared journal for every frame; may run an action.
class Listener : public FrameObserver {
  public:
    Listener(std::string& journal, char name) : journal_(journal), name_(name) {}
    void onFrame(const FrameEvent&) override {
        journal_ += name_;
        if (action)
            action();
    }
    std::function<void()> action;

  private:
    std::string& journal_;
    char name_;
};

}  // namespace

TEST(FrameFeed, EveryListenerInTheOrderOfSubscription) {
    std::string journal;
    Listener a(journal, 'a'), b(journal, 'b'), c(journal, 'c');
    FrameFeed feed;
    feed.subscribe(a);
    feed.subscribe(b);
    feed.subscribe(a);  // once only
    feed.subscribe(c);
    feed.onFrame(request(0));
    EXPECT_EQ(journal, "abc");

    // A listener that leaves, and takes another with it, during a frame.
    b.action = [&] {
        feed.unsubscribe(b);
        feed.unsubscribe(c);
    };
    feed.onFrame(request(1));
    feed.onFrame(request(2));
    EXPECT_EQ(journal,
              "abc"
              "ab"
              "a");
}

TEST(TrafficLog, KeepsTheNewestFramesAndCountsThemAll) {
    TrafficLog log(1000, 3);
    FrameFeed feed;
    feed.subscribe(log);
    for (int i = 0; i < 5; ++i)
        feed.onFrame(request(2000 + i));
    EXPECT_EQ(log.originUs(), 1000);
    ASSERT_EQ(log.history().size(), 3u);
    EXPECT_EQ(log.history().at(0).startUs, 2002);
    EXPECT_EQ(log.statistics().counts().requestsSent, 5u);

    log.clearHistory();
    EXPECT_EQ(log.history().size(), 0u);
    EXPECT_EQ(log.statistics().counts().requestsSent, 5u);
    feed.onFrame(request(3000));
    log.resetStatistics();
    EXPECT_EQ(log.statistics().counts().requestsSent, 0u);
    EXPECT_EQ(log.history().size(), 1u);
}
