// The register value encodings of unit Utility.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "device/Utility.h"
#include "modbus/DB_Modbus.h"
#include "platform/core/NumberFormat.h"

namespace kestro {
namespace {

uint32_t bitsOf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

struct FloatCase {
    uint16_t first, second;
    bool swap;
    uint32_t expectedBits;
};

TEST(RegFloat, ReadsTheWordOrderTheSwapFlagAsksFor) {
    const FloatCase cases[] = {
        {0x4248, 0x0000, false, 0x42480000},  // 50.0
        {0x4248, 0x0000, true, 0x00004248},   // a denormal near 2.4e-41
        {0x0000, 0x4248, true, 0x42480000},   // 50.0
        {0xC2F6, 0xE979, false, 0xC2F6E979},  // -123.456
        {0xE979, 0xC2F6, true, 0xC2F6E979},
    };
    uint16_t table[kRegisterTableSize] = {};
    for (const FloatCase& c : cases) {
        table[18] = c.first;
        table[19] = c.second;
        EXPECT_EQ(bitsOf(RegFloat(table, 18, c.swap)), c.expectedBits)
            << std::hex << c.first << " " << c.second << " swap " << c.swap;
    }
    table[18] = 0x4248;
    table[19] = 0x0000;
    EXPECT_EQ(RegFloat(table, 18, false), 50.0f);
    EXPECT_NEAR(RegFloat(table, 18, true), 2.4e-41, 0.05e-41);
}

TEST(RegFloat, PassesNonFinitePatternsThrough) {
    uint16_t table[kRegisterTableSize] = {};
    table[0] = 0x7FC1;  // a quiet NaN with a payload
    table[1] = 0x2345;
    table[2] = 0x7F80;
    table[4] = 0xFF80;
    EXPECT_EQ(bitsOf(RegFloat(table, 0, false)), 0x7FC12345u);
    EXPECT_TRUE(std::isnan(RegFloat(table, 0, false)));
    EXPECT_EQ(RegFloat(table, 2, false), INFINITY);
    EXPECT_EQ(RegFloat(table, 4, false), -INFINITY);
}

TEST(FloatToRegs, WritesNormalOrderIntoTwoEntriesOnly) {
    uint16_t table[kRegisterTableSize] = {};
    table[99] = table[102] = 0xAAAA;
    FloatToRegs(table, 100, 1.0f);
    EXPECT_EQ(table[100], 0x3F80);
    EXPECT_EQ(table[101], 0x0000);
    EXPECT_EQ(table[99], 0xAAAA);
    EXPECT_EQ(table[102], 0xAAAA);

    FloatToRegs(table, 3, -123.456f);
    EXPECT_EQ(RegFloat(table, 3, false), -123.456f);
}

TEST(BcdByte, PacksTwoDecimalDigits) {
    EXPECT_EQ(BcdByte("59"), 0x59);
    EXPECT_EQ(BcdByte("07"), 0x07);
    EXPECT_EQ(BcdByte("00"), 0x00);
    EXPECT_EQ(BcdByte("99"), 0x99);
    EXPECT_EQ(BcdByte("12:34"), 0x12);  // the rest of the text is ignored
}

TEST(BcdByte, FailsWithAConversionErrorOnANonDigit) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"5:", "':' is not a valid integer value"}, {":5", "':' is not a valid integer value"},
        {"1a", "'a' is not a valid integer value"}, {" 7", "' ' is not a valid integer value"},
        {"7", "'' is not a valid integer value"},   {"", "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        try {
            BcdByte(c.text);
            ADD_FAILURE() << "no error for '" << c.text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.text;
        }
    }
}

TEST(Bits, SetAndTestEveryBitWithoutTouchingTheOthers) {
    for (int bit = 0; bit < 16; ++bit) {
        const uint16_t one = uint16_t(1u << bit);
        EXPECT_EQ(SetBit(0x0000, bit), one) << bit;
        EXPECT_TRUE(TestBit(one, bit)) << bit;
        EXPECT_FALSE(TestBit(uint16_t(~one), bit)) << bit;
    }
    const uint16_t table[2] = {0x0001, 0xFFFF};
    EXPECT_EQ(RegWord(table, 1), 0xFFFF);
}

TEST(FirmwareText, LowByteFirstAndEveryByteKept) {
    uint16_t table[kRegisterTableSize] = {};
    table[26] = 0x5858;  // outside the text
    table[27] = 0x4556;
    table[28] = 0x3120;
    table[52] = 0x4241;  // the last register of the text
    table[53] = 0x5858;
    const std::string text = FirmwareText(table);
    ASSERT_EQ(text.size(), 52u);
    EXPECT_EQ(text.substr(0, 4), "VE 1");
    EXPECT_EQ(text.substr(4, 46), std::string(46, '\0'));
    EXPECT_EQ(text.substr(50), "AB");
}

}  // namespace
}  // namespace kestro
