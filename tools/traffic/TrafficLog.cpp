#include "tools/traffic/TrafficLog.h"

namespace kestro {

TrafficLog::TrafficLog(int64_t originUs, size_t capacity)
    : originUs_(originUs), history_(capacity) {}

void TrafficLog::onFrame(const FrameEvent& event) {
    history_.add(event);
    statistics_.add(event);
}

}  // namespace kestro
