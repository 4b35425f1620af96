// The link's frame observer on the virtual clock: every frame sent and
// collected, with its exact time and outcome, for each way an answer can go
// wrong. At 9600 8N1 a byte takes 1041 us on the line; an answer reaches the
// master in chunks of 16 bytes, each when its last byte has arrived.
#include <tuple>

#include "modbus/FrameObserver.h"
#include "tests/engine/EngineTest.h"

using namespace kestro;
using namespace kestro::test;

namespace {

using Bytes = std::vector<uint8_t>;

class RecordingObserver : public FrameObserver {
  public:
    void onFrame(const FrameEvent& event) override { events.push_back(event); }
    std::vector<FrameEvent> events;
};

// One event expected after the request, its times counted from the moment
// the request was handed to the port.
struct Expected {
    FrameOutcome outcome;
    int exceptionCode;
    int64_t startUs;
    int64_t endUs;
    Bytes bytes;
};

struct ObserverCase {
    const char* name;
    Reply reply;
    std::vector<Expected> after;
};

// The request: input register 1 of slave 1, on the line 8 x 1041 = 8328 us.
const Bytes kRequest = {0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA};
constexpr int64_t kOnLine = 8328;
const Bytes kAnswer = {0x01, 0x04, 0x02, 0x09, 0x1C, 0xBE, 0xA9};
constexpr int64_t kAnswerUs = kOnLine + 7 * 1041;
// No answer: 1 + 18 + 1 ticks of 55 ms after the request.
constexpr int64_t kTimeoutUs = 1100000;

const ObserverCase kCases[] = {
    {"prompt", Reply::prompt(), {{FrameOutcome::Valid, 0, kAnswerUs, kAnswerUs, kAnswer}}},
    {"delayed",
     Reply::delayed(200),
     {{FrameOutcome::Valid, 0, kAnswerUs + 200000, kAnswerUs + 200000, kAnswer}}},
    // Chunks of 3, 3 and 1 bytes with 5 ms of silence between them.
    {"split",
     Reply::split(3, 5),
     {{FrameOutcome::Valid, 0, kOnLine + 3123, kOnLine + 3123 + 5000 + 3123 + 5000 + 1041,
       kAnswer}}},
    {"dropped", Reply::dropped(), {{FrameOutcome::Timeout, 0, kTimeoutUs, kTimeoutUs, {}}}},
    {"exception",
     Reply::exceptionCode(2),
     {{FrameOutcome::Exception,
       2,
       kOnLine + 5 * 1041,
       kOnLine + 5 * 1041,
       {0x01, 0x84, 0x02, 0xC2, 0xC1}}}},
    // A frame refused without ending the wait: the wait then runs out.
    {"other function",
     Reply::withFunction(3),
     {{FrameOutcome::UnexpectedFunction,
       0,
       kAnswerUs,
       kAnswerUs,
       {0x01, 0x03, 0x02, 0x09, 0x1C, 0xBF, 0xDD}},
      {FrameOutcome::Timeout, 0, kTimeoutUs, kTimeoutUs, {}}}},
    {"corrupted",
     Reply::corrupted(3),
     {{FrameOutcome::CrcFailed,
       0,
       kAnswerUs,
       kAnswerUs,
       {0x01, 0x04, 0x02, 0xF6, 0x1C, 0xBE, 0xA9}},
      {FrameOutcome::Timeout, 0, kTimeoutUs, kTimeoutUs, {}}}},
    {"wrong byte count",
     Reply::edited([](Bytes& body) {
         body[2] = 4;
         body.insert(body.end(), {0x00, 0x00});
     }),
     {{FrameOutcome::Invalid,
       0,
       kOnLine + 9 * 1041,
       kOnLine + 9 * 1041,
       {0x01, 0x04, 0x04, 0x09, 0x1C, 0x00, 0x00, 0x39, 0xDE}}}},
    // 64 chunks fill the 1024-byte buffer; the 65th overflows it, and all
    // 1040 bytes are reported. The wait then runs out.
    {"overflow",
     Reply::garbage(Bytes(1040, 0x55)),
     {{FrameOutcome::RxOverflow, 0, kOnLine + 16 * 1041, kOnLine + 1040 * 1041, Bytes(1040, 0x55)},
      {FrameOutcome::Timeout, 0, kTimeoutUs, kTimeoutUs, {}}}},
    // The copy starts 8 ms (the first copy, rounded up) + 300 ms after the
    // request was on the line, long after the first was taken.
    {"repeated",
     Reply::repeated(300),
     {{FrameOutcome::Valid, 0, kAnswerUs, kAnswerUs, kAnswer},
      {FrameOutcome::NotAwaited, 0, kAnswerUs + 308000, kAnswerUs + 308000, kAnswer}}},
};

class ObserverTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        closeDefaultWindow();
        rig.runMs(2000);
        rig.slave.requests.clear();
        rig.slave.inputRegisters[0] = 0x091C;
        Host.frameObserver = &observer;
    }

    // One read of input register 1 answered with `r`, and 2 s of the line
    // after it with nothing more asked.
    void serveOne(Reply r) {
        rig.slave.script.push_back(std::move(r));
        DB_Modbus.InputReadStart = 1;
        DB_Modbus.InputReadCount = 1;
        ASSERT_TRUE(waitForRequests(0x04, requestsFor(0x04).size() + 1));
        DB_Modbus.InputReadCount = 0;
        rig.runMs(2000);
    }

    RecordingObserver observer;
};

}  // namespace

TEST_F(ObserverTest, EveryFrameWithItsTimeAndOutcome) {
    for (const ObserverCase& c : kCases) {
        SCOPED_TRACE(c.name);
        observer.events.clear();
        rig.slave.requests.clear();
        serveOne(c.reply);
        ASSERT_EQ(observer.events.size(), 1 + c.after.size());
        const FrameEvent& sent = observer.events[0];
        EXPECT_EQ(sent.direction, FrameDirection::Sent);
        EXPECT_EQ(sent.outcome, FrameOutcome::Sent);
        EXPECT_EQ(sent.bytes, kRequest);
        EXPECT_EQ(sent.endUs, sent.startUs);
        EXPECT_EQ(rig.slave.requests.at(0).atUs, sent.startUs + kOnLine);
        for (size_t i = 0; i < c.after.size(); ++i) {
            const Expected& want = c.after[i];
            const FrameEvent& got = observer.events[1 + i];
            EXPECT_EQ(got.direction, FrameDirection::Received) << i;
            EXPECT_EQ(got.outcome, want.outcome) << i;
            EXPECT_EQ(got.exceptionCode, want.exceptionCode) << i;
            EXPECT_EQ(got.startUs - sent.startUs, want.startUs) << i;
            EXPECT_EQ(got.endUs - sent.startUs, want.endUs) << i;
            EXPECT_EQ(got.bytes, want.bytes) << i;
        }
    }
}

// The same faults with and without an observer: the same status texts,
// error codes and bytes on the line.
TEST_F(ObserverTest, ListeningChangesNothingTheEngineDoes) {
    auto run = [this](bool listening) {
        Host.frameObserver = listening ? &observer : nullptr;
        rig.status.clear();
        rig.hookCodes.clear();
        const size_t written = rig.port().written.size();
        for (const ObserverCase& c : kCases)
            serveOne(c.reply);
        std::vector<std::string> texts;
        for (const auto& e : rig.status.shown)
            texts.push_back(e.text + (e.red ? " (red)" : ""));
        const Bytes& line = rig.port().written;
        return std::make_tuple(texts, rig.hookCodes,
                               Bytes(line.begin() + long(written), line.end()));
    };
    const auto heard = run(true);
    const auto unheard = run(false);
    EXPECT_EQ(std::get<0>(heard), std::get<0>(unheard));
    EXPECT_EQ(std::get<1>(heard), std::get<1>(unheard));
    EXPECT_EQ(std::get<2>(heard), std::get<2>(unheard));
    EXPECT_FALSE(std::get<0>(heard).empty());
}
