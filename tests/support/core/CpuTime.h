#pragma once
// CPU time this process used so far, for the benchmarks and the endurance
// runs (pass/fail tests count wake-ups instead: see WakeCounter.h).

#include <ctime>

namespace kestro::test {

inline double processCpuMs() {
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

}  // namespace kestro::test
