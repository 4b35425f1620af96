#include <gtest/gtest.h>

#include "platform/core/PortMap.h"

using kestro::PortMap;

namespace {

struct DefaultCase {
    int port;
    const char* device;
};

const DefaultCase kDefaults[] = {
    {1, "/dev/ttyS0"},
    {16, "/dev/ttyS15"},
    {17, "/dev/ttyUSB0"},
    {32, "/dev/ttyUSB15"},
    {33, "/dev/ttyACM0"},
    {48, "/dev/ttyACM15"},
    {49, ""},
    {50, ""},
    {0, ""},
    {-3, ""},
};

class PortMapTest : public ::testing::Test {
  protected:
    void SetUp() override { PortMap::clear(); }
    void TearDown() override { PortMap::clear(); }
};

}  // namespace

TEST_F(PortMapTest, DefaultsCoverSerialUsbAndAcmDevices) {
    for (const auto& c : kDefaults)
        EXPECT_EQ(PortMap::devicePath(c.port), c.device) << c.port;
}

TEST_F(PortMapTest, EntriesOverrideDefaultsUntilCleared) {
    EXPECT_TRUE(PortMap::setEntry("com5", "/dev/serial/by-id/usb-RS485-if00"));
    EXPECT_TRUE(PortMap::setEntry("Com49", "/tmp/ttyKestro"));
    PortMap::setEntry(20, "/dev/ttyS4");
    EXPECT_EQ(PortMap::devicePath(5), "/dev/serial/by-id/usb-RS485-if00");
    EXPECT_EQ(PortMap::devicePath(49), "/tmp/ttyKestro");
    EXPECT_EQ(PortMap::devicePath(20), "/dev/ttyS4");
    EXPECT_EQ(PortMap::devicePath(6), "/dev/ttyS5");

    PortMap::setEntry(20, "");
    EXPECT_EQ(PortMap::devicePath(20), "/dev/ttyUSB3");
    PortMap::clear();
    EXPECT_EQ(PortMap::devicePath(5), "/dev/ttyS4");
    EXPECT_EQ(PortMap::devicePath(49), "");
}

TEST_F(PortMapTest, KeysThatNameNoPortMapNothing) {
    for (const char* key : {"COM", "COM0", "COMx", "COM5a", "PORT5", "5", "", " COM5"}) {
        EXPECT_FALSE(PortMap::setEntry(key, "/dev/null")) << key;
        EXPECT_EQ(PortMap::portNumberFromKey(key), 0) << key;
    }
    EXPECT_EQ(PortMap::devicePath(5), "/dev/ttyS4");
    EXPECT_EQ(PortMap::portNumberFromKey("cOm12"), 12);
}
