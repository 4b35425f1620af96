#include "tests/support/core/EngineHarness.h"

#include <algorithm>

#include "modbus/Driver_Modbus.h"

namespace kestro::test {

EngineHarness::EngineHarness(int slaveId) : slave(uint8_t(slaveId)), slaveId(slaveId) {
    slave.attachTo(platform);
    pollTimer = platform.createTimer();
    pollTimer->setInterval(100);
    pollTimer->OnTimer = [this] {
        ++pollTicks;
        if (beforePollTick)
            beforePollTick();
        PollTick();
        if (afterPollTick)
            afterPollTick();
    };
    Host = LinkHost{};
    Host.platform = &platform;
    Host.status = &status;
    Host.slaveIdValue = [this] { return this->slaveId; };
    Host.enablePollTimer = [this](bool on) { pollTimer->setEnabled(on); };
    Host.errorHook = [this](int code) {
        if (recordHookCodes)
            hookCodes.push_back(code);
    };
}

EngineHarness::~EngineHarness() {
    StopCommunications();
    Host = LinkHost{};
}

void EngineHarness::start(uint16_t portNumber) {
    Host.selectPort = [portNumber] {
        OpenPort(portNumber);
        return true;
    };
    StartCommunications();
}

void EngineHarness::runTicks(int ticks) {
    const uint64_t target = pollTicks + uint64_t(ticks);
    runUntil([&] { return pollTicks >= target; }, int64_t(ticks) * 100 + 100);
}

}  // namespace kestro::test
