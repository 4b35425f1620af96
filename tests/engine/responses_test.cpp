// Response checking: what each answer stores, sets and clears, and what it
// shows on the status line.
#include <algorithm>

#include "modbus/Crc.h"
#include "tests/engine/EngineTest.h"

using namespace kestro;
using namespace kestro::test;

namespace {

using Body = std::vector<uint8_t>;

constexpr uint16_t kInvalidBit = 1u << 1;

int countShown(const StatusRecorder& status, const std::string& text) {
    return int(std::count_if(status.shown.begin(), status.shown.end(),
                             [&](const auto& e) { return e.text == text; }));
}

int countCodes(const std::vector<int>& codes, int code) {
    return int(std::count(codes.begin(), codes.end(), code));
}

// One function served by the real engine: `open` asks for it after start (a
// read's valid flag primed against the outcome expected, a write's failed
// flag cleared as the requester does), `spoil` makes the answer invalid,
// `expect` checks the flags and data once the answer was handled.
struct HandlerCase {
    uint8_t function;
    std::function<void(ScriptedSlave&, bool valid)> open;
    std::function<void(Body&)> spoil;
    const char* validText;
    const char* invalidText;
    std::function<void(const ScriptedSlave&, bool valid)> expect;
};

void closeDefault() {
    DB_Modbus.InputReadCount = 0;
}

// The single and multiple writes are served without any read window open.
const HandlerCase kHandlerCases[] = {
    {0x01,
     [](ScriptedSlave& s, bool valid) {
         closeDefault();
         DB_Modbus.CoilReadCount = 10;
         s.coils[0] = s.coils[2] = s.coils[9] = 1;
         DB_Modbus.CoilDataValid = !valid;
     },
     // Ten coils: bits 2 to 7 of the second byte must be clear.
     [](Body& b) { b[4] |= 0x04; }, "Valid response received <read coil status>.",
     "Invalid response received <read coil status>.",
     [](const ScriptedSlave&, bool valid) {
         EXPECT_EQ(DB_Modbus.CoilDataValid, valid);
         const uint8_t* t = DB_Modbus.CoilStatusTable;
         const bool stored =
             StatusPoint(t, 0) && !StatusPoint(t, 1) && StatusPoint(t, 2) && StatusPoint(t, 9);
         const bool untouched =
             std::all_of(t, t + kStatusTableSize, [](uint8_t b) { return b == 0; });
         EXPECT_TRUE(valid ? stored : untouched);
     }},
    {0x02,
     [](ScriptedSlave& s, bool valid) {
         closeDefault();
         DB_Modbus.InputStatusReadCount = 10;
         s.discreteInputs[1] = s.discreteInputs[8] = 1;
         DB_Modbus.InputStatusValid = !valid;
     },
     [](Body& b) { b[4] |= 0x80; }, "Valid response received <read input status>.",
     "Invalid response received <read input status>.",
     [](const ScriptedSlave&, bool valid) {
         EXPECT_EQ(DB_Modbus.InputStatusValid, valid);
         const uint8_t* t = DB_Modbus.InputStatusTable;
         EXPECT_EQ(StatusPoint(t, 1) && StatusPoint(t, 8) && !StatusPoint(t, 0), valid);
     }},
    {0x03,
     [](ScriptedSlave& s, bool valid) {
         closeDefault();
         OpenHoldingRead(1, 52);
         s.holdingRegisters[51] = 0xBEEF;
         DB_Modbus.HoldingRegistersValid = !valid;
     },
     // A byte count that is not twice the registers asked for.
     [](Body& b) {
         b[2] = 100;
         b.resize(3 + 100);
     },
     "Valid response received <03h>.", "Invalid response received <read holding registers>.",
     [](const ScriptedSlave&, bool valid) {
         EXPECT_EQ(DB_Modbus.HoldingRegistersValid, valid);
         EXPECT_FALSE(DB_Modbus.RequestPending);
         EXPECT_EQ(DB_Modbus.HoldingRegisterTable[51], valid ? 0xBEEF : 0);
     }},
    {0x04,
     [](ScriptedSlave& s, bool valid) {
         s.inputRegisters[43] = 0x1234;
         DB_Modbus.InputRegistersValid = !valid;
     },
     [](Body& b) {
         b[2] = 86;
         b.resize(3 + 86);
     },
     "Valid response received <04h>.", "Invalid response received <read input registers>.",
     [](const ScriptedSlave&, bool valid) {
         EXPECT_EQ(DB_Modbus.InputRegistersValid, valid);
         EXPECT_EQ(DB_Modbus.InputRegisterTable[43], valid ? 0x1234 : 0);
     }},
    {0x05,
     [](ScriptedSlave&, bool) {
         closeDefault();
         DB_Modbus.CoilWriteStart = 5;
         DB_Modbus.SingleCoilValue = true;
         DB_Modbus.SingleCoilFailed = false;
         DB_Modbus.SingleCoilArmed = true;
     },
     // An echo of 0000h for a request to switch the coil on.
     [](Body& b) { b[4] = b[5] = 0; }, "Valid response received <force single coil>.",
     "Invalid response received <force single coil>.",
     [](const ScriptedSlave& s, bool valid) {
         EXPECT_FALSE(DB_Modbus.SingleCoilArmed);
         EXPECT_EQ(DB_Modbus.SingleCoilFailed, !valid);
         EXPECT_EQ(s.coils[4], 1);
     }},
    {0x06,
     [](ScriptedSlave&, bool) {
         closeDefault();
         DB_Modbus.PresetStart = 7;
         DB_Modbus.SingleRegisterValue = 0x1234;
         DB_Modbus.SingleRegisterFailed = false;
         DB_Modbus.SingleRegisterArmed = true;
     },
     [](Body& b) { b[5] ^= 1; }, "Valid response received <preset single register>.",
     "Invalid response received <preset single register>.",
     [](const ScriptedSlave& s, bool valid) {
         EXPECT_FALSE(DB_Modbus.SingleRegisterArmed);
         EXPECT_EQ(DB_Modbus.SingleRegisterFailed, !valid);
         EXPECT_EQ(s.holdingRegisters[6], 0x1234);
     }},
    {0x0F,
     [](ScriptedSlave&, bool) {
         closeDefault();
         SetStatusPoint(DB_Modbus.CoilStatusTable, 3, true);
         SetStatusPoint(DB_Modbus.CoilStatusTable, 17, true);
         DB_Modbus.CoilWriteStart = 1;
         DB_Modbus.CoilWriteCount = 20;
         DB_Modbus.CoilsFailed = false;
         DB_Modbus.CoilsArmed = true;
     },
     [](Body& b) { b[5] = 19; }, "Valid response received <force multiple coils>.",
     "Invalid response received <force multiple coils>.",
     [](const ScriptedSlave& s, bool valid) {
         EXPECT_FALSE(DB_Modbus.CoilsArmed);
         EXPECT_EQ(DB_Modbus.CoilsFailed, !valid);
         EXPECT_TRUE(s.coils[3] && s.coils[17] && !s.coils[4]);
     }},
    {0x10,
     [](ScriptedSlave&, bool) {
         closeDefault();
         const uint16_t values[3] = {1, 2, 3};
         PostPresetWrite(1, 3, values);
         DB_Modbus.PresetFailed = false;
         DB_Modbus.RequestPending = true;
     },
     [](Body& b) { b[3] = 5; }, "Valid response received <10h>.",
     "Invalid response received <preset multiple registers>.",
     [](const ScriptedSlave& s, bool valid) {
         EXPECT_FALSE(DB_Modbus.PresetArmed);
         EXPECT_EQ(DB_Modbus.PresetFailed, !valid);
         EXPECT_FALSE(DB_Modbus.RequestPending);
         EXPECT_EQ(s.holdingRegisters[2], 3);
     }},
};

}  // namespace

TEST(ResponseHandlers, EachFunctionValidAndInvalid) {
    for (const HandlerCase& c : kHandlerCases) {
        for (const bool valid : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << "function " << int(c.function) << (valid ? " valid" : " invalid"));
            EngineHarness rig;
            rig.start();
            c.open(rig.slave, valid);
            if (!valid)
                rig.slave.standing = Reply::edited(c.spoil);
            const std::string text = valid ? c.validText : c.invalidText;
            ASSERT_TRUE(rig.runUntil([&] { return rig.status.saw(text); }, 10000));
            EXPECT_EQ(rig.status.last(), text);
            EXPECT_EQ(rig.status.lastRed(), !valid);
            EXPECT_EQ(rig.slave.requests.back().function, c.function);
            EXPECT_FALSE(Ports.AwaitingResponse);
            EXPECT_EQ((DB_Modbus.ErrorLatch & kInvalidBit) != 0, !valid);
            EXPECT_EQ(countCodes(rig.hookCodes, 9), valid ? 0 : 1);
            c.expect(rig.slave, valid);
        }
    }
}

namespace {

class ResponseTest : public EngineTest {
  protected:
    // A preset write that the slave answers with `reply`; returns once the
    // engine has ended it.
    void postWriteAnsweredWith(Reply reply) {
        closeDefaultWindow();
        rig.slave.standing = std::move(reply);
        const uint16_t values[2] = {40617, 1};
        PostPresetWrite(201, 2, values);
        DB_Modbus.RequestPending = true;
        ASSERT_TRUE(rig.runUntil([] { return !DB_Modbus.RequestPending; }, 10000));
    }
};

struct ExceptionCase {
    int code;
    int kind;
    const char* text;
};

const ExceptionCase kExceptionCases[] = {
    {1, 2, "Exception response received <illegal function>."},
    {2, 3, "Exception response received <data address>."},
    {3, 4, "Exception response received <data value>."},
    {6, 5, "Exception response received <busy>."},
    {7, 6, "Exception response received <nack>."},
};

}  // namespace

TEST(ExceptionResponses, EndTheTransactionWithTheirText) {
    for (const ExceptionCase& c : kExceptionCases) {
        SCOPED_TRACE(c.code);
        EngineHarness rig;
        rig.start();
        DB_Modbus.InputReadCount = 0;
        rig.slave.standing = Reply::exceptionCode(c.code);
        const uint16_t values[2] = {40617, 1};
        PostPresetWrite(201, 2, values);
        DB_Modbus.RequestPending = true;
        ASSERT_TRUE(rig.runUntil([] { return !DB_Modbus.RequestPending; }, 10000));
        EXPECT_EQ(rig.status.last(), c.text);
        EXPECT_TRUE(rig.status.lastRed());
        EXPECT_TRUE(DB_Modbus.PresetFailed);
        EXPECT_FALSE(DB_Modbus.PresetArmed);
        EXPECT_FALSE(Ports.AwaitingResponse);
        EXPECT_EQ(DB_Modbus.ErrorLatch, 1u << c.kind);
        EXPECT_EQ(rig.hookCodes, std::vector<int>{c.kind + 8});
    }
}

// A frame whose function byte is the current state, in a state that has no
// handler: the idle state 0, or an unknown state.
TEST_F(ResponseTest, AFrameForAStateWithoutAHandlerIsAnInvalidRxState) {
    for (const uint8_t state : {0, 7}) {
        SCOPED_TRACE(int(state));
        rig.hookCodes.clear();
        Ports.TxState = state;
        Ports.AwaitingResponse = true;
        const std::vector<uint8_t> frame = WithCrc({0x01, state, 0x02, 0x00, 0x00});
        std::copy(frame.begin(), frame.end(), Ports.RxBuffer);
        Ports.RxCount = int(frame.size());
        ProcessResponse();
        EXPECT_EQ(rig.hookCodes, std::vector<int>{5});
        EXPECT_EQ(rig.status.last(), "Fatal error. Invalid Rx state.");
        EXPECT_TRUE(rig.status.lastRed());
    }
}

TEST_F(ResponseTest, ExceptionCode4EndsTheTransactionSilently) {
    postWriteAnsweredWith(Reply::exceptionCode(4));
    EXPECT_EQ(rig.status.last(), "Query <10h> issued...");
    EXPECT_TRUE(DB_Modbus.PresetFailed);
    EXPECT_FALSE(Ports.AwaitingResponse);
    EXPECT_TRUE(Ports.StepDone || Ports.TxState != 16);
    EXPECT_EQ(DB_Modbus.ErrorLatch, 0);
    EXPECT_TRUE(rig.hookCodes.empty());
}

// Also the silent code 4: an upload must not take the older contents of
// the holding table for this answer.
TEST(ExceptionResponses, ExceptionToAReadClearsItsValidFlag) {
    for (const int code : {2, 4}) {
        SCOPED_TRACE(code);
        EngineHarness rig;
        rig.start();
        DB_Modbus.InputReadCount = 0;
        rig.slave.standing = Reply::exceptionCode(code);
        OpenHoldingRead(1, 52);
        DB_Modbus.HoldingRegistersValid = true;
        ASSERT_TRUE(rig.runUntil([] { return !DB_Modbus.RequestPending; }, 10000));
        EXPECT_FALSE(DB_Modbus.HoldingRegistersValid);
        EXPECT_EQ(rig.status.last(), code == 2 ? "Exception response received <data address>."
                                               : "Query <03h> issued...");
    }
}

// The echo of a force single coil is the request itself.
TEST_F(ResponseTest, SingleCoilEchoMustRepeatTheValueSent) {
    closeDefaultWindow();
    DB_Modbus.CoilWriteStart = 9;
    DB_Modbus.SingleCoilValue = false;
    DB_Modbus.SingleCoilArmed = true;
    rig.slave.standing = Reply::edited([](Body& b) {
        b[4] = 0x12;
        b[5] = 0x34;
    });
    ASSERT_TRUE(waitForStatus("Invalid response received <force single coil>."));
    EXPECT_TRUE(DB_Modbus.SingleCoilFailed);
}

// A bad CRC or an unexpected function leaves the transaction open: a good
// frame is still taken, and otherwise the time-out ends it.
struct OpenCase {
    const char* name;
    Reply reply;
    const char* text;
    int code;
};

TEST_F(ResponseTest, BadFrameLeavesTheTransactionOpenUntilAGoodFrame) {
    const OpenCase cases[] = {
        {"crc", Reply::corrupted(5), "Receive CRC check failed.", 6},
        {"function", Reply::withFunction(0x03), "Unexpected response received.", 7},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        rig.status.clear();
        rig.hookCodes.clear();
        rig.slave.script.push_back(c.reply);
        ASSERT_TRUE(waitForStatus(c.text));
        EXPECT_TRUE(rig.status.lastRed());
        EXPECT_TRUE(Ports.AwaitingResponse);
        EXPECT_EQ(rig.hookCodes, std::vector<int>{c.code});

        Body good = {0x01, 0x04, 88};
        good.resize(3 + 88, 0x11);
        rig.port().sendToMaster(WithCrc(good));
        ASSERT_TRUE(waitForStatus("Valid response received <04h>.", 1000));
        EXPECT_EQ(DB_Modbus.InputRegisterTable[0], 0x1111);
        EXPECT_FALSE(rig.status.saw("No response from slave device."));
        ASSERT_TRUE(rig.runUntil([] { return Ports.TxState == 0; }, 5000));
    }
}

TEST_F(ResponseTest, BadFrameAloneEndsWithTheTimeOut) {
    const OpenCase cases[] = {
        {"crc", Reply::corrupted(5), "Receive CRC check failed.", 6},
        {"function", Reply::withFunction(0x03), "Unexpected response received.", 7},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        rig.status.clear();
        const size_t before = rig.slave.requests.size();
        rig.slave.script.push_back(c.reply);
        ASSERT_TRUE(waitForStatus(c.text));
        ASSERT_TRUE(waitForStatus("No response from slave device.", 2000));
        EXPECT_TRUE(rig.status.lastRed());
        // 21 ticks of 55 ms from the moment the request was written.
        const SlaveRequest& request = rig.slave.requests.at(before);
        const int64_t writtenUs = request.atUs - 8 * rig.port().charTimeUs();
        EXPECT_EQ(rig.platform.clock.nowUs() - writtenUs, 21 * 55 * 1000);
        EXPECT_FALSE(Ports.AwaitingResponse);
    }
}

TEST_F(ResponseTest, AnswerAfterTheTimeOutIsIgnored) {
    rig.slave.inputRegisters[0] = 77;
    rig.slave.script.push_back(Reply::delayed(1500));
    ASSERT_TRUE(waitForStatus("No response from slave device."));
    rig.status.clear();
    ASSERT_TRUE(waitForStatus("Query <04h> issued..."));
    // The late frame did arrive, and nothing came of it.
    EXPECT_EQ(Ports.RxCount, 3 + 88 + 2);
    EXPECT_EQ(rig.status.shown.size(), 1u);
    EXPECT_EQ(DB_Modbus.InputRegisterTable[0], 0);
    EXPECT_FALSE(DB_Modbus.InputRegistersValid);
}

TEST_F(ResponseTest, AnswerFromAnotherSlaveAddressIsAccepted) {
    rig.slave.inputRegisters[5] = 0xABCD;
    rig.slave.script.push_back(Reply::fromAddress(7));
    ASSERT_TRUE(waitForStatus("Valid response received <04h>."));
    EXPECT_EQ(DB_Modbus.InputRegisterTable[5], 0xABCD);
}

TEST_F(ResponseTest, TimeOutsInARowReachTheHookOnce) {
    rig.slave.standing = Reply::dropped();
    const std::string none = "No response from slave device.";
    ASSERT_TRUE(rig.runUntil([&] { return countShown(rig.status, none) == 3; }, 20000));
    EXPECT_EQ(countCodes(rig.hookCodes, 8), 1);

    rig.slave.standing = Reply::prompt();
    ASSERT_TRUE(waitForStatus("Valid response received <04h>."));
    rig.slave.standing = Reply::dropped();
    ASSERT_TRUE(rig.runUntil([&] { return countShown(rig.status, none) == 4; }, 20000));
    EXPECT_EQ(countCodes(rig.hookCodes, 8), 2);
}

namespace {

// Frames whose length does not match what they carry are invalid answers;
// nothing of them is stored.
struct LengthCase {
    const char* name;
    bool singleRegister;  // else the standing 04h read
    Reply reply;
    const char* invalidText;
};

Reply spoiled(std::function<void(Body&)> edit, int exception = 0) {
    Reply r = Reply::edited(std::move(edit));
    r.exception = exception;
    return r;
}

}  // namespace

TEST(LengthChecks, WrongLengthIsAnInvalidAnswer) {
    const char* read = "Invalid response received <read input registers>.";
    const char* write = "Invalid response received <preset single register>.";
    const LengthCase cases[] = {
        {"one data byte more", false, spoiled([](Body& b) { b.push_back(0x55); }), read},
        {"one data byte less", false, spoiled([](Body& b) { b.pop_back(); }), read},
        {"byte count beyond the frame", false, spoiled([](Body& b) { b.resize(13); }), read},
        {"address and function only", false, spoiled([](Body& b) { b.resize(2); }), read},
        {"exception one byte long", false, spoiled([](Body& b) { b.push_back(0); }, 2), read},
        {"echo one byte short", true, spoiled([](Body& b) { b.pop_back(); }), write},
        {"echo one byte long", true, spoiled([](Body& b) { b.push_back(0); }), write},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineHarness rig;
        rig.start();
        for (int i = 0; i < 44; ++i)
            rig.slave.inputRegisters[i] = uint16_t(0x5500 + i);
        if (c.singleRegister) {
            DB_Modbus.InputReadCount = 0;
            DB_Modbus.PresetStart = 3;
            DB_Modbus.SingleRegisterValue = 9;
            DB_Modbus.SingleRegisterArmed = true;
        }
        rig.slave.standing = c.reply;
        ASSERT_TRUE(rig.runUntil([&] { return rig.status.saw(c.invalidText); }, 10000));
        EXPECT_TRUE(rig.status.lastRed());
        EXPECT_FALSE(Ports.AwaitingResponse);
        EXPECT_NE(DB_Modbus.ErrorLatch & kInvalidBit, 0);
        EXPECT_FALSE(DB_Modbus.InputRegistersValid);
        const uint16_t* t = DB_Modbus.InputRegisterTable;
        EXPECT_TRUE(std::all_of(t, t + kRegisterTableSize, [](uint16_t v) { return v == 0; }));
        EXPECT_EQ(DB_Modbus.SingleRegisterFailed, c.singleRegister);
    }
}

// A write armed while the read's request is out: the read's answer is not
// looked at. The coil table stays the source of the write; an upload must
// not take the holding table's older contents for this answer.
TEST_F(ResponseTest, ReadAnsweredWhileAWriteIsArmedIsNotLookedAt) {
    closeDefaultWindow();
    rig.slave.coils[0] = 1;
    rig.slave.holdingRegisters[0] = 0x0303;
    DB_Modbus.CoilReadCount = 8;
    OpenHoldingRead(1, 4);
    DB_Modbus.HoldingRegistersValid = true;
    rig.slave.onRequest = [](const SlaveRequest& r) {
        const uint16_t value = 5;
        if (r.function == 0x01) {
            DB_Modbus.CoilWriteStart = 100;
            DB_Modbus.CoilWriteCount = 1;
            DB_Modbus.CoilsArmed = true;
        }
        if (r.function == 0x03)
            PostPresetWrite(300, 1, &value);
    };
    ASSERT_TRUE(rig.runUntil([] { return !DB_Modbus.RequestPending; }, 10000));
    EXPECT_FALSE(rig.status.saw("Valid response received <read coil status>."));
    EXPECT_FALSE(rig.status.saw("Valid response received <03h>."));
    EXPECT_FALSE(StatusPoint(DB_Modbus.CoilStatusTable, 0));
    EXPECT_EQ(DB_Modbus.HoldingRegisterTable[0], 0);
    EXPECT_FALSE(DB_Modbus.HoldingRegistersValid);
    EXPECT_FALSE(Ports.AwaitingResponse);
}

// The output buffer has no room, so the write waits in the transmit buffer;
// an echo that arrives meanwhile cannot be its answer.
TEST_F(ResponseTest, AnswerBeforeTheRequestLeftIsIgnored) {
    closeDefaultWindow();
    std::vector<uint16_t> values(120, 0x0A0A);
    rig.port().blockOutput(true);
    PostPresetWrite(1, 120, values.data());
    DB_Modbus.RequestPending = true;
    bool injected = false;
    rig.afterPollTick = [&] {
        if (injected || !Ports.TxPending)
            return;
        rig.port().sendToMaster(WithCrc({0x01, 0x10, 0x00, 0x00, 0x00, 120}));
        injected = true;
    };
    ASSERT_TRUE(rig.runUntil([] { return !DB_Modbus.RequestPending; }, 5000));
    EXPECT_TRUE(injected);
    EXPECT_FALSE(rig.status.saw("Valid response received <10h>."));
    EXPECT_TRUE(rig.status.saw("Fatal error. Tx timeout."));
    EXPECT_TRUE(DB_Modbus.PresetFailed);
    EXPECT_TRUE(rig.slave.requests.empty());
}
