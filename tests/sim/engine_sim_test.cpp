// The real scan engine polling the simulated analyzer on the virtual line:
// the same device the program serves, as the master's tables see it.
#include <gtest/gtest.h>

#include "modbus/DB_Modbus.h"
#include "modbus/Driver_Modbus.h"
#include "sim/model/RtuResponder.h"
#include "tests/support/core/EngineHarness.h"

using namespace kestro;
using namespace kestro::sim;
using namespace kestro::regmap;

namespace {

class EngineOnSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        responder.OnEvent = [this](const Event& e) { events.push_back(e.json()); };
        rig.platform.OnPortCreated = [this](VirtualPort& port) { responder.attach(port); };
        rig.start();
        ASSERT_TRUE(rig.runUntil([] { return DB_Modbus.InputRegistersValid; }, 5000));
    }
    bool write(std::vector<uint16_t> block, uint16_t startRegister) {
        PostPresetWrite(startRegister, uint16_t(block.size()), block.data());
        EXPECT_TRUE(rig.runUntil([] { return !DB_Modbus.PresetArmed; }, 5000));
        return !DB_Modbus.PresetFailed;
    }
    test::EngineHarness rig;
    DeviceModel model;
    RtuResponder responder{model, rig.platform.clock};
    std::vector<std::string> events;
};

}  // namespace

TEST_F(EngineOnSimulator, InputTableHoldsTheImageTheModelServed) {
    rig.runMs(5000);
    DB_Modbus.InputRegistersValid = false;
    ASSERT_TRUE(rig.runUntil([] { return DB_Modbus.InputRegistersValid; }, 5000));
    // The model moves only when it serves, so it still holds what it sent.
    const InputImage image = model.inputRegisters();
    for (int a = 0; a < kInputReadCount; ++a)
        EXPECT_EQ(DB_Modbus.InputRegisterTable[a], image[a]) << "address " << a;
    EXPECT_NE(DB_Modbus.InputRegisterTable[kInClockMinSec], 0) << "the clock has run";
}

TEST_F(EngineOnSimulator, CommandBlocksReachTheDeviceAndRefusalsFailTheWrite) {
    EXPECT_TRUE(write({kCodeEnergyReset, kSelectKVarh}, kBlockEnergyReset.presetStart));
    EXPECT_LT(model.reactiveEnergy(), 0.01);
    EXPECT_GT(model.activeEnergy(), 1000);
    EXPECT_NE(events.back().find("\"meter\":\"kVarh\""), std::string::npos);

    EXPECT_FALSE(write({kCodeEnergyReset + 1, kSelectKWh}, kBlockEnergyReset.presetStart));
    EXPECT_GT(model.activeEnergy(), 1000);
    EXPECT_TRUE(rig.status.saw("Exception response received <data value>.")) << rig.status.last();
}

TEST_F(EngineOnSimulator, UploadWindowReadsTheConfiguration) {
    model.setFirmware("RVX82A V1.10 ENGINE");
    OpenHoldingRead(kHoldingReadStart, kHoldingReadCount);
    ASSERT_TRUE(rig.runUntil([] { return !DB_Modbus.RequestPending; }, 5000));
    CloseHoldingRead();
    ASSERT_TRUE(DB_Modbus.HoldingRegistersValid);
    const HoldingImage image = model.holdingRegisters();
    for (int a = 0; a < kHoldingReadCount; ++a)
        EXPECT_EQ(DB_Modbus.HoldingRegisterTable[a], image[a]) << "address " << a;
}
