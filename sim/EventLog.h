#pragma once
// Prints events as JSON lines on stdout, one whole line at a time from any
// thread, flushed at once so that a reader sees each event as it happens.

#include <mutex>

#include "sim/model/Event.h"

namespace kestro::sim {

class EventLog {
  public:
    void print(const Event& event);

  private:
    std::mutex mutex_;
};

}  // namespace kestro::sim
