#pragma once
// The engine's status line for tests: every text shown in status panel 2
// with its colour, and the text of panel 0.

#include <deque>
#include <string>

#include "modbus/LinkHost.h"

namespace kestro::test {

// Status panel 2 (and panel 0) as shown, the most recent `keep` texts kept.
class StatusRecorder : public StatusLine {
  public:
    struct Entry {
        std::string text;
        bool red;
    };
    void showStatus(const std::string& text, bool red) override;
    void showPort(const std::string& text) override { port = text; }
    std::string last() const { return shown.empty() ? std::string() : shown.back().text; }
    bool lastRed() const { return !shown.empty() && shown.back().red; }
    bool saw(const std::string& text) const;
    void clear() { shown.clear(); }

    std::deque<Entry> shown;
    size_t keep = 1000;
    std::string port;
};

}  // namespace kestro::test
