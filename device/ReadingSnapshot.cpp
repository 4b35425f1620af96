#include "device/ReadingSnapshot.h"

#include <cmath>

#include "device/RegisterMap.h"
#include "device/Utility.h"
#include "platform/core/NumberFormat.h"

namespace kestro {

using namespace regmap;

namespace {

// Two BCD digits, or -1 when a nibble is not a decimal digit.
int bcd(unsigned byte) {
    const unsigned tens = byte >> 4, units = byte & 0x0F;
    return tens > 9 || units > 9 ? -1 : int(tens * 10 + units);
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// 38 minutes<<8 | seconds, 39 weekday<<8 | hours, 40 day<<8 | month, 41
// the year within the century; all BCD but the weekday.
DeviceClock decodeClock(const std::array<uint16_t, 4>& r) {
    DeviceClock clock;
    clock.minute = bcd(r[0] >> 8);
    clock.second = bcd(r[0] & 0xFF);
    clock.weekday = r[1] >> 8;
    clock.hour = bcd(r[1] & 0xFF);
    clock.day = bcd(r[2] >> 8);
    clock.month = bcd(r[2] & 0xFF);
    const int century = r[3] >> 8 == 0 ? bcd(r[3] & 0xFF) : -1;
    clock.year = century < 0 ? -1 : 2000 + century;
    clock.valid = clock.minute >= 0 && clock.minute < 60 && clock.second >= 0 &&
                  clock.second < 60 && clock.hour >= 0 && clock.hour < 24 && clock.weekday >= 1 &&
                  clock.weekday <= 7 && clock.year >= 0 && clock.month >= 1 && clock.month <= 12 &&
                  clock.day >= 1 && clock.day <= daysInMonth(clock.year, clock.month);
    return clock;
}

StatusFlags decodeStatus(uint16_t word) {
    StatusFlags flags;
    flags.phaseSequenceFault = TestBit(word, kStatusPhaseSeqErr);
    flags.missingPhase = TestBit(word, kStatusMissingPhase);
    flags.signalLoss = TestBit(word, kStatusSignalLoss);
    for (int phase = 0; phase < kPhaseCount; ++phase) {
        flags.phaseLoss[phase] = TestBit(word, kStatusLoss[phase]);
        flags.activeReverse[phase] = TestBit(word, kStatusActiveRev[phase]);
        flags.reactiveReverse[phase] = TestBit(word, kStatusReactiveRev[phase]);
    }
    return flags;
}

QuantityFlags decodeQuantityStates(uint16_t word) {
    QuantityFlags flags;
    for (int phase = 0; phase < kPhaseCount; ++phase) {
        flags.active[phase] = TestBit(word, kQtyActive[phase]);
        flags.reactive[phase] = TestBit(word, kQtyReactive[phase]);
        flags.voltage[phase] = TestBit(word, kQtyVoltage[phase]);
    }
    return flags;
}

// What a whole-number indicator shows, read back as a number.
double shownWhole(double value) {
    double shown;
    return TryStrToFloat(FormatFixed(value, 0, '.'), '.', shown) ? shown : value;
}

}  // namespace

double ApparentPowerShown(double p, double q) {
    const double shownP = shownWhole(p), shownQ = shownWhole(q);
    return std::sqrt(shownP * shownP + shownQ * shownQ);
}

ReadingSnapshot DecodeReadings(const uint16_t* table, bool swapWords, TimeStamp taken) {
    ReadingSnapshot snapshot;
    for (const QuantityInfo& info : Quantities()) {
        if (info.address >= 0)
            snapshot.values[size_t(info.quantity)] = RegFloat(table, info.address, swapWords);
    }
    snapshot.values[size_t(Quantity::S)] =
        ApparentPowerShown(snapshot.value(Quantity::P), snapshot.value(Quantity::Q));
    snapshot.statusWord = RegWord(table, kInStatusWord);
    snapshot.quantityStateWord = RegWord(table, kInQuantityStateWord);
    snapshot.status = decodeStatus(snapshot.statusWord);
    snapshot.quantityStates = decodeQuantityStates(snapshot.quantityStateWord);
    snapshot.clockRegisters = {RegWord(table, kInClockMinSec), RegWord(table, kInClockWeekdayHour),
                               RegWord(table, kInClockDate), RegWord(table, kInClockYear)};
    snapshot.deviceClock = decodeClock(snapshot.clockRegisters);
    snapshot.taken = taken;
    snapshot.swapWords = swapWords;
    return snapshot;
}

}  // namespace kestro
