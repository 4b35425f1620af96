// [PORTS] entries that name a remote line, and those that do not.
#include <gtest/gtest.h>

#include "platform/core/RemoteLine.h"

using namespace kestro;

namespace {

TEST(RemoteLineTest, WellFormedAddressesGiveHostAndPort) {
    const struct {
        const char* device;
        const char* host;
        int port;
    } cases[] = {
        {"tcp://192.168.1.50:4001", "192.168.1.50", 4001},
        {"TCP://gateway-3.plant.local:502", "gateway-3.plant.local", 502},
        {"tcp://[fe80::1]:4001", "fe80::1", 4001},
        {"tcp://127.0.0.1:1", "127.0.0.1", 1},
        {"tcp://127.0.0.1:65535", "127.0.0.1", 65535},
    };
    for (const auto& c : cases) {
        const auto line = ParseRemoteLine(c.device);
        ASSERT_TRUE(line) << c.device;
        EXPECT_EQ(line->host, c.host) << c.device;
        EXPECT_EQ(line->port, c.port) << c.device;
    }
}

// Malformed remote lines are still remote lines: they never open a serial
// device of that name.
TEST(RemoteLineTest, MalformedAddressesGiveNothing) {
    for (const char* device :
         {"tcp://192.168.1.50", "tcp://:4001", "tcp://host:0", "tcp://host:65536",
          "tcp://host:40a1", "tcp://host:", "tcp://fe80::1:4001", "tcp://host:4001/x",
          "tcp://my host:4001", "tcp://host:0004001"}) {
        EXPECT_TRUE(IsRemoteLine(device)) << device;
        EXPECT_FALSE(ParseRemoteLine(device)) << device;
    }
}

TEST(RemoteLineTest, SerialDevicesAreNoRemoteLines) {
    for (const char* device :
         {"/dev/ttyUSB0", "COM3", "tcp:/host:4001", "udp://host:4001", "", "/tmp/tcp://x:1"}) {
        EXPECT_FALSE(IsRemoteLine(device)) << device;
        EXPECT_FALSE(ParseRemoteLine(device)) << device;
    }
}

}  // namespace
