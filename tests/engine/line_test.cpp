// The line as two-wire RS-485 adapters make it: one direction at a time, and
// some adapters hear their own transmission.
#include <ostream>

#include "tests/engine/EngineTest.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class LineTest : public EngineTest {
  protected:
    // Counts the requests that started less than one tick of silence after
    // the last received byte: on a half-duplex line they collide with it.
    void watchForCollisions() {
        VirtualPort& port = rig.port();
        auto available = port.OnTriggerAvail;
        port.OnTriggerAvail = [this, available](int count) {
            lastArrivalMs = rig.nowMs();
            if (available)
                available(count);
        };
        auto transmit = port.OnTransmit;
        port.OnTransmit = [this, transmit](int count) {
            if (lastArrivalMs >= 0 && rig.nowMs() - lastArrivalMs < kTickMs)
                ++collisions;
            if (transmit)
                transmit(count);
        };
    }

    int64_t lastArrivalMs = -1;
    int collisions = 0;
};

// Seen on a real line: after a time-out, the 10h request went out 10 ms
// before the late 04h answer ended.
TEST_F(LineTest, NoRequestStartsWhileALateAnswerIsArriving) {
    watchForCollisions();
    // The first answer starts just before its time-out (1155 ms) and takes
    // about a second to arrive, in pieces closer than one tick.
    Reply late = Reply::delayed(1100);
    late.chunkBytes = 4;
    late.gapMs = 40;
    rig.slave.script.push_back(late);
    ASSERT_TRUE(waitForRequests(0x04, 1));
    const uint16_t values[] = {0x1234};
    PostPresetWrite(101, 1, values);

    ASSERT_TRUE(waitForStatus("No response from slave device."));
    ASSERT_TRUE(waitForRequests(0x10, 1));
    ASSERT_TRUE(waitForStatus("Valid response received <10h>."));
    ASSERT_TRUE(waitForStatus("Valid response received <04h>."));
    EXPECT_EQ(collisions, 0);
}

struct EchoCase {
    const char* name;
    int answerDelayMs;  // silence between the echo and the answer
};

void PrintTo(const EchoCase& echo, std::ostream* os) {
    *os << echo.name;
}

class EchoTest : public LineTest, public ::testing::WithParamInterface<EchoCase> {};

// The adapter hears the request; the answer follows at once (one frame with
// the echo) or after a pause (two frames).
TEST_P(EchoTest, AnEchoOfTheRequestIsDroppedAndTheAnswerRead) {
    rig.slave.inputRegisters[0] = 0x0102;
    rig.slave.standing = Reply::delayed(GetParam().answerDelayMs);
    rig.slave.onRequest = [this](const SlaveRequest& request) {
        rig.port().sendToMaster(request.frame);
    };
    rig.status.clear();
    ASSERT_TRUE(waitForRequests(0x04, 3));
    ASSERT_TRUE(waitForStatus("Valid response received <04h>."));
    EXPECT_EQ(DB_Modbus.InputRegisterTable[0], 0x0102);
    EXPECT_FALSE(rig.status.saw("Receive CRC check failed."));
    EXPECT_FALSE(rig.status.saw("No response from slave device."));
    EXPECT_FALSE(rig.status.saw("Unexpected response received."));
}

INSTANTIATE_TEST_SUITE_P(Echoes, EchoTest,
                         ::testing::Values(EchoCase{"AnswerRightAfterTheEcho", 0},
                                           EchoCase{"AnswerAfterAPause", 150}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
