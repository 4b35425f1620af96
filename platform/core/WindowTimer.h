#pragma once
// A window timer: ticks every `interval` ms on the UI thread while enabled.

#include <functional>

namespace kestro {

class WindowTimer {
  public:
    virtual ~WindowTimer() = default;
    virtual void setInterval(int ms) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    std::function<void()> OnTimer;
};

}  // namespace kestro
