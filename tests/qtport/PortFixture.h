#pragma once
// A QtComPort on a pty, mapped to a port number the way Kestro.ini maps a
// real adapter, with every event it fires recorded.

#include <gtest/gtest.h>

#include <vector>

#include "platform/QtComPort.h"
#include "platform/core/PortMap.h"
#include "tests/qtport/Pty.h"
#include "tests/support/Waiting.h"

namespace kestro::test {

constexpr int kTestPort = 5;

class PortFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        link.pointTo(pty);
        PortMap::clear();
        PortMap::setEntry(kTestPort, link.path());
        port.OnPortOpen = [this] { ++opened; };
        port.OnPortClose = [this] { ++closed; };
        port.OnTriggerTimer = [this](TriggerHandle h) { fired.push_back(h); };
        port.OnTransmit = [this](int n) { transmitted.push_back(n); };
        port.OnTriggerAvail = [this](int n) {
            available.push_back(n);
            if (!takeBytes)
                return;
            std::vector<uint8_t> bytes(n);
            bytes.resize(port.getBlock(bytes.data(), n));
            received.insert(received.end(), bytes.begin(), bytes.end());
        };
    }
    void TearDown() override { PortMap::clear(); }

    // The settings the link layer gives every port it opens.
    void open() {
        port.setComNumber(kTestPort);
        port.setBaud(9600);
        port.setDataBits(8);
        port.setStopBits(1);
        port.setParity(Parity::None);
        port.setRS485Mode(true);
        port.setDTR(true);
        port.setRTS(true);
        port.setOpen(true);
    }

    void put(const std::vector<uint8_t>& bytes) { port.putBlock(bytes.data(), int(bytes.size())); }

    Pty pty;
    DeviceLink link;
    QtComPort port;
    int opened = 0;
    int closed = 0;
    bool takeBytes = true;
    std::vector<TriggerHandle> fired;
    std::vector<int> transmitted;
    std::vector<int> available;
    std::vector<uint8_t> received;
};

}  // namespace kestro::test
