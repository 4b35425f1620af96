// The transmit state machine: what goes on the wire, in which order and when.
#include <algorithm>
#include <functional>
#include <numeric>

#include "modbus/Crc.h"
#include "tests/engine/EngineTest.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class ScanTest : public EngineTest {};

const std::vector<uint8_t> kStandingRequest = {0x01, 0x04, 0x00, 0x00, 0x00, 0x2C, 0xF1, 0xD7};

}  // namespace

TEST_F(ScanTest, DefaultScanSendsOnlyTheStandingRequest) {
    ASSERT_TRUE(waitForRequests(0x04, 4));
    const std::vector<uint8_t>& written = rig.port().written;
    ASSERT_EQ(written.size() % kStandingRequest.size(), 0u);
    for (size_t at = 0; at < written.size(); at += kStandingRequest.size())
        EXPECT_TRUE(
            std::equal(kStandingRequest.begin(), kStandingRequest.end(), written.begin() + at))
            << "frame at byte " << at;
    const auto query =
        std::find_if(rig.status.shown.begin(), rig.status.shown.end(),
                     [](const auto& e) { return e.text == "Query <04h> issued..."; });
    ASSERT_NE(query, rig.status.shown.end());
    EXPECT_FALSE(query->red);
    EXPECT_TRUE(rig.status.saw("Valid response received <04h>."));
}

// From the tick R that sends the request, with a prompt slave at 9600 baud:
//   R       state 4 sends 8 bytes; the 93-byte answer is complete 105 ms
//           later and the end-of-frame silence ends 55 ms after that
//   R+1     still awaiting the answer
//   R+2     the answer is processed; the step is done
//   R+3     4 -> 5      R+4   5 skipped     R+5   5 -> 6    R+6  6 skipped
//   R+7     6 -> 15     R+8   15 skipped    R+9   15 -> 16  R+10 16 skipped
//   R+11    16 -> 0     R+12  0 -> 1        R+13  1 skipped R+14 1 -> 2
//   R+15    2 skipped   R+16  2 -> 3        R+17  3 skipped
//   R+18    3 -> 4, the poll delay of one port tick (55 ms) is armed
//   R+19    state 4 sends the next request
TEST_F(ScanTest, OneScanTakesNineteenPollTicks) {
    std::vector<uint64_t> ticksAtRequest;
    rig.slave.onRequest = [&](const SlaveRequest&) { ticksAtRequest.push_back(rig.pollTicks); };
    ASSERT_TRUE(waitForRequests(0x04, 4));
    const auto& requests = rig.slave.requests;
    for (size_t i = 1; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].atUs - requests[i - 1].atUs, 19 * 100000) << "scan " << i;
        EXPECT_EQ(ticksAtRequest[i] - ticksAtRequest[i - 1], 19u) << "scan " << i;
    }
}

TEST_F(ScanTest, InputWindowOf250IsReadAs120And120And10) {
    DB_Modbus.InputReadCount = 250;
    for (int i = 0; i < 260; ++i)
        rig.slave.inputRegisters[i] = uint16_t(1000 + 3 * i);
    ASSERT_TRUE(
        rig.runUntil([&] { return requestsFor(0x04).size() == 3 && Ports.StepDone; }, 10000));
    const auto requests = requestsFor(0x04);
    const uint16_t starts[] = {0, 120, 240}, counts[] = {120, 120, 10};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(requests[i].start, starts[i]) << i;
        EXPECT_EQ(requests[i].count, counts[i]) << i;
    }
    for (int i = 0; i < 250; ++i)
        ASSERT_EQ(DB_Modbus.InputRegisterTable[i], 1000 + 3 * i) << i;
    EXPECT_EQ(DB_Modbus.InputRegisterTable[250], 0);
    EXPECT_TRUE(DB_Modbus.InputRegistersValid);
}

TEST_F(ScanTest, CoilWindowOf1000IsReadAs960Then40) {
    closeDefaultWindow();
    DB_Modbus.CoilReadCount = 1000;
    for (int i = 0; i < 1000; ++i)
        rig.slave.coils[i] = i % 3 == 0;
    ASSERT_TRUE(
        rig.runUntil([&] { return requestsFor(0x01).size() == 2 && Ports.StepDone; }, 10000));
    const auto requests = requestsFor(0x01);
    EXPECT_EQ(requests[0].start, 0);
    EXPECT_EQ(requests[0].count, 960);
    EXPECT_EQ(requests[1].start, 960);
    EXPECT_EQ(requests[1].count, 40);
    EXPECT_TRUE(rig.status.saw("Query <read coil status> issued... Params <SA:1> <NOP:960>"));
    EXPECT_TRUE(rig.status.saw("Query <read coil status> issued... Params <SA:961> <NOP:40>"));
    for (int k = 0; k < 1000; ++k)
        ASSERT_EQ(StatusPoint(DB_Modbus.CoilStatusTable, k), k % 3 == 0) << k;
    EXPECT_TRUE(DB_Modbus.CoilDataValid);
}

TEST_F(ScanTest, PresetOf27RegistersGoesOutAsOneRequest) {
    std::vector<uint16_t> values(27);
    std::iota(values.begin(), values.end(), uint16_t(0x4B00));
    PostPresetWrite(1, 27, values.data());
    DB_Modbus.RequestPending = true;
    ASSERT_TRUE(rig.runUntil([] { return !DB_Modbus.RequestPending; }, 10000));

    const auto writes = requestsFor(0x10);
    ASSERT_EQ(writes.size(), 1u);
    const std::vector<uint8_t>& frame = writes[0].frame;
    EXPECT_EQ(writes[0].start, 0);
    EXPECT_EQ(writes[0].count, 27);
    ASSERT_EQ(frame.size(), 9u + 54u);
    EXPECT_EQ(frame[6], 54);
    for (int i = 0; i < 27; ++i) {
        EXPECT_EQ(frame[7 + 2 * i] << 8 | frame[8 + 2 * i], values[i]) << i;
        EXPECT_EQ(rig.slave.holdingRegisters[i], values[i]) << i;
    }
    EXPECT_FALSE(DB_Modbus.PresetFailed);
    EXPECT_FALSE(DB_Modbus.PresetArmed);
    EXPECT_TRUE(rig.status.saw("Query <10h> issued..."));
    EXPECT_TRUE(rig.status.saw("Valid response received <10h>."));
}

TEST_F(ScanTest, JumpRequestedWhileState4AwaitsGoesTo16Next) {
    const uint16_t block[2] = {40617, 2};
    rig.slave.onRequest = [&](const SlaveRequest& r) {
        if (r.function == 0x04 && requestsFor(0x10).empty())
            PostPresetWrite(201, 2, block);
    };
    std::vector<int> states;
    rig.afterPollTick = [&] {
        if (states.empty() || states.back() != Ports.TxState)
            states.push_back(Ports.TxState);
    };
    ASSERT_TRUE(waitForRequests(0x10, 1));
    const auto& requests = rig.slave.requests;
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].function, 0x04);
    EXPECT_EQ(requests.back().function, 0x10);
    const auto four = std::find(states.begin(), states.end(), 4);
    ASSERT_NE(four, states.end());
    ASSERT_NE(four + 1, states.end());
    EXPECT_EQ(*(four + 1), 16);
    ASSERT_TRUE(rig.runUntil([] { return Ports.TxState != 16; }, 5000));
    EXPECT_EQ(Ports.TxState, 0);
}

TEST_F(ScanTest, NothingToDoCyclesWithoutSending) {
    closeDefaultWindow();
    int scans = 0;
    rig.afterPollTick = [&] { scans += Ports.TxState == 0; };
    rig.runMs(10000);
    EXPECT_TRUE(rig.port().written.empty());
    // 100 ticks; a scan is state 0 in one tick and eight states skipped in
    // two ticks each.
    EXPECT_GE(scans, 100 / 17);
}

TEST_F(ScanTest, NothingLeavesWhileThePortIsNotOpen) {
    Ports.PortOpen = false;
    rig.runMs(5000);
    EXPECT_TRUE(rig.port().written.empty());
    EXPECT_EQ(Ports.TxState, 0);
}

// A wrong JumpState must not stall the scan for the rest of the run.
// The queries that name their first address (SA) and number of points
// (NOP), in decimal, shown in black as each request goes out.
TEST(QueryTexts, NameTheirFirstAddressAndPoints) {
    const struct {
        const char* name;
        std::function<void()> open;
        std::vector<std::string> texts;
    } cases[] = {
        {"01h in two chunks",
         [] {
             DB_Modbus.CoilReadStart = 1;
             DB_Modbus.CoilReadCount = 1000;
         },
         {"Query <read coil status> issued... Params <SA:1> <NOP:960>",
          "Query <read coil status> issued... Params <SA:961> <NOP:40>"}},
        {"02h",
         [] {
             DB_Modbus.InputStatusReadStart = 3;
             DB_Modbus.InputStatusReadCount = 20;
         },
         {"Query <read input status> issued... Params <SA:3> <NOP:20>"}},
        {"05h",
         [] {
             DB_Modbus.CoilReadCount = 8;
             DB_Modbus.CoilWriteStart = 7;
             DB_Modbus.SingleCoilValue = true;
             DB_Modbus.SingleCoilArmed = true;
         },
         {"Query <force single coil> issued... Params <SA:7> <NOP:1>"}},
        {"06h",
         [] {
             DB_Modbus.HoldingReadCount = 4;
             DB_Modbus.PresetStart = 9;
             DB_Modbus.SingleRegisterValue = 0x1234;
             DB_Modbus.SingleRegisterArmed = true;
         },
         {"Query <preset single register> issued... Params <SA:9> <NOP:1>"}},
        {"0Fh",
         [] {
             DB_Modbus.CoilReadCount = 8;
             DB_Modbus.CoilWriteStart = 2;
             DB_Modbus.CoilWriteCount = 10;
             DB_Modbus.CoilsArmed = true;
         },
         {"Query <force multiple coils> issued... Params <SA:2> <NOP:10>"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineHarness rig;
        rig.start();
        DB_Modbus.InputReadCount = 0;
        c.open();
        for (const std::string& text : c.texts) {
            ASSERT_TRUE(rig.runUntil([&] { return rig.status.saw(text); }, 20000)) << text;
            const auto shown = std::find_if(rig.status.shown.begin(), rig.status.shown.end(),
                                            [&](const auto& e) { return e.text == text; });
            EXPECT_FALSE(shown->red) << text;
        }
    }
}

TEST_F(ScanTest, UnknownStateIsReportedAndTheScanStartsOver) {
    Ports.JumpState = 7;
    Ports.JumpRequest = true;
    ASSERT_TRUE(waitForStatus("Fatal error. Invalid Tx state."));
    EXPECT_FALSE(rig.status.lastRed());
    ASSERT_TRUE(waitForRequests(0x04, 2));
    EXPECT_EQ(std::count(rig.hookCodes.begin(), rig.hookCodes.end(), 4), 1);
    EXPECT_EQ(
        std::count_if(rig.status.shown.begin(), rig.status.shown.end(),
                      [](const auto& e) { return e.text == "Fatal error. Invalid Tx state."; }),
        1);
}

// An upload opening its window just after state 3 began finds nothing
// loaded for it yet: no request for zero registers, the window is read in
// full on the next pass.
TEST_F(ScanTest, WindowOpenedJustAfterItsStateBeganIsReadInFullNextTime) {
    bool opened = false;
    rig.afterPollTick = [&] {
        if (!opened && Ports.TxState == 3 && !Ports.StepDone) {
            OpenHoldingRead(1, 52);
            opened = true;
        }
    };
    for (int i = 0; i < 52; ++i)
        rig.slave.holdingRegisters[i] = uint16_t(7 * i + 1);
    ASSERT_TRUE(rig.runUntil([&] { return opened && !DB_Modbus.RequestPending; }, 10000));
    const auto reads = requestsFor(0x03);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].count, 52);
    EXPECT_TRUE(DB_Modbus.HoldingRegistersValid);
    for (int i = 0; i < 52; ++i)
        EXPECT_EQ(DB_Modbus.HoldingRegisterTable[i], 7 * i + 1) << i;
}

// A repeated answer to the first chunk, complete before the second chunk's
// request leaves, must not be stored as the second chunk.
TEST_F(ScanTest, FrameCompleteBeforeARequestIsNotItsAnswer) {
    DB_Modbus.InputReadCount = 240;
    for (int i = 0; i < 240; ++i)
        rig.slave.inputRegisters[i] = uint16_t(i + 1);
    rig.pollTimer->setEnabled(false);
    auto step = [&] {
        PollTick();
        rig.runMs(100);
    };
    std::vector<uint8_t> firstAnswer;
    rig.slave.onRequest = [&](const SlaveRequest& r) {
        if (!firstAnswer.empty())
            return;
        firstAnswer = {0x01, 0x04, 240};
        for (int i = 0; i < 120; ++i) {
            firstAnswer.push_back(uint8_t((r.start + i + 1) >> 8));
            firstAnswer.push_back(uint8_t((r.start + i + 1) & 0xFF));
        }
        firstAnswer = WithCrc(firstAnswer);
    };
    for (int i = 0; i < 40 && !(DB_Modbus.Remaining == 120 && !Ports.AwaitingResponse); ++i)
        step();
    ASSERT_EQ(DB_Modbus.Remaining, 120);
    ASSERT_FALSE(Ports.AwaitingResponse);

    rig.port().sendToMaster(firstAnswer);
    rig.runMs(400);
    ASSERT_TRUE(Ports.FrameReceived);
    PollTick();  // sends the second chunk
    EXPECT_TRUE(Ports.AwaitingResponse);
    EXPECT_EQ(DB_Modbus.InputRegisterTable[120], 0);

    for (int i = 0; i < 40 && Ports.AwaitingResponse; ++i)
        step();
    for (int i = 0; i < 240; ++i)
        ASSERT_EQ(DB_Modbus.InputRegisterTable[i], i + 1) << i;
}

// The user picks another port 60 ms after state 1 was skipped. Were the
// poll ticks inside the change's two pauses to run the scan, state 4 would
// be entered at the last tick of the first pause, its poll delay would
// expire on the old port before that pause ends, and the first tick of the
// second pause would send on the new port before its triggers exist: no
// time-out, and the scan would wait for ever.
TEST_F(ScanTest, PortChangeSendsNothingUntilTheNewPortIsReady) {
    bool scheduled = false, changed = false;
    size_t writtenDuringChange = 0;
    rig.afterPollTick = [&] {
        if (scheduled || Ports.TxState != 1 || !Ports.StepDone)
            return;
        scheduled = true;
        rig.platform.clock.afterMs(60, [&] {
            OpenPort(2);
            writtenDuringChange = rig.port().written.size();
            changed = true;
        });
    };
    ASSERT_TRUE(rig.runUntil([&] { return changed; }, 10000));
    rig.status.clear();
    ASSERT_TRUE(waitForStatus("Valid response received <04h>.", 5000));
    EXPECT_EQ(writtenDuringChange, 0u);
    EXPECT_EQ(rig.status.port, "COM2,9600,N,8,1");
}
