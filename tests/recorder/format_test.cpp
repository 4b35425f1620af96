// The recording's text: header, reading rows and gap rows against literal
// expected lines, under a point and a comma locale.
#include <gtest/gtest.h>

#include <QLocale>
#include <locale>
#include <string>
#include <vector>

#include "tools/recorder/Recorder.h"
#include "tools/recorder/RecordingFormat.h"

namespace kestro::test {
namespace {

const char kHeader[] =
    "Time,Ir [A],Is [A],It [A],Vr [V],Vs [V],Vt [V],Pr [W],Ps [W],Pt [W],Qr [Var],Qs [Var],"
    "Qt [Var],P [W],Q [Var],S [VA],PF,F [Hz],Temperature [\u00B0C],Energy P [kWh],"
    "Energy Q [kVarh],StatusWord,QuantityStateWord,Device clock,No reading\r\n";

// F32 pairs (high word first) at the addresses of the register map.
std::vector<uint16_t> image() {
    std::vector<uint16_t> r(44, 0);
    const uint16_t pairs[][3] = {
        {0, 0x4088, 0x0000},  {2, 0x4060, 0x0000},  {4, 0x40B8, 0x0000},  {6, 0x4366, 0x0000},
        {8, 0x4367, 0x0000},  {10, 0x4365, 0x0000}, {12, 0x4528, 0x2000}, {14, 0xC3CD, 0x8000},
        {16, 0x3F40, 0x0000}, {18, 0x4248, 0x0000}, {20, 0x4474, 0x8000}, {22, 0x42F2, 0x0000},
        {24, 0x4462, 0x4000}, {26, 0xC396, 0x0000}, {28, 0x4449, 0xC000}, {30, 0xC368, 0x0000},
        {32, 0x4640, 0xE600}, {34, 0x4476, 0xD000}, {42, 0x4212, 0x0000},
    };
    for (const auto& p : pairs) {
        r[p[0]] = p[1];
        r[p[0] + 1] = p[2];
    }
    r[36] = 0x3C03;
    r[37] = 0x0008;
    r[38] = 0x3507;
    r[39] = 0x0314;
    r[40] = 0x0912;
    r[41] = 0x0026;
    return r;
}

// 1765460107250 ms is 2025-12-11 13:35:07.250 UTC.
const TimeStamp kAt{1765460107250, 3600};

const char kRow[] =
    "2025-12-11T14:35:07.250+01:00,4.25,3.5,5.75,230,231,229,978,905,807,121,-300,-232,2690,"
    "-411,2721.2168,0.75,50,36.5,12345.5,987.25,0x3C03,0x0008,2026-12-09T14:35:07,\r\n";

// A numeric punctuation with a decimal comma, for the C++ locale.
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

class RecordingText : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        if (GetParam()) {
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
            std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
        }
    }
    void TearDown() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        std::locale::global(std::locale::classic());
    }
};
INSTANTIATE_TEST_SUITE_P(Locales, RecordingText, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Comma" : "Point"; });

TEST_P(RecordingText, HeaderReadingAndGapRows) {
    EXPECT_EQ(RecordingHeader(), kHeader);
    EXPECT_EQ(RecordingRow(DecodeReadings(image().data(), false, kAt)), kRow);
    // 13:35:09.250 UTC at an offset of -04:30.
    EXPECT_EQ(GapRow({TimeStamp{1765460109250, -16200}, "No response from slave device."}),
              "2025-12-11T09:05:09.250-04:30,,,,,,,,,,,,,,,,,,,,,,,,No response from slave "
              "device.\r\n");
}

TEST_P(RecordingText, ValuesNoNumberCanShowAndABrokenClock) {
    std::vector<uint16_t> r(44, 0);
    r[0] = 0x7FC0;   // Ir NaN
    r[2] = 0xFF80;   // Is -infinity
    r[16] = 0xBF00;  // PF -0.5
    r[18] = 0x3DCC;  // F 0.1f
    r[19] = 0xCCCD;
    r[39] = 0x0914;  // weekday 9: no valid clock
    r[40] = 0x0101;
    const std::string row = RecordingRow(DecodeReadings(r.data(), false, TimeStamp{0, 0}));
    EXPECT_EQ(row,
              "1970-01-01T00:00:00.000+00:00,nan,-inf,0,0,0,0,0,0,0,0,0,0,0,0,0,-0.5,0.1,0,0,0,"
              "0x0000,0x0000,,\r\n");
}

TEST(RecordingTime, LocalTimeWithOffset) {
    struct Case {
        TimeStamp at;
        const char* text;
    };
    const Case cases[] = {
        {{951782400000, 0}, "2000-02-29T00:00:00.000+00:00"},  // leap day
        {{1767225599999, 0}, "2025-12-31T23:59:59.999+00:00"},
        {{1767225599999, 3600}, "2026-01-01T00:59:59.999+01:00"},  // a new year by the offset
        {{1767225600000, -3600}, "2025-12-31T23:00:00.000-01:00"},
        {{1765460107250, 19800}, "2025-12-11T19:05:07.250+05:30"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsoLocalTime(c.at), c.text);
}

TEST(RecordingText, FieldsWithCommasOrQuotesAreQuoted) {
    EXPECT_EQ(CsvField("Port closed."), "Port closed.");
    EXPECT_EQ(CsvField("a, b"), "\"a, b\"");
    EXPECT_EQ(CsvField("say \"no\""), "\"say \"\"no\"\"\"");
    EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");
}

// The recorder writes the header, one row per new reading and one per gap;
// the refresh after a write repeats a reading and writes nothing.
TEST(Recorder, OneRowPerReadingAndPerGap) {
    std::string file;
    Recorder recorder([&file](const std::string& line, std::string&) {
        file += line;
        return true;
    });
    ASSERT_TRUE(recorder.start());
    ReadingSnapshot snapshot = DecodeReadings(image().data(), false, kAt);
    recorder.readingTaken(snapshot);
    snapshot.newReading = false;
    recorder.readingTaken(snapshot);
    recorder.readingMissed({TimeStamp{1765460109250, -16200}, "Port closed."});
    EXPECT_EQ(file, std::string(kHeader) + kRow +
                        "2025-12-11T09:05:09.250-04:30,,,,,,,,,,,,,,,,,,,,,,,,Port closed.\r\n");
    EXPECT_EQ(recorder.rows(), 2);
}

TEST(Recorder, TheFirstFailedWriteStopsIt) {
    int writes = 0, changes = 0;
    Recorder recorder([&writes](const std::string&, std::string& error) {
        if (++writes < 3)
            return true;
        error = "No space left on device";
        return false;
    });
    recorder.onChange = [&changes] { ++changes; };
    ASSERT_TRUE(recorder.start());
    const ReadingSnapshot snapshot = DecodeReadings(image().data(), false, kAt);
    for (int i = 0; i < 4; ++i)
        recorder.readingTaken(snapshot);
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(recorder.rows(), 1);
    EXPECT_EQ(recorder.failure(), "No space left on device");
    EXPECT_EQ(writes, 3);  // nothing tried after the failure
    EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace kestro::test
