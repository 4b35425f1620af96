#include "tools/traffic/FrameHistory.h"

namespace kestro {

FrameHistory::FrameHistory(size_t capacity) : capacity_(capacity) {}

void FrameHistory::add(const FrameEvent& event) {
    if (capacity_ == 0)
        return;
    if (frames_.size() == capacity_) {
        frames_.pop_front();
        ++dropped_;
    }
    frames_.push_back(event);
}

void FrameHistory::clear() {
    frames_.clear();
    dropped_ = 0;
}

}  // namespace kestro
