#pragma once
// The real engine on the virtual line, driven the way the program drives it:
// `Host` filled in (the virtual platform, a recorded status line, the Slave ID
// value, the error hook), StartCommunications with a port selection that
// opens COM<n>, and a 100 ms poll timer calling PollTick. A ScriptedSlave
// serves every port opened.
//
//   EngineHarness rig;                  // Slave ID 1, slave address 1
//   rig.start();                        // opens COM1, the poll timer runs
//   DB_Modbus.InputReadCount = 10;      // windows may be set after start()
//   rig.runUntil([] { return DB_Modbus.InputRegistersValid; }, 5000);
//
// The engine's state is global: one harness at a time. The destructor stops
// communications and empties `Host`.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "modbus/LinkHost.h"
#include "platform/virtual/VirtualPlatform.h"
#include "tests/support/core/ScriptedSlave.h"
#include "tests/support/core/StatusRecorder.h"

namespace kestro::test {

class EngineHarness {
  public:
    explicit EngineHarness(int slaveId = 1);
    ~EngineHarness();
    EngineHarness(const EngineHarness&) = delete;
    EngineHarness& operator=(const EngineHarness&) = delete;

    // StartCommunications; the port selection opens COM`portNumber`.
    void start(uint16_t portNumber = 1);
    void runMs(int64_t ms) { platform.clock.advanceMs(ms); }
    bool runUntil(const std::function<bool()>& done, int64_t maxMs) {
        return platform.clock.runUntil(done, maxMs);
    }
    // Runs until `ticks` more poll ticks have run.
    void runTicks(int ticks);
    int64_t nowMs() const { return platform.clock.nowMs(); }
    // The port opened last.
    VirtualPort& port() { return *platform.port; }

    VirtualPlatform platform;
    StatusRecorder status;
    ScriptedSlave slave;
    int slaveId;
    std::vector<int> hookCodes;  // every ErrorHook code, in order
    bool recordHookCodes = true;
    uint64_t pollTicks = 0;
    // Around every PollTick of the poll timer.
    std::function<void()> beforePollTick;
    std::function<void()> afterPollTick;
    std::unique_ptr<WindowTimer> pollTimer;
};

}  // namespace kestro::test
