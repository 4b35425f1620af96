#include "tools/recorder/RecordingFormat.h"

#include <charconv>
#include <cstdio>

namespace kestro {

namespace {

const char kLineEnd[] = "\r\n";
// Time, the quantities, the two words and the clock before the reason.
constexpr int kFieldsBeforeReason = 1 + kQuantityCount + 3;

// Civil date of a day count since 1970-01-01 (proleptic Gregorian).
void civilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// The shortest text that reads back as the same single-precision value.
std::string number(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, float(value));
    return std::string(text, result.ptr);
}

std::string hexWord(uint16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", unsigned(word));
    return text;
}

std::string clockText(const DeviceClock& clock) {
    if (!clock.valid)
        return std::string();
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", clock.year, clock.month,
                  clock.day, clock.hour, clock.minute, clock.second);
    return text;
}

}  // namespace

std::string IsoLocalTime(TimeStamp stamp) {
    const int64_t localMs = stamp.msSinceEpoch + int64_t(stamp.utcOffsetSeconds) * 1000;
    const int64_t days = floorDiv(localMs, 86400000);
    const int64_t msOfDay = localMs - days * 86400000;
    int year, month, day;
    civilFromDays(days, year, month, day);
    const int offsetMinutes =
        (stamp.utcOffsetSeconds < 0 ? -stamp.utcOffsetSeconds : stamp.utcOffsetSeconds) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", year, month,
                  day, int(msOfDay / 3600000), int(msOfDay / 60000 % 60), int(msOfDay / 1000 % 60),
                  int(msOfDay % 1000), stamp.utcOffsetSeconds < 0 ? '-' : '+', offsetMinutes / 60,
                  offsetMinutes % 60);
    return text;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string RecordingHeader() {
    std::string line = "Time";
    for (const QuantityInfo& info : Quantities()) {
        line += ',';
        line += CsvField(*info.unit ? std::string(info.name) + " [" + info.unit + "]" : info.name);
    }
    return line + ",StatusWord,QuantityStateWord,Device clock,No reading" + kLineEnd;
}

std::string RecordingRow(const ReadingSnapshot& snapshot) {
    std::string line = IsoLocalTime(snapshot.taken);
    for (double value : snapshot.values)
        line += ',' + number(value);
    line += ',' + hexWord(snapshot.statusWord) + ',' + hexWord(snapshot.quantityStateWord) + ',' +
            clockText(snapshot.deviceClock) + ',';
    return line + kLineEnd;
}

std::string GapRow(const MissedReading& missed) {
    std::string line = IsoLocalTime(missed.at);
    line.append(kFieldsBeforeReason - 1, ',');
    return line + ',' + CsvField(missed.reason) + kLineEnd;
}

}  // namespace kestro
