// The command blocks the simulated analyzer accepts, the exceptions it
// answers, and the events it reports.
#include <gtest/gtest.h>

#include "sim/model/DeviceModel.h"
#include "tests/sim/SimTestSupport.h"

using namespace kestro::sim;
using namespace kestro::sim::test;
using namespace kestro::regmap;

namespace {

class ModelCommands : public ::testing::Test {
  protected:
    Reply write(uint16_t address, std::vector<uint16_t> values) {
        return model.serve(writeRequest(address, std::move(values)));
    }
    Event lastEvent() {
        auto events = model.takeEvents();
        EXPECT_FALSE(events.empty());
        return events.empty() ? Event("none") : events.back();
    }
    DeviceModel model;
};

}  // namespace

TEST_F(ModelCommands, ConfigurationAppliesAndNewSlaveIdWaitsForTheReply) {
    const Reply reply = write(0, configurationBlock(19200, 5, 5, 100));
    EXPECT_EQ(reply.exception, 0);
    const HoldingImage regs = model.holdingRegisters();
    EXPECT_EQ(regs[kHoldBaud], 0x4B00);
    EXPECT_EQ(regs[kHoldSlaveID], 0x0005);
    EXPECT_EQ(regs[kHoldInpIr], 0x40A0);
    EXPECT_EQ(regs[kHoldInpIr + 1], 0x0000);
    EXPECT_EQ(model.address(), 1) << "the reply still comes from the old address";
    const Event event = lastEvent();
    EXPECT_EQ(event.json(),
              "{\"event\":\"write\",\"block\":\"configuration\",\"baud\":19200,\"slave_id\":5,"
              "\"inp_ir\":5,\"inp_is\":5,\"inp_it\":5,\"inp_vr\":500,\"inp_vs\":500,\"inp_vt\":500,"
              "\"eng_ir\":100,\"eng_is\":100,\"eng_it\":100,\"eng_vr\":500,\"eng_vs\":500,"
              "\"eng_vt\":500}");
    model.commitAddress();
    EXPECT_EQ(model.address(), 5);
    EXPECT_EQ(lastEvent().json(), "{\"event\":\"address\",\"slave_id\":5}");
}

TEST_F(ModelCommands, FullScalesScaleTheReadings) {
    const float before = swappedFloat(&model.inputRegisters()[kInIr]);
    ASSERT_EQ(write(0, configurationBlock(9600, 1, 5, 100)).exception, 0);
    const InputImage regs = model.inputRegisters();
    EXPECT_NEAR(swappedFloat(&regs[kInIr]), 20 * before, 1e-3 * before);
    EXPECT_NEAR(swappedFloat(&regs[kInVr]), 230, 5) << "voltage scale unchanged";
}

TEST_F(ModelCommands, RejectedConfigurationChangesNothing) {
    struct Case {
        const char* what;
        int index;
        uint16_t value;
        const char* reason;
    };
    const Case cases[] = {
        {"code word", 0, 27080, "wrong code word"},
        {"baud", 1, 9601, "baud rate"},
        {"slave 0", 2, 0, "slave ID"},
        {"slave 248", 2, 248, "slave ID"},
        {"NaN full scale", 3, 0x7FC0, "full scale"},
        {"zero full scale", 5, 0x0000, "full scale"},
        {"negative full scale", 25, 0xC0A0, "full scale"},
    };
    for (const Case& c : cases) {
        auto block = configurationBlock(19200, 7, 1, 1);
        block[c.index] = c.value;
        if (c.index == 5)
            block[6] = 0;
        EXPECT_EQ(write(0, block).exception, kExIllegalValue) << c.what;
        EXPECT_EQ(lastEvent().value("reason"), "\"" + std::string(c.reason) + "\"") << c.what;
        model.commitAddress();
        EXPECT_EQ(model.address(), 1) << c.what;
        EXPECT_EQ(model.holdingRegisters(), DeviceModel().holdingRegisters()) << c.what;
    }
}

TEST_F(ModelCommands, EnergyResetZeroesTheSelectedMeterOnly) {
    const double kvarh = model.reactiveEnergy();
    EXPECT_EQ(write(200, {40617, 1}).exception, 0);
    EXPECT_EQ(model.activeEnergy(), 0);
    EXPECT_EQ(model.reactiveEnergy(), kvarh);
    EXPECT_EQ(lastEvent().json(),
              "{\"event\":\"write\",\"block\":\"energy_reset\",\"selector\":1,\"meter\":\"kWh\"}");
    model.advance(60000);
    EXPECT_GT(model.activeEnergy(), 0) << "the meter counts on from zero";
    EXPECT_EQ(write(200, {40617, 2}).exception, 0);
    EXPECT_EQ(model.reactiveEnergy(), 0);
    EXPECT_GT(model.activeEnergy(), 0);
}

TEST_F(ModelCommands, EnergyResetWithWrongCodeOrSelectorIsRefused) {
    const double kwh = model.activeEnergy();
    EXPECT_EQ(write(200, {40618, 1}).exception, kExIllegalValue);
    EXPECT_EQ(write(200, {40617, 0}).exception, kExIllegalValue);
    EXPECT_EQ(write(200, {40617, 3}).exception, kExIllegalValue);
    EXPECT_EQ(model.activeEnergy(), kwh);
}

TEST_F(ModelCommands, CalibrationChecksCodeControlWordAndItsPoints) {
    auto block = [](uint16_t code, uint16_t control, float vr) {
        std::vector<uint16_t> regs = {code, control};
        appendFloats(regs, {5, 5, 5, vr, 230, 230});
        return regs;
    };
    EXPECT_EQ(write(100, block(36092, 0x01C0, 230)).exception, 0);
    const Event event = lastEvent();
    EXPECT_EQ(event.value("block"), "\"calibration\"");
    EXPECT_EQ(event.value("control"), "448");
    EXPECT_EQ(event.value("cal_vr"), "230");
    EXPECT_EQ(write(100, block(36093, 0x01C0, 230)).exception, kExIllegalValue);
    EXPECT_EQ(write(100, block(36092, 0x0200, 230)).exception, kExIllegalValue);
    EXPECT_EQ(write(100, block(36092, 0x0040, 0)).exception, kExIllegalValue) << "VR at 0 V";
    EXPECT_EQ(write(100, block(36092, 0x0001, 0)).exception, kExIllegalValue) << "PR at 0 V";
    EXPECT_EQ(write(100, block(36092, 0x0080, 0)).exception, 0) << "VS does not use VR";
}

TEST_F(ModelCommands, ClockBlockSetsTheRunningClockInTheReadLayout) {
    // Wednesday 14:35:07, 9 December 2026, as the master writes it.
    EXPECT_EQ(write(300, {0x3507, 0x1403, 0x1209, 0x0026}).exception, 0);
    EXPECT_EQ(lastEvent().json(),
              "{\"event\":\"write\",\"block\":\"clock\",\"clock\":\"2026-12-09 14:35:07\","
              "\"weekday\":3}");
    InputImage regs = model.inputRegisters();
    EXPECT_EQ(regs[kInClockMinSec], 0x3507);
    EXPECT_EQ(regs[kInClockWeekdayHour], 0x0314);
    EXPECT_EQ(regs[kInClockDate], 0x0912);
    EXPECT_EQ(regs[kInClockYear], 0x0026);
    model.advance(9 * 3600 * 1000 + 24 * 60 * 1000 + 53 * 1000);  // to midnight
    regs = model.inputRegisters();
    EXPECT_EQ(regs[kInClockMinSec], 0x0000);
    EXPECT_EQ(regs[kInClockWeekdayHour], 0x0400) << "Thursday, 00 h";
    EXPECT_EQ(regs[kInClockDate], 0x1012);
}

TEST_F(ModelCommands, InvalidClockBlocksAreRefused) {
    const std::vector<uint16_t> bad[] = {
        {0x6000, 0x1403, 0x1209, 0x0026},  // 60 minutes
        {0x350A, 0x1403, 0x1209, 0x0026},  // not BCD
        {0x3507, 0x2403, 0x1209, 0x0026},  // 24 h
        {0x3507, 0x1400, 0x1209, 0x0026},  // weekday 0
        {0x3507, 0x1408, 0x1209, 0x0026},  // weekday 8
        {0x3507, 0x1403, 0x0431, 0x0026},  // 31 April
        {0x3507, 0x1403, 0x0229, 0x0025},  // 29 February 2025
        {0x3507, 0x1403, 0x1300, 0x0026},  // month 13, day 0
        {0x3507, 0x1403, 0x1209, 0x0126},  // year with a high byte
    };
    const std::string before = model.clock().text();
    for (const auto& block : bad) {
        EXPECT_EQ(write(300, block).exception, kExIllegalValue) << std::hex << block[0];
        EXPECT_EQ(model.clock().text(), before);
    }
    EXPECT_EQ(write(300, {0x3507, 0x1403, 0x0229, 0x0024}).exception, 0) << "leap year";
}

TEST(ModelClock, RollsOverMonthsYearsAndLeapDays) {
    struct Case {
        DeviceClock from;
        int64_t seconds;
        const char* to;
        int weekday;
    };
    const Case cases[] = {
        {{24, 2, 28, 23, 59, 59, 3}, 1, "2024-02-29 00:00:00", 4},
        {{25, 2, 28, 23, 59, 59, 5}, 1, "2025-03-01 00:00:00", 6},
        {{25, 12, 31, 23, 59, 59, 3}, 1, "2026-01-01 00:00:00", 4},
        {{26, 1, 4, 12, 0, 0, 7}, 7 * 86400 + 61, "2026-01-11 12:01:01", 7},
        {{99, 12, 31, 23, 0, 0, 4}, 3600, "2000-01-01 00:00:00", 5},
    };
    for (const Case& c : cases) {
        DeviceClock clock = c.from;
        clock.addSeconds(c.seconds);
        EXPECT_EQ(clock.text(), c.to);
        EXPECT_EQ(clock.weekday, c.weekday) << c.to;
    }
}

TEST(ModelClock, KeepsFractionsOfASecondAcrossSteps) {
    DeviceModel model;
    for (int i = 0; i < 9; ++i)
        model.advance(250);
    EXPECT_EQ(model.clock().text(), "2026-01-05 00:00:02");
}

TEST_F(ModelCommands, RequestsOutsideTheMapOrOfBadShapeGetExceptions) {
    struct Case {
        const char* what;
        Request request;
        uint8_t exception;
    };
    Request mismatched = writeRequest(200, {40617, 1});
    mismatched.wellFormed = false;
    Request single = readRequest(0x06, 200, 1);
    const Case cases[] = {
        {"whole input window", readRequest(kFnReadInput, 0, 44), 0},
        {"input past 43", readRequest(kFnReadInput, 0, 45), kExIllegalAddress},
        {"input at 44", readRequest(kFnReadInput, 44, 1), kExIllegalAddress},
        {"input count 0", readRequest(kFnReadInput, 0, 0), kExIllegalValue},
        {"holding 0..52", readRequest(kFnReadHolding, 0, 53), 0},
        {"holding past 52", readRequest(kFnReadHolding, 1, 53), kExIllegalAddress},
        {"holding at command block", readRequest(kFnReadHolding, 200, 2), kExIllegalAddress},
        {"holding count 126", readRequest(kFnReadHolding, 0, 126), kExIllegalValue},
        {"write outside blocks", writeRequest(5, {1, 2}), kExIllegalAddress},
        {"part of a block", writeRequest(0, {27081, 9600}), kExIllegalAddress},
        {"block one short", writeRequest(300, {0x3507, 0x1403, 0x1209}), kExIllegalAddress},
        {"byte count mismatch", mismatched, kExIllegalValue},
        {"06h", single, kExIllegalFunction},
        {"01h", readRequest(0x01, 0, 8), kExIllegalFunction},
    };
    for (const Case& c : cases) {
        const Reply reply = model.serve(c.request);
        EXPECT_EQ(reply.exception, c.exception) << c.what;
        if (c.exception == 0) {
            EXPECT_EQ(reply.registers.size(), c.request.count) << c.what;
        } else {
            EXPECT_EQ(lastEvent().name, "exception") << c.what;
        }
    }
}

TEST(ModelPdu, ParsesAndAnswersTheThreeFunctions) {
    const uint8_t read[] = {0x04, 0x00, 0x00, 0x00, 0x2C};
    const Request r = parseRequest(read, sizeof read);
    EXPECT_TRUE(r.wellFormed);
    EXPECT_EQ(r.function, 0x04);
    EXPECT_EQ(r.count, 44);

    const uint8_t write[] = {0x10, 0x00, 0xC8, 0x00, 0x02, 0x04, 0x9E, 0xA9, 0x00, 0x02};
    const Request w = parseRequest(write, sizeof write);
    ASSERT_TRUE(w.wellFormed);
    EXPECT_EQ(w.address, 200);
    EXPECT_EQ(w.values, (std::vector<uint16_t>{40617, 2}));
    EXPECT_EQ(responsePdu(w, {}), (std::vector<uint8_t>{0x10, 0x00, 0xC8, 0x00, 0x02}));

    const uint8_t badCount[] = {0x10, 0x00, 0xC8, 0x00, 0x02, 0x03, 0x9E, 0xA9, 0x00};
    EXPECT_FALSE(parseRequest(badCount, sizeof badCount).wellFormed);
    EXPECT_FALSE(parseRequest(read, 4).wellFormed);

    Reply data;
    data.registers = {0x4248, 0x0001};
    EXPECT_EQ(responsePdu(r, data), (std::vector<uint8_t>{0x04, 0x04, 0x42, 0x48, 0x00, 0x01}));
    Reply refused;
    refused.exception = kExIllegalValue;
    EXPECT_EQ(responsePdu(w, refused), (std::vector<uint8_t>{0x90, 0x03}));
}
