// The Qt-free number forms, with both decimal separators.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/core/NumberFormat.h"

namespace kestro {
namespace {

struct FixedCase {
    double value;
    int decimals;
    const char* point;  // as written with '.'; the comma run swaps it
};

class NumberForms : public ::testing::TestWithParam<char> {};

std::string withSeparator(std::string text, char separator) {
    for (char& c : text) {
        if (c == '.')
            c = separator;
    }
    return text;
}

TEST_P(NumberForms, RoundsHalfAwayFromZeroOnTheDecimalText) {
    const FixedCase cases[] = {
        {2.5, 0, "3"},        {-2.5, 0, "-3"},
        {3.5, 0, "4"},        {0.5, 0, "1"},
        {-0.5, 0, "-1"},      {0.49, 0, "0"},
        {0.125, 2, "0.13"},   {-0.125, 2, "-0.13"},
        {1.005, 2, "1.01"},   {2.675, 2, "2.68"},
        {2.675f, 2, "2.67"},  {0.05, 1, "0.1"},
        {9.95, 1, "10.0"},    {99.995, 2, "100.00"},
        {-0.4, 0, "0"},       {-0.004, 2, "0.00"},
        {0, 3, "0.000"},      {1.23456789, 5, "1.23457"},
        {230.0, 1, "230.0"},  {1234567.891, 3, "1234567.891"},
        {0.1f, 5, "0.10000"}, {1e20, 0, "100000000000000000000"},
        {1e-7, 3, "0.000"},   {0.0005, 3, "0.001"},
    };
    const char separator = GetParam();
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFixed(c.value, c.decimals, separator), withSeparator(c.point, separator))
            << c.value << " with " << c.decimals << " decimals";
    }
}

TEST(FixedFormatSpecial, NonFiniteValues) {
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 2, '.'), "NAN");
    EXPECT_EQ(FormatFixed(HUGE_VAL, 0, '.'), "INF");
    EXPECT_EQ(FormatFixed(-HUGE_VAL, 1, ','), "-INF");
}

TEST_P(NumberForms, GeneralFormHasFifteenSignificantDigits) {
    const std::pair<double, const char*> cases[] = {
        {1.0, "1"},
        {static_cast<double>(0.1f), "0.100000001490116"},
        {0.1, "0.1"},
        {0, "0"},
        {-0.0, "0"},
        {-1.5, "-1.5"},
        {300, "300"},
        {1e20, "1E20"},
        {9e-6, "9E-6"},
        {-9e-6, "-9E-6"},
        {1.5e-7, "1.5E-7"},
        {0.00001, "0.00001"},
        {0.000123, "0.000123"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {9999999999999999.0, "1E16"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {static_cast<double>(3.4028235e38f), "3.40282346638529E38"},
    };
    const char separator = GetParam();
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FormatGeneral(value, separator), withSeparator(text, separator)) << value;
    }
}

TEST_P(NumberForms, ReadsWhatTheGeneralFormWrites) {
    const char separator = GetParam();
    for (float f : {1.0f, 0.1f, 230.5f, -4.75f, 1e20f, 9e-6f, 3.4028235e38f, 1.17549435e-38f}) {
        const double back = StrToFloat(FormatGeneral(f, separator), separator);
        EXPECT_EQ(static_cast<float>(back), f) << f;
    }
}

TEST_P(NumberForms, ConvertsTextsWithTheSeparatorOnly) {
    const char separator = GetParam();
    const std::pair<std::string, double> good[] = {
        {"1", 1},       {"  2.5  ", 2.5}, {"\t-0.125", -0.125}, {"+7", 7},
        {"1E20", 1e20}, {"9E-6", 9e-6},   {"1.5e+3", 1500},     {".5", 0.5},
        {"5.", 5},      {"0", 0},         {"-0.0", 0},
    };
    for (const auto& [text, value] : good) {
        EXPECT_DOUBLE_EQ(StrToFloat(withSeparator(text, separator), separator), value) << text;
    }
    // '_' stands for the other separator, which is never accepted.
    const std::string bad[] = {"",      "   ", "abc", "1_5",  "1e",    "E5",     "--1", "1 000",
                               "1.2.3", "nan", "inf", "0x10", "1e999", "1e-400", "12a", "."};
    const char other = separator == '.' ? ',' : '.';
    for (const std::string& text : bad) {
        std::string written = withSeparator(text, separator);
        for (char& c : written) {
            if (c == '_')
                c = other;
        }
        double value = 42;
        EXPECT_FALSE(TryStrToFloat(written, separator, value)) << written;
        EXPECT_EQ(value, 42) << "a failed conversion leaves the value alone";
        try {
            StrToFloat(written, separator);
            ADD_FAILURE() << "no error for '" << written << "'";
        } catch (const EConvertError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "'" + written + "' is not a valid floating point value");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Separators, NumberForms, ::testing::Values('.', ','),
                         [](const auto& info) { return info.param == '.' ? "Point" : "Comma"; });

}  // namespace
}  // namespace kestro
