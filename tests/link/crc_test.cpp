#include "tests/link/LinkFixture.h"

using namespace kestro;
using kestro::WithCrc;

namespace {

class CrcTest : public ::testing::Test {
  protected:
    void SetUp() override { InitCrcTable(); }
};

}  // namespace

TEST_F(CrcTest, TableHoldsByteSwappedModbusEntries) {
    EXPECT_EQ(CrcTable[0], 0x0000);
    EXPECT_EQ(CrcTable[1], 0xC1C0);
    EXPECT_EQ(CrcTable[2], 0x81C1);
    EXPECT_EQ(CrcTable[3], 0x4001);
    EXPECT_EQ(CrcTable[255], 0x4040);
}

TEST_F(CrcTest, StandingRequestEndsInF1D7) {
    const auto frame = WithCrc({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C});
    ASSERT_EQ(frame.size(), 8u);
    EXPECT_EQ(frame[6], 0xF1);
    EXPECT_EQ(frame[7], 0xD7);
    EXPECT_TRUE(CrcCheck(frame.data(), int(frame.size())));
}

TEST_F(CrcTest, EverySingleBitFlipFails) {
    const auto good = WithCrc({0x11, 0x03, 0x02, 0x4B, 0x00});
    for (size_t byte = 0; byte < good.size(); ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            auto bad = good;
            bad[byte] ^= uint8_t(1 << bit);
            EXPECT_FALSE(CrcCheck(bad.data(), int(bad.size()))) << byte << ":" << bit;
        }
    }
}

TEST_F(CrcTest, EmptyBufferFails) {
    const uint8_t none[1] = {0};
    EXPECT_FALSE(CrcCheck(none, 0));
}
