#pragma once
// A moment as the computer's clock gave it: the instant, and the offset of
// local time from UTC at that instant, so that it can be written as local
// time without asking the system again.

#include <cstdint>

namespace kestro {

struct TimeStamp {
    int64_t msSinceEpoch = 0;      // UTC, milliseconds since 1970-01-01
    int32_t utcOffsetSeconds = 0;  // local time minus UTC
};

}  // namespace kestro
