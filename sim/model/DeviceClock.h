#pragma once
// The analyzer's real-time clock: a calendar within one century that runs
// on as the model's time advances. The weekday is a counter of its own, as
// in an RTC chip: it is set with the clock and steps at midnight.

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace kestro::sim {

struct DeviceClock {
    int year = 26;  // within the century, 0..99
    int month = 1, day = 5;
    int hour = 0, minute = 0, second = 0;
    int weekday = 1;  // 1 = Monday .. 7 = Sunday

    static DeviceClock fromLocalTime(const std::tm& local);
    // The clock from a written clock block (addresses 300..303), or nothing
    // when a byte is not BCD or a field is out of its range.
    static std::optional<DeviceClock> fromBlock(const uint16_t block[4]);

    void addSeconds(int64_t seconds);
    // Registers 38..41 as the master reads them.
    std::array<uint16_t, 4> readRegisters() const;
    // "2026-01-05 00:00:00"
    std::string text() const;
};

int daysInMonth(int year, int month);  // year within the century

}  // namespace kestro::sim
