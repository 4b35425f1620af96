// Regional forms follow the default locale: numbers with its decimal
// separator, dates and times in its short date and long time formats.

#include <gtest/gtest.h>

#include <QLocale>

#include "platform/Regional.h"
#include "tests/support/Locales.h"

namespace kestro {
namespace {

class RegionalForms : public ::testing::Test {
  protected:
    void use(QLocale::Language language, QLocale::Territory territory) {
        QLocale::setDefault(QLocale(language, territory));
    }
    // Whatever the test sets, the default locale is put back.
    test::LocaleScope restore_{QLocale()};
};

TEST_F(RegionalForms, NumbersFollowTheLocaleSeparator) {
    use(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(DecimalSeparator(), '.');
    EXPECT_EQ(FormatFixed(-2.5, 0), "-3");
    EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
    EXPECT_EQ(FormatFixed(1234.5, 1), "1234.5") << "no thousands separator";
    EXPECT_EQ(FormatGeneral(0.1f), "0.100000001490116");
    EXPECT_EQ(StrToFloat(" 2.5 "), 2.5);
    double value = 0;
    EXPECT_FALSE(TryStrToFloat("2,5", value));

    use(QLocale::German, QLocale::Germany);
    EXPECT_EQ(DecimalSeparator(), ',');
    EXPECT_EQ(FormatFixed(2.5, 0), "3");
    EXPECT_EQ(FormatFixed(-0.125, 2), "-0,13");
    EXPECT_EQ(FormatFixed(1234.5, 1), "1234,5") << "no thousands separator";
    EXPECT_EQ(FormatGeneral(0.1f), "0,100000001490116");
    EXPECT_EQ(FormatGeneral(9e-6), "9E-6");
    EXPECT_EQ(StrToFloat("2,5"), 2.5);
    EXPECT_FALSE(TryStrToFloat("2.5", value));
}

TEST_F(RegionalForms, ConversionErrorNamesTheText) {
    use(QLocale::German, QLocale::Germany);
    try {
        StrToFloat("1.0");
        FAIL() << "a point is not the separator here";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'1.0' is not a valid floating point value");
    }
}

TEST_F(RegionalForms, ShortDateAndLongTimeWithoutTimeZone) {
    const QDateTime moment(QDate(2024, 3, 7), QTime(14, 5, 9));
    use(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(ShortDateText(moment), "3/7/24");
    EXPECT_EQ(LongTimeText(moment), "2:05:09 PM");
    use(QLocale::German, QLocale::Germany);
    EXPECT_EQ(ShortDateText(moment), "07.03.24");
    EXPECT_EQ(LongTimeText(moment), "14:05:09");
}

}  // namespace
}  // namespace kestro
