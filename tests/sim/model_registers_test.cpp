// The simulated analyzer's register images: plausible, consistent readings
// in swapped word order, status words that follow the line faults, meters
// that integrate, and the configuration in normal order.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/model/DeviceModel.h"
#include "tests/sim/SimTestSupport.h"

using namespace kestro::sim;
using namespace kestro::sim::test;
using namespace kestro::regmap;

namespace {

float in(const InputImage& regs, int address) {
    return swappedFloat(&regs[address]);
}

}  // namespace

TEST(ModelReadings, ArePlausibleAndConsistentAcrossAMinute) {
    DeviceModel model;
    for (int second = 0; second < 60; ++second, model.advance(1000)) {
        const InputImage regs = model.inputRegisters();
        float sumP = 0, sumQ = 0;
        for (int ph = 0; ph < kPhaseCount; ++ph) {
            const float v = in(regs, kInVoltage[ph]), i = in(regs, kInCurrent[ph]);
            const float p = in(regs, kInActive[ph]), q = in(regs, kInReactive[ph]);
            EXPECT_NEAR(v, 230, 5) << ph;
            EXPECT_GT(i, 2);
            EXPECT_LT(i, 7);
            EXPECT_GT(p, 0.8 * v * i);  // an inductive load near cos phi 0.9
            EXPECT_GT(q, 0);
            EXPECT_NEAR(std::hypot(p, q), v * i, 0.01 * v * i) << "apparent power, phase " << ph;
            sumP += p;
            sumQ += q;
        }
        EXPECT_NEAR(in(regs, kInP), sumP, 0.5);
        EXPECT_NEAR(in(regs, kInQ), sumQ, 0.5);
        EXPECT_NEAR(in(regs, kInCos), sumP / std::hypot(sumP, sumQ), 1e-4);
        EXPECT_NEAR(in(regs, kInF), 50, 0.1);
        EXPECT_NEAR(in(regs, kInTemp), 36.5, 3);
        EXPECT_EQ(regs[kInStatusWord], 0);
        EXPECT_EQ(regs[kInQuantityStateWord], 0x01FF);
    }
}

TEST(ModelReadings, FrequencyPairIsSwappedAs0000h4248hForFifty) {
    DeviceModel model;
    const InputImage regs = model.inputRegisters();
    const float f = in(regs, kInF);
    uint16_t normal[2];
    putFloat(normal, f, false);
    EXPECT_EQ(regs[kInF], normal[1]);  // low half first
    EXPECT_EQ(regs[kInF + 1], normal[0]);
    EXPECT_EQ(regs[kInF + 1] & 0xFF00, 0x4200);  // about 50.0: 4248xxxxh
}

struct FaultCase {
    const char* name;
    void (*apply)(LineFaults&);
    uint16_t status;
    uint16_t quantities;
};

class ModelFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ModelFaults, SetStatusAndQuantityBits) {
    DeviceModel model;
    GetParam().apply(model.faults);
    const InputImage regs = model.inputRegisters();
    EXPECT_EQ(regs[kInStatusWord], GetParam().status);
    EXPECT_EQ(regs[kInQuantityStateWord], GetParam().quantities);
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        const PhaseFaults& f = model.faults.phase[ph];
        EXPECT_EQ(in(regs, kInActive[ph]) < 0, f.reverseP) << ph;
        EXPECT_EQ(in(regs, kInReactive[ph]) < 0, f.reverseQ) << ph;
        EXPECT_EQ(in(regs, kInVoltage[ph]) == 0, f.dropped) << ph;
        EXPECT_EQ(in(regs, kInCurrent[ph]) == 0, f.dropped) << ph;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModelFaults,
    ::testing::Values(
        FaultCase{"ReversePr", [](LineFaults& f) { f.phase[0].reverseP = true; }, 0x0004, 0x01FF},
        FaultCase{"ReverseQs", [](LineFaults& f) { f.phase[1].reverseQ = true; }, 0x0020, 0x01FF},
        FaultCase{"ReversePtQt",
                  [](LineFaults& f) { f.phase[2].reverseP = f.phase[2].reverseQ = true; }, 0x00C0,
                  0x01FF},
        FaultCase{"DropR", [](LineFaults& f) { f.phase[0].dropped = true; }, 0x0802, 0x01B6},
        FaultCase{"DropT", [](LineFaults& f) { f.phase[2].dropped = true; }, 0x2002, 0x00DB},
        FaultCase{"DropAll",
                  [](LineFaults& f) {
                      for (auto& p : f.phase)
                          p.dropped = true;
                  },
                  0x3C02, 0x0000},
        FaultCase{"SequenceFault", [](LineFaults& f) { f.sequenceFault = true; }, 0x0001, 0x01FF}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModelReadings, AllPhasesLostReadsNoFrequencyAndNoPower) {
    DeviceModel model;
    for (auto& p : model.faults.phase)
        p.dropped = true;
    const InputImage regs = model.inputRegisters();
    EXPECT_EQ(in(regs, kInF), 0);
    EXPECT_EQ(in(regs, kInP), 0);
    EXPECT_EQ(in(regs, kInCos), 0);
}

TEST(ModelEnergy, MetersIntegrateTotalPowerOverTime) {
    DeviceModel model;
    const double kwh0 = model.activeEnergy(), kvarh0 = model.reactiveEnergy();
    double sumP = 0, sumQ = 0;
    for (int s = 0; s < 3600; ++s) {
        DeviceModel probe = model;  // the power during each second
        probe.advance(500);
        sumP += probe.readings().p;
        sumQ += probe.readings().q;
        model.advance(1000);
    }
    EXPECT_NEAR(model.activeEnergy() - kwh0, sumP / 3600 / 1000, 0.001);
    EXPECT_NEAR(model.reactiveEnergy() - kvarh0, sumQ / 3600 / 1000, 0.001);
    EXPECT_GT(model.activeEnergy() - kwh0, 2.5);  // about 3 kW for an hour
    const InputImage regs = model.inputRegisters();
    EXPECT_FLOAT_EQ(in(regs, kInPtot), float(model.activeEnergy()));
    EXPECT_FLOAT_EQ(in(regs, kInQTot), float(model.reactiveEnergy()));
}

TEST(ModelEnergy, OneLongStepIntegratesLikeManyShortOnes) {
    DeviceModel stepped, jumped;
    for (int i = 0; i < 600; ++i)
        stepped.advance(100);
    jumped.advance(60000);
    EXPECT_NEAR(stepped.activeEnergy(), jumped.activeEnergy(), 1e-4);
    EXPECT_EQ(stepped.clock().text(), jumped.clock().text());
}

TEST(ModelHolding, HoldsConfigurationInNormalOrderAndFirmwareTextLowByteFirst) {
    DeviceModel model;
    model.setFirmware("RVX82A V1.10");
    const HoldingImage regs = model.holdingRegisters();
    EXPECT_EQ(regs[0], 0);
    EXPECT_EQ(regs[kHoldBaud], 9600);
    EXPECT_EQ(regs[kHoldSlaveID], 1);
    EXPECT_EQ(regs[kHoldInpIr], 0x40A0);  // 5.0
    EXPECT_EQ(regs[kHoldInpIr + 1], 0x0000);
    EXPECT_EQ(getFloat(&regs[kHoldEngIr + 2 * 3]), 500.0f);  // EngVr
    EXPECT_EQ(regs[kHoldFirmware], 0x5652);                  // "RV"
    EXPECT_EQ(regs[kHoldFirmware + 1], 0x3858);              // "X8"
    std::string text;
    for (int i = 0; i < kFirmwareRegisters; ++i) {
        text += char(regs[kHoldFirmware + i] & 0xFF);
        text += char(regs[kHoldFirmware + i] >> 8);
    }
    EXPECT_EQ(text, "RVX82A V1.10" + std::string(40, ' '));
}
