#pragma once
// The real link layer on a virtual port, with the status line and the error
// hook recorded.

#include <gtest/gtest.h>

#include <vector>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "platform/virtual/VirtualPlatform.h"
#include "tests/support/core/StatusRecorder.h"

namespace kestro::test {

class LinkFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        Host = LinkHost{};
        Host.platform = &platform;
        Host.status = &status;
        Host.errorHook = [this](int code) { hookCodes.push_back(code); };
        InitCrcTable();
        ResetLinkState();
        ResetMasterTables();
    }
    void TearDown() override {
        ClosePort();
        Host = LinkHost{};
    }

    VirtualPort& open(uint16_t number = 1) {
        OpenPort(number);
        return *platform.port;
    }

    // Builds and sends a frame the way the request builders do.
    void send(std::vector<uint8_t> body, uint8_t function, int points) {
        BeginFrame(body[0], body[1]);
        ComputeTimeouts(function, points);
        for (size_t i = 2; i < body.size(); ++i)
            PutByte(body[i]);
        SendFrame();
        Ports.LastFunction = function;
    }

    std::vector<uint8_t> received() const {
        return {Ports.RxBuffer, Ports.RxBuffer + Ports.RxCount};
    }

    VirtualPlatform platform;
    StatusRecorder status;
    std::vector<int> hookCodes;
};

}  // namespace kestro::test
