#include "sim/EventLog.h"

#include <cstdio>

namespace kestro::sim {

void EventLog::print(const Event& event) {
    const std::string line = event.json() + "\n";
    std::lock_guard<std::mutex> lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

}  // namespace kestro::sim
