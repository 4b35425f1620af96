// Windows and writes that do not fit their tables are refused instead of
// being stored or sent out of bounds.
#include <algorithm>
#include <cstring>

#include "tests/engine/EngineTest.h"

using namespace kestro;
using namespace kestro::test;

namespace {

bool tablesUntouched() {
    static const DbModbusState fresh{};
    const DbModbusState& db = DB_Modbus;
    return std::memcmp(db.InputRegisterTable, fresh.InputRegisterTable,
                       sizeof db.InputRegisterTable) == 0 &&
           std::memcmp(db.HoldingRegisterTable, fresh.HoldingRegisterTable,
                       sizeof db.HoldingRegisterTable) == 0 &&
           std::memcmp(db.PresetRegisterTable, fresh.PresetRegisterTable,
                       sizeof db.PresetRegisterTable) == 0 &&
           std::memcmp(db.CoilStatusTable, fresh.CoilStatusTable, sizeof db.CoilStatusTable) == 0 &&
           std::memcmp(db.InputStatusTable, fresh.InputStatusTable, sizeof db.InputStatusTable) ==
               0;
}

struct RefusalCase {
    const char* name;
    uint8_t function;
    std::function<void()> open;
    const char* text;
    std::function<void()> expect;
};

const uint16_t kValues[5] = {1, 2, 3, 4, 5};

const RefusalCase kRefusals[] = {
    {"input window", 0x04, [] { DB_Modbus.InputReadCount = 502; },
     "Query <read input registers> refused. Params <SA:1> <NOP:502> do not fit the input "
     "register table.",
     [] { EXPECT_FALSE(DB_Modbus.InputRegistersValid); }},
    {"coil window", 0x01, [] { DB_Modbus.CoilReadCount = 3201; },
     "Query <read coil status> refused. Params <SA:1> <NOP:3201> do not fit the coil status "
     "table.",
     [] { EXPECT_FALSE(DB_Modbus.CoilDataValid); }},
    {"input status window", 0x02, [] { DB_Modbus.InputStatusReadCount = 4000; },
     "Query <read input status> refused. Params <SA:1> <NOP:4000> do not fit the input status "
     "table.",
     [] { EXPECT_FALSE(DB_Modbus.InputStatusValid); }},
    {"holding window", 0x03, [] { OpenHoldingRead(1, 600); },
     "Query <read holding registers> refused. Params <SA:1> <NOP:600> do not fit the holding "
     "register table.",
     [] {
         EXPECT_FALSE(DB_Modbus.RequestPending);
         EXPECT_FALSE(DB_Modbus.HoldingRegistersValid);
     }},
    {"window past the last address", 0x04,
     [] {
         DB_Modbus.InputReadStart = 65500;
         DB_Modbus.InputReadCount = 100;
     },
     "Query <read input registers> refused. Params <SA:65500> <NOP:100> do not fit the input "
     "register table.",
     [] {}},
    {"preset past the table", 0x10,
     [] {
         PostPresetWrite(500, 5, kValues);
         DB_Modbus.RequestPending = true;
     },
     "Query <preset multiple registers> refused. Params <SA:500> <NOP:5> do not fit the preset "
     "register table.",
     [] {
         EXPECT_FALSE(DB_Modbus.RequestPending);
         EXPECT_FALSE(DB_Modbus.PresetArmed);
         EXPECT_TRUE(DB_Modbus.PresetFailed);
     }},
    {"preset from register 0", 0x10,
     [] {
         PostPresetWrite(0, 1, kValues);
         DB_Modbus.RequestPending = true;
     },
     "Query <preset multiple registers> refused. Params <SA:0> <NOP:1> do not fit the preset "
     "register table.",
     [] {
         EXPECT_FALSE(DB_Modbus.RequestPending);
         EXPECT_TRUE(DB_Modbus.PresetFailed);
     }},
    {"coil write past the table", 0x0F,
     [] {
         DB_Modbus.CoilWriteStart = 3200;
         DB_Modbus.CoilWriteCount = 2;
         DB_Modbus.CoilsArmed = true;
     },
     "Query <force multiple coils> refused. Params <SA:3200> <NOP:2> do not fit the coil status "
     "table.",
     [] {
         EXPECT_FALSE(DB_Modbus.CoilsArmed);
         EXPECT_TRUE(DB_Modbus.CoilsFailed);
     }},
};

class BoundsTest : public EngineTest {};

}  // namespace

TEST(Refusals, OutOfTableRequestsAreRefusedAndTheScanGoesOn) {
    for (const RefusalCase& c : kRefusals) {
        SCOPED_TRACE(c.name);
        EngineHarness rig;
        rig.start();
        if (c.function != 0x04)
            DB_Modbus.InputReadCount = 0;
        c.open();
        ASSERT_TRUE(rig.runUntil([&] { return rig.status.saw(c.text); }, 10000));
        EXPECT_TRUE(rig.status.lastRed());
        ASSERT_TRUE(rig.runUntil([] { return Ports.TxState == 0; }, 5000));
        EXPECT_TRUE(rig.slave.requests.empty());
        EXPECT_TRUE(tablesUntouched());
        c.expect();
    }
}

TEST_F(BoundsTest, WindowsFillingTheTablesAreServed) {
    DB_Modbus.InputReadCount = 501;
    DB_Modbus.CoilReadCount = 3200;
    rig.slave.inputRegisters[500] = 0x0501;
    rig.slave.coils[3199] = 1;
    ASSERT_TRUE(rig.runUntil([] { return DB_Modbus.InputRegisterTable[500] == 0x0501; }, 20000));
    EXPECT_TRUE(StatusPoint(DB_Modbus.CoilStatusTable, 3199));
    EXPECT_EQ(requestsFor(0x04).back().start, 480);
    EXPECT_EQ(requestsFor(0x04).back().count, 21);
    EXPECT_EQ(requestsFor(0x01).back().start, 2880);
    EXPECT_EQ(requestsFor(0x01).back().count, 320);
}

// The requester shrinks the window between two chunks: the chunk that
// would follow lies outside it.
TEST_F(BoundsTest, WindowShrunkBetweenChunksIsRefused) {
    DB_Modbus.InputReadCount = 250;
    rig.slave.onRequest = [](const SlaveRequest&) { DB_Modbus.InputReadCount = 100; };
    ASSERT_TRUE(waitForStatus(
        "Query <read input registers> refused. Params <SA:1> <NOP:100> changed while being "
        "served."));
    EXPECT_EQ(requestsFor(0x04).size(), 1u);
    EXPECT_TRUE(std::all_of(DB_Modbus.InputRegisterTable + 120,
                            DB_Modbus.InputRegisterTable + kRegisterTableSize,
                            [](uint16_t v) { return v == 0; }));
}

// The window moves while its request is out: the answer no longer maps onto
// the table and is refused as invalid.
TEST_F(BoundsTest, WindowMovedWhileAwaitingItsAnswerStoresNothing) {
    for (int i = 0; i < 44; ++i)
        rig.slave.inputRegisters[i] = 0x4400;
    rig.slave.onRequest = [](const SlaveRequest&) { DB_Modbus.InputReadStart = 300; };
    ASSERT_TRUE(waitForStatus("Invalid response received <read input registers>."));
    EXPECT_TRUE(tablesUntouched());
}
