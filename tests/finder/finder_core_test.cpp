// The finder on the real engine and the virtual line, against the simulated
// analyzer: which addresses and rates it asks, what it finds, how the scan
// pauses and resumes around it, and the rescue of an analyzer at 19200 baud.
#include <gtest/gtest.h>

#include "modbus/DB_Modbus.h"
#include "modbus/Driver_Modbus.h"
#include "sim/model/RtuResponder.h"
#include "tests/support/core/EngineHarness.h"
#include "tools/finder/AnalyzerFinder.h"

using namespace kestro;
using namespace kestro::finder;
using namespace kestro::sim;

namespace {

using Bytes = std::vector<uint8_t>;

// Every request the master sends, with its time and the port's rate then.
struct SentFrame {
    int64_t us;
    int baud;
    Bytes bytes;
};

class Wire : public FrameObserver {
  public:
    void onFrame(const FrameEvent& event) override {
        if (event.direction == FrameDirection::Sent)
            sent.push_back({event.startUs, Ports.ComPort->settings().baud, event.bytes});
    }
    std::vector<SentFrame> sent;
};

class FinderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model.setAddress(17);
        model.setFirmware("RVX82A V1.10");
        responder.checkLineSpeed = true;
        responder.OnEvent = [this](const Event& e) { events.push_back(e.json()); };
        rig.platform.OnPortCreated = [this](VirtualPort& port) { responder.attach(port); };
        rig.slaveId = 17;
        rig.start();
        Host.frameObserver = &wire;
        finder.OnSearchEnd = [this](SearchEnd end) { ends.push_back(end); };
        finder.OnRescueEnd = [this](RescueEnd end, const FoundAnalyzer&) {
            rescues.push_back(end);
        };
    }

    bool searched(int64_t maxMs) {
        return rig.runUntil([this] { return !ends.empty(); }, maxMs);
    }
    // The scan's own requests, once it polls again.
    bool scanPollsAgain() {
        DB_Modbus.InputRegistersValid = false;
        return rig.runUntil([] { return DB_Modbus.InputRegistersValid; }, 5000);
    }
    std::vector<int> addressesAsked(uint8_t function) const {
        std::vector<int> asked;
        for (const SentFrame& f : wire.sent) {
            if (f.bytes[1] == function && !(f.bytes[0] == 17 && f.bytes.size() == 8 &&
                                            f.bytes[5] == 44))  // not the scan's 44 registers
                asked.push_back(f.bytes[0]);
        }
        return asked;
    }

    test::EngineHarness rig{17};
    DeviceModel model;
    RtuResponder responder{model, rig.platform.clock};
    Wire wire;
    AnalyzerFinder finder{rig.platform};
    std::vector<SearchEnd> ends;
    std::vector<RescueEnd> rescues;
    std::vector<std::string> events;
};

}  // namespace

TEST_F(FinderTest, SweepAsksEveryAddressForOneRegisterAndReadsTheFirmwareOfTheOneThatAnswers) {
    ASSERT_TRUE(scanPollsAgain());
    wire.sent.clear();
    finder.search(1, 247, false);
    ASSERT_TRUE(searched(120000));
    EXPECT_EQ(ends, std::vector<SearchEnd>{SearchEnd::Done});

    ASSERT_EQ(finder.sweep()->found().size(), 1u);
    const FoundAnalyzer& found = finder.sweep()->found()[0];
    EXPECT_EQ(found.address, 17);
    EXPECT_EQ(found.baud, 9600);
    EXPECT_EQ(found.firmware, "RVX82A V1.10");

    // One input register from address 0, at every address in turn.
    ASSERT_GE(wire.sent.size(), 248u);
    EXPECT_EQ(wire.sent[0].bytes, (Bytes{0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA}));
    std::vector<int> expected;
    for (int a = 1; a <= 247; ++a)
        expected.push_back(a);
    EXPECT_EQ(addressesAsked(0x04), expected);
    // The firmware text as an upload reads it: 25 registers from address 27.
    const auto firmwareRead = std::find_if(wire.sent.begin(), wire.sent.end(),
                                           [](const SentFrame& f) { return f.bytes[1] == 0x03; });
    ASSERT_NE(firmwareRead, wire.sent.end());
    EXPECT_EQ(Bytes(firmwareRead->bytes.begin(), firmwareRead->bytes.end() - 2),
              (Bytes{17, 0x03, 0x00, 27, 0x00, 25}));
    EXPECT_EQ(addressesAsked(0x03), std::vector<int>{17});
}

TEST_F(FinderTest, AnAddressThatDoesNotAnswerCostsFiveTicksAt9600Baud) {
    // Request and answer take one tick each on the wire at 9600 baud, the
    // end-of-frame silence one, the analyzer's allowance two: 275 ms.
    finder.search(1, 4, false);
    ASSERT_TRUE(searched(10000));
    ASSERT_GE(wire.sent.size(), 4u);
    const size_t firstProbe = wire.sent.size() - 4;  // the scan's frames come first
    for (size_t i = firstProbe + 1; i < firstProbe + 4; ++i)
        EXPECT_EQ(wire.sent[i].us - wire.sent[i - 1].us, 275000) << "request " << i;
}

TEST_F(FinderTest, PollingPausesWhileTheFinderAsksAndResumesAfter) {
    ASSERT_TRUE(scanPollsAgain());
    finder.search(10, 20, false);
    ASSERT_TRUE(
        rig.runUntil([this] { return finder.state() == AnalyzerFinder::State::Searching; }, 2000));
    EXPECT_FALSE(rig.pollTimer->enabled());
    const auto scanRequests = [this] {
        return std::count_if(wire.sent.begin(), wire.sent.end(),
                             [](const SentFrame& f) { return f.bytes[5] == 44; });
    };
    const auto before = scanRequests();
    ASSERT_TRUE(searched(60000));
    EXPECT_EQ(scanRequests(), before) << "no scan request while the finder asked";
    // Its silent addresses left no trace in the scan's status or error hook.
    EXPECT_FALSE(rig.status.saw("No response from slave device."));
    EXPECT_TRUE(rig.pollTimer->enabled());
    EXPECT_TRUE(scanPollsAgain());
}

TEST_F(FinderTest, CancelInTheMiddleStopsAfterTheRequestOutAndGivesTheLineBack) {
    finder.search(1, 247, true);
    ASSERT_TRUE(rig.runUntil([this] { return finder.sweep()->asked() >= 100; }, 120000));
    finder.cancel();
    EXPECT_TRUE(finder.cancelling());
    ASSERT_TRUE(searched(2000));
    EXPECT_EQ(ends, std::vector<SearchEnd>{SearchEnd::Cancelled});
    EXPECT_EQ(finder.sweep()->asked(), 100);
    const size_t sentAtEnd = wire.sent.size();
    EXPECT_EQ(wire.sent.back().bytes[0], 101) << "the last request out was the 101st address";
    EXPECT_EQ(Ports.ComPort->settings().baud, 9600);
    EXPECT_TRUE(scanPollsAgain());
    for (size_t i = sentAtEnd; i < wire.sent.size(); ++i)
        EXPECT_EQ(wire.sent[i].bytes[5], 44) << "only the scan asks after a cancel";
}

TEST_F(FinderTest, UnpluggedAdapterEndsTheSearchAndThePortReopensAt9600) {
    finder.search(1, 247, true);
    ASSERT_TRUE(rig.runUntil([this] { return finder.sweep()->asked() >= 250; }, 200000));
    ASSERT_EQ(rig.port().settings().baud, 19200);
    rig.port().unplug();
    ASSERT_TRUE(searched(2000));
    EXPECT_EQ(ends, std::vector<SearchEnd>{SearchEnd::PortLost});
    EXPECT_EQ(rig.port().settings().baud, 9600);
    EXPECT_TRUE(rig.pollTimer->enabled());
    rig.port().replug();
    EXPECT_TRUE(scanPollsAgain());
}

TEST_F(FinderTest, AnalyzerAt19200IsFoundOnlyByTheBaudSearchAndTheRescueBringsItBackTo9600) {
    model.setBaud(19200);
    rig.runMs(3000);
    EXPECT_TRUE(rig.status.saw("No response from slave device.")) << "lost at 9600 baud";

    finder.search(15, 19, false);
    ASSERT_TRUE(searched(20000));
    EXPECT_TRUE(finder.sweep()->found().empty()) << "nothing answers at 9600 baud";

    ends.clear();
    wire.sent.clear();
    finder.search(15, 19, true);
    ASSERT_TRUE(searched(60000));
    EXPECT_EQ(ends, std::vector<SearchEnd>{SearchEnd::Done});
    ASSERT_EQ(finder.sweep()->found().size(), 1u);
    const FoundAnalyzer found = finder.sweep()->found()[0];
    EXPECT_EQ(found.address, 17);
    EXPECT_EQ(found.baud, 19200);
    EXPECT_EQ(found.firmware, "RVX82A V1.10");
    // 9600 first, then the others from the fastest down, each over the range.
    std::vector<int> rates;
    for (const SentFrame& f : wire.sent) {
        if (f.bytes[1] == 0x04 && f.bytes[5] == 1 && (rates.empty() || rates.back() != f.baud))
            rates.push_back(f.baud);
    }
    EXPECT_EQ(rates, (std::vector<int>{9600, 19200, 4800, 2400, 1200}));
    EXPECT_EQ(rig.port().settings().baud, 9600);

    wire.sent.clear();
    finder.rescue(found);
    ASSERT_TRUE(rig.runUntil([this] { return !rescues.empty(); }, 10000));
    EXPECT_EQ(rescues, std::vector<RescueEnd>{RescueEnd::Rescued});
    EXPECT_EQ(model.baud(), 9600);
    // Read at 19200, written back at 19200 with the code word and 9600
    // baud, then asked at 9600.
    ASSERT_GE(wire.sent.size(), 3u);
    EXPECT_EQ(wire.sent[0].baud, 19200);
    EXPECT_EQ(Bytes(wire.sent[0].bytes.begin(), wire.sent[0].bytes.end() - 2),
              (Bytes{17, 0x03, 0x00, 0x00, 0x00, 27}));
    const Bytes& write = wire.sent[1].bytes;
    EXPECT_EQ(wire.sent[1].baud, 19200);
    EXPECT_EQ(Bytes(write.begin(), write.begin() + 13),
              (Bytes{17, 0x10, 0x00, 0x00, 0x00, 27, 54, 0x69, 0xC9, 0x25, 0x80, 0x00, 17}));
    EXPECT_EQ(wire.sent[2].baud, 9600);
    EXPECT_NE(events.back().find("\"baud\":9600,\"slave_id\":17"), std::string::npos)
        << events.back();
    EXPECT_TRUE(scanPollsAgain());
}

TEST_F(FinderTest, RescueWhoseWriteAnswerIsLostStillFindsTheAnalyzerAt9600) {
    model.setBaud(19200);
    responder.OnReply = [](Bytes& frame) { return frame[1] != 0x10; };
    finder.rescue({17, 19200, {}});
    ASSERT_TRUE(rig.runUntil([this] { return !rescues.empty(); }, 10000));
    EXPECT_EQ(rescues, std::vector<RescueEnd>{RescueEnd::Rescued});
    EXPECT_EQ(model.baud(), 9600);
}

TEST_F(FinderTest, RescueAtARateTheAnalyzerDoesNotTalkFailsAndLeavesThePortAt9600) {
    model.setBaud(19200);
    finder.rescue({17, 4800, {}});
    ASSERT_TRUE(rig.runUntil([this] { return !rescues.empty(); }, 10000));
    EXPECT_EQ(rescues, std::vector<RescueEnd>{RescueEnd::NotRead});
    EXPECT_EQ(model.baud(), 19200);
    EXPECT_EQ(rig.port().settings().baud, 9600);
    EXPECT_TRUE(rig.pollTimer->enabled());
}
