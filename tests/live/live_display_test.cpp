// The live readings display on the real main window, fed through the real
// engine: values with their patterns, apparent power, lamps, font colours,
// the device clock and the Swap Words order.
#include <QLineEdit>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/LiveReadings.h"
#include "modbus/Driver_Modbus.h"
#include "platform/Lamp.h"
#include "tests/live/InputRegisters.h"
#include "tests/live/LiveFixture.h"

namespace kestro::test {
namespace {

// The text as the locale writes it: the point replaced by its separator.
QString inLocale(const char* pointText, const LocaleCase& locale) {
    return QString::fromLatin1(pointText).replace('.', locale.separator);
}

class LiveDisplayLocales : public LiveFixture, public ::testing::WithParamInterface<LocaleCase> {
  protected:
    LocaleScope locale{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(PointAndComma, LiveDisplayLocales,
                         ::testing::Values(kPointLocale, kCommaLocale), LocaleName);

TEST_P(LiveDisplayLocales, EveryValueReachesItsIndicatorWithItsPattern) {
    struct Case {
        int address;
        float value;
        QWidget* indicator;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {kInIr, 4.25f, window->IndIr, "4.3"},          {kInIs, 3.96f, window->IndIs, "4.0"},
        {kInIt, 0.04f, window->IndIt, "0.0"},          {kInVr, 230.4f, window->IndVr, "230"},
        {kInVs, 229.5f, window->IndVs, "230"},         {kInVt, 231.6f, window->IndVt, "232"},
        {kInP, 2690.0f, window->IndP, "2690"},         {kInQ, -410.7f, window->IndQ, "-411"},
        {kInCos, 0.987f, window->IndCos, "0.99"},      {kInF, 49.98f, window->IndF, "50"},
        {kInPr, 978.4f, window->IndPr, "978"},         {kInQr, 120.5f, window->IndQr, "121"},
        {kInPs, 905.0f, window->IndPs, "905"},         {kInQs, -300.2f, window->IndQs, "-300"},
        {kInPt, 806.6f, window->IndPt, "807"},         {kInQt, -231.0f, window->IndQt, "-231"},
        {kInPtot, 12345.6f, window->IndPtot, "12346"}, {kInQTot, 987.4f, window->IndQTot, "987"},
        {kInTemp, 36.5f, window->IndTemp, "37"},
    };
    window->cbSwapFloat->setChecked(false);
    for (const Case& c : cases)
        setFloat(c.address, c.value);
    poll();
    for (const Case& c : cases) {
        const auto* label = qobject_cast<QLabel*>(c.indicator);
        const QString text = label ? label->text() : qobject_cast<QLineEdit*>(c.indicator)->text();
        EXPECT_EQ(text, inLocale(c.shown, GetParam())) << c.indicator->objectName().toStdString();
    }
    EXPECT_EQ(window->IndS->text(), "2721");  // sqrt(2690^2 + 411^2) = 2721.2
}

// Rounding to the nearest, halves away from zero, for each of the three
// display patterns.
TEST_P(LiveDisplayLocales, PatternsRoundHalvesAwayFromZero) {
    struct Case {
        float value;
        QLabel* indicator;
        const char* shown;
    };
    const Case cases[] = {
        {2.5f, window->IndF, "3"},        {-2.5f, window->IndF, "-3"},
        {0.5f, window->IndF, "1"},        {-0.4f, window->IndF, "0"},
        {1.4999f, window->IndF, "1"},     {1234567.0f, window->IndF, "1234567"},
        {0.25f, window->IndIr, "0.3"},    {-0.25f, window->IndIr, "-0.3"},
        {99.96f, window->IndIr, "100.0"}, {-0.04f, window->IndIr, "0.0"},
        {0.125f, window->IndCos, "0.13"}, {-0.125f, window->IndCos, "-0.13"},
        {0.999f, window->IndCos, "1.00"}, {-1.0f, window->IndCos, "-1.00"},
    };
    const std::pair<QLabel*, int> addressOf[] = {
        {window->IndF, kInF}, {window->IndIr, kInIr}, {window->IndCos, kInCos}};
    window->cbSwapFloat->setChecked(false);
    for (const Case& c : cases) {
        for (const auto& [label, address] : addressOf)
            if (label == c.indicator)
                setFloat(address, c.value);
        poll();
        EXPECT_EQ(c.indicator->text(), inLocale(c.shown, GetParam())) << c.value;
    }
}

// S comes from the whole numbers on screen: 1.4 and 1.4 show as 1 and 1,
// so S is 1 (sqrt 2), not 2 (sqrt 3.92 = 1.98).
TEST_P(LiveDisplayLocales, ApparentPowerComesFromTheDisplayedPAndQ) {
    struct Case {
        float p, q;
        const char *shownP, *shownQ, *shownS;
    };
    const Case cases[] = {
        {1.4f, 1.4f, "1", "1", "1"},
        {3.0f, -4.0f, "3", "-4", "5"},
        {-2.5f, 0.4f, "-3", "0", "3"},
        {0.0f, 0.0f, "0", "0", "0"},
    };
    window->cbSwapFloat->setChecked(false);
    for (const Case& c : cases) {
        setFloat(kInP, c.p);
        setFloat(kInQ, c.q);
        poll();
        EXPECT_EQ(window->IndP->text(), c.shownP);
        EXPECT_EQ(window->IndQ->text(), c.shownQ);
        EXPECT_EQ(window->IndS->text(), c.shownS) << c.p << " " << c.q;
    }
}

using LiveDisplay = LiveFixture;

// A NaN or infinity in P or Q shows as a non-number, S as one too, and the
// rest of the refresh still runs.
TEST_F(LiveDisplay, NonFinitePowerShowsAsNonNumberAndTheRefreshGoesOn) {
    struct Case {
        uint32_t p, q;
        const char *shownP, *shownQ, *shownS;
    };
    const Case cases[] = {
        {0x7FC00000, 0x3F800000, "NAN", "1", "NAN"},   {0x3F800000, 0xFFC00000, "1", "NAN", "NAN"},
        {0x7F800000, 0x00000000, "INF", "0", "INF"},   {0x00000000, 0xFF800000, "0", "-INF", "INF"},
        {0x7FC00000, 0x7F800000, "NAN", "INF", "NAN"},
    };
    window->cbSwapFloat->setChecked(false);
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const Case& c = cases[i];
        setFloatBits(kInP, c.p);
        setFloatBits(kInQ, c.q);
        // Each later step gets something new to show.
        const bool odd = i % 2 != 0;
        setWord(kInStatusWord, odd ? 0x0004 : 0x0000);
        setWord(kInQuantityStateWord, odd ? 0x0001 : 0x0000);
        setWord(kInClockMinSec, uint16_t((i + 1) << 8));
        setFloat(kInTemp, float(i + 1));
        poll();
        EXPECT_EQ(window->IndP->text(), c.shownP);
        EXPECT_EQ(window->IndQ->text(), c.shownQ);
        EXPECT_EQ(window->IndS->text(), c.shownS) << c.shownP << " " << c.shownQ;
        EXPECT_EQ(window->LEDPrRev->isChecked(), odd);
        EXPECT_EQ(colour(window->IndPr), odd ? QColor(Qt::black) : QColor(Qt::red));
        EXPECT_TRUE(window->edRTC->text().endsWith(QStringLiteral("00:0%1:00, ?").arg(i + 1)))
            << window->edRTC->text().toStdString();
        EXPECT_EQ(window->IndTemp->text(), QString::number(i + 1));
    }
}

TEST_F(LiveDisplay, LampsFollowTheStatusWord) {
    struct Case {
        uint16_t statusWord;
        std::vector<const char*> lit;
    };
    const Case cases[] = {
        {0x0004, {"LEDPrRev", "LEDQrFwd", "LEDPsFwd", "LEDQsFwd", "LEDPtFwd", "LEDQtFwd"}},
        {0x3C03,
         {"LEDPhaseSeqErr", "LEDMissingPhase", "LEDSignalLoss", "LEDLossR", "LEDLossS", "LEDLossT",
          "LEDPrFwd", "LEDQrFwd", "LEDPsFwd", "LEDQsFwd", "LEDPtFwd", "LEDQtFwd"}},
        {0xC3FC,  // every direction reversed; the unused bits light nothing
         {"LEDPrRev", "LEDQrRev", "LEDPsRev", "LEDQsRev", "LEDPtRev", "LEDQtRev"}},
    };
    const QList<Lamp*> lamps = window->findChildren<Lamp*>(QRegularExpression("^LED"));
    ASSERT_EQ(lamps.size(), 18);
    for (const Case& c : cases) {
        setWord(kInStatusWord, c.statusWord);
        poll();
        for (const Lamp* lamp : lamps) {
            const std::string name = lamp->objectName().toStdString();
            const bool expectLit = std::find(c.lit.begin(), c.lit.end(), name) != c.lit.end();
            EXPECT_EQ(lamp->isChecked(), expectLit) << std::hex << c.statusWord << " " << name;
        }
    }
}

TEST_F(LiveDisplay, FontColoursFollowTheQuantityStateWord) {
    struct Case {
        uint16_t word;
        std::vector<const char*> black;
    };
    const Case cases[] = {
        {0x0000, {}},
        {0x0008, {"IndQr", "IndIr"}},
        {0x0124, {"IndPt", "IndQt", "IndVt", "IndIt"}},
        {0x0102, {"IndPs", "IndVt", "IndIs", "IndIt"}},
        {0xFE00, {}},  // unused bits
        {0x01FF,
         {"IndPr", "IndPs", "IndPt", "IndQr", "IndQs", "IndQt", "IndVr", "IndVs", "IndVt", "IndIr",
          "IndIs", "IndIt"}},
    };
    const QList<QLabel*> phaseIndicators = {
        window->IndPr, window->IndPs, window->IndPt, window->IndQr, window->IndQs, window->IndQt,
        window->IndVr, window->IndVs, window->IndVt, window->IndIr, window->IndIs, window->IndIt};
    const QList<QLabel*> uncoloured = {window->IndP,   window->IndQ, window->IndS,
                                       window->IndCos, window->IndF, window->IndTemp};
    for (const Case& c : cases) {
        setWord(kInQuantityStateWord, c.word);
        poll();
        for (const QLabel* label : phaseIndicators) {
            const std::string name = label->objectName().toStdString();
            const bool black = std::find(c.black.begin(), c.black.end(), name) != c.black.end();
            EXPECT_EQ(colour(label), black ? QColor(Qt::black) : QColor(Qt::red))
                << std::hex << c.word << " " << name;
        }
        for (const QLabel* label : uncoloured)
            EXPECT_EQ(colour(label), window->palette().color(QPalette::WindowText))
                << label->objectName().toStdString();
    }
}

TEST_F(LiveDisplay, DeviceClockReadsItsBcdRegisters) {
    struct Case {
        uint16_t minSec, weekdayHour, date, year;
        const char* shown;
    };
    const Case cases[] = {
        {0x3507, 0x0314, 0x0912, 0x0026, "09:12:2026, 14:35:07, Wednesday"},
        {0x3507, 0x0314, 0x0912, 0x0126, "09:12:20126, 14:35:07, Wednesday"},
        {0x0000, 0x0100, 0x3112, 0x0099, "31:12:2099, 00:00:00, Monday"},
        {0x5959, 0x0723, 0x0101, 0x0000, "01:01:2000, 23:59:59, Sunday"},
        // Weekdays without a name.
        {0x0102, 0x0003, 0x0102, 0x0024, "01:02:2024, 03:01:02, ?"},
        {0x0102, 0x0903, 0x0102, 0x0024, "01:02:2024, 03:01:02, ?"},
        {0x0102, 0xFF03, 0x0102, 0x0024, "01:02:2024, 03:01:02, ?"},
    };
    for (const Case& c : cases) {
        setWord(kInClockMinSec, c.minSec);
        setWord(kInClockWeekdayHour, c.weekdayHour);
        setWord(kInClockDate, c.date);
        setWord(kInClockYear, c.year);
        poll();
        EXPECT_EQ(window->edRTC->text().toStdString(), c.shown);
    }
}

// The check box changes the word order of every 32-bit value from the next
// refresh on; words and the clock read the same in both orders.
TEST_F(LiveDisplay, SwapWordsChangesTheOrderOfEveryFloat) {
    for (int address = 0; address < 36; address += 2)
        setFloat(address, 50.0f);
    setFloat(kInTemp, 50.0f);
    setWord(kInStatusWord, 0x0004);
    setWord(kInQuantityStateWord, 0x0008);
    setWord(kInClockMinSec, 0x3507);
    setWord(kInClockWeekdayHour, 0x0314);
    setWord(kInClockDate, 0x0912);
    setWord(kInClockYear, 0x0026);
    const QList<QLabel*> wholeNumbers = {
        window->IndVr, window->IndVs, window->IndVt,  window->IndP,  window->IndQ,
        window->IndF,  window->IndPr, window->IndQr,  window->IndPs, window->IndQs,
        window->IndPt, window->IndQt, window->IndTemp};
    auto expectShown = [&](const char* whole, const char* oneDecimal, const char* twoDecimals,
                           const char* s) {
        for (const QLabel* label : wholeNumbers)
            EXPECT_EQ(label->text(), whole) << label->objectName().toStdString();
        EXPECT_EQ(window->IndPtot->text(), whole);
        EXPECT_EQ(window->IndQTot->text(), whole);
        for (const QLabel* label : {window->IndIr, window->IndIs, window->IndIt})
            EXPECT_EQ(label->text(), oneDecimal) << label->objectName().toStdString();
        EXPECT_EQ(window->IndCos->text(), twoDecimals);
        EXPECT_EQ(window->IndS->text(), s);
        EXPECT_EQ(window->edRTC->text(), "09:12:2026, 14:35:07, Wednesday");
        EXPECT_TRUE(window->LEDPrRev->isChecked());
        EXPECT_EQ(colour(window->IndIr), QColor(Qt::black));
        EXPECT_EQ(colour(window->IndIs), QColor(Qt::red));
    };

    ASSERT_TRUE(window->cbSwapFloat->isChecked());  // as the program starts
    poll();
    // 4248h 0000h read low word first: a denormal near 2.4e-41.
    expectShown("0", "0.0", "0.00", "0");

    window->cbSwapFloat->setChecked(false);
    poll();
    expectShown("50", "50.0", "50.00", "71");

    for (int address = 0; address < 36; address += 2)
        setFloat(address, 50.0f, true);
    setFloat(kInTemp, 50.0f, true);
    window->cbSwapFloat->setChecked(true);
    poll();
    expectShown("50", "50.0", "50.00", "71");
}

// The refresh follows InputRegistersValid, not just any processed frame:
// while the input registers fail, the answers to other requests leave the
// indicators as they were, even though Swap Words would show the table
// differently.
TEST_F(LiveDisplay, NothingChangesWhileTheInputRegistersAreNotValid) {
    window->cbSwapFloat->setChecked(false);
    setFloat(kInF, 50.0f);
    setFloat(kInIr, 4.2f);
    setWord(kInStatusWord, 0x0004);
    poll();
    ASSERT_EQ(window->IndF->text(), "50");

    rig.slave.chooser = [](const SlaveRequest& request) {
        return request.function == 0x04 ? Reply::exceptionCode(2) : Reply::prompt();
    };
    DB_Modbus.HoldingReadCount = 52;
    ASSERT_TRUE(rig.runUntil([] { return !DB_Modbus.InputRegistersValid; }, 5000));
    window->cbSwapFloat->setChecked(true);
    setWord(kInStatusWord, 0x0000);
    rig.status.clear();
    poll();
    poll();
    ASSERT_TRUE(rig.status.saw("Valid response received <03h>."));
    ASSERT_FALSE(DB_Modbus.InputRegistersValid);
    EXPECT_EQ(window->IndF->text(), "50");
    EXPECT_EQ(window->IndIr->text(), "4.2");
    EXPECT_TRUE(window->LEDPrRev->isChecked());

    rig.slave.chooser = nullptr;
    ASSERT_TRUE(rig.runUntil([] { return DB_Modbus.InputRegistersValid; }, 5000));
    EXPECT_EQ(window->IndF->text(), "0");
    EXPECT_FALSE(window->LEDPrRev->isChecked());
}

TEST(LiveReadingsBinding, AWindowWithoutTheControlsIsRefused) {
    QWidget bare;
    try {
        InstallLiveReadings(&bare);
        FAIL() << "bound to a window without controls";
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("cbSwapFloat"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace kestro::test
