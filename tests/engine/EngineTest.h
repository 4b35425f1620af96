#pragma once
// The real engine on the virtual line against a scripted slave, started the
// way the program starts it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modbus/Driver_Modbus.h"
#include "tests/support/core/EngineHarness.h"

namespace kestro::test {

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override { rig.start(); }

    // Only the windows and writes a test opens are served.
    static void closeDefaultWindow() { DB_Modbus.InputReadCount = 0; }

    bool waitForStatus(const std::string& text, int64_t maxMs = 10000) {
        return rig.runUntil([&] { return rig.status.saw(text); }, maxMs);
    }

    std::vector<SlaveRequest> requestsFor(uint8_t function) const {
        std::vector<SlaveRequest> found;
        for (const SlaveRequest& r : rig.slave.requests) {
            if (r.function == function)
                found.push_back(r);
        }
        return found;
    }

    bool waitForRequests(uint8_t function, size_t count, int64_t maxMs = 20000) {
        return rig.runUntil([&] { return requestsFor(function).size() >= count; }, maxMs);
    }

    EngineHarness rig;
};

}  // namespace kestro::test
