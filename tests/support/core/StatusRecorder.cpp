#include "tests/support/core/StatusRecorder.h"

#include <algorithm>

namespace kestro::test {

void StatusRecorder::showStatus(const std::string& text, bool red) {
    shown.push_back({text, red});
    while (shown.size() > keep)
        shown.pop_front();
}

bool StatusRecorder::saw(const std::string& text) const {
    return std::any_of(shown.begin(), shown.end(), [&](const Entry& e) { return e.text == text; });
}

}  // namespace kestro::test
