#include "sim/model/DeviceClock.h"

#include <cstdio>

#include "sim/model/Encoding.h"

namespace kestro::sim {

int daysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int full = 2000 + year;
    const bool leap = (full % 4 == 0 && full % 100 != 0) || full % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

DeviceClock DeviceClock::fromLocalTime(const std::tm& local) {
    DeviceClock c;
    c.year = local.tm_year % 100;
    c.month = local.tm_mon + 1;
    c.day = local.tm_mday;
    c.hour = local.tm_hour;
    c.minute = local.tm_min;
    c.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // no leap seconds
    c.weekday = local.tm_wday == 0 ? 7 : local.tm_wday;
    return c;
}

std::optional<DeviceClock> DeviceClock::fromBlock(const uint16_t block[4]) {
    DeviceClock c;
    c.minute = fromBcd(uint8_t(block[0] >> 8));
    c.second = fromBcd(uint8_t(block[0]));
    c.hour = fromBcd(uint8_t(block[1] >> 8));
    c.weekday = block[1] & 0xFF;
    c.month = fromBcd(uint8_t(block[2] >> 8));
    c.day = fromBcd(uint8_t(block[2]));
    c.year = (block[3] >> 8) == 0 ? fromBcd(uint8_t(block[3])) : -1;
    const bool valid = c.second >= 0 && c.second <= 59 && c.minute >= 0 && c.minute <= 59 &&
                       c.hour >= 0 && c.hour <= 23 && c.weekday >= 1 && c.weekday <= 7 &&
                       c.year >= 0 && c.month >= 1 && c.month <= 12 && c.day >= 1 &&
                       c.day <= daysInMonth(c.year, c.month);
    if (!valid)
        return std::nullopt;
    return c;
}

void DeviceClock::addSeconds(int64_t seconds) {
    int64_t total = int64_t(hour) * 3600 + minute * 60 + second + seconds;
    int64_t days = total / 86400;
    total %= 86400;
    hour = int(total / 3600);
    minute = int(total / 60 % 60);
    second = int(total % 60);
    for (; days > 0; --days) {
        weekday = weekday % 7 + 1;
        if (++day <= daysInMonth(year, month))
            continue;
        day = 1;
        if (++month <= 12)
            continue;
        month = 1;
        year = (year + 1) % 100;
    }
}

std::array<uint16_t, 4> DeviceClock::readRegisters() const {
    return {uint16_t(toBcd(minute) << 8 | toBcd(second)), uint16_t(weekday << 8 | toBcd(hour)),
            uint16_t(toBcd(day) << 8 | toBcd(month)), uint16_t(toBcd(year))};
}

std::string DeviceClock::text() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "20%02d-%02d-%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return buffer;
}

}  // namespace kestro::sim
