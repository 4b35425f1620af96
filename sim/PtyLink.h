#pragma once
// The two pseudo-terminals of a --link: the master's end, reachable through
// a symbolic link, and the device's end, which libmodbus opens. The
// simulator keeps the controlling sides itself, so the master can close and
// reopen its end at will.

#include <string>

namespace kestro::sim {

struct Pty {
    int control = -1;      // the side the simulator reads and writes
    std::string terminal;  // the /dev/pts path the other party opens
};

class PtyLink {
  public:
    ~PtyLink();
    // Creates both terminals and the symbolic link at `linkPath`, replacing
    // a stale symbolic link but nothing else; no link when it is empty.
    bool create(const std::string& linkPath, std::string& error);

    const Pty& masterEnd() const { return master_; }
    const Pty& deviceEnd() const { return device_; }

  private:
    Pty master_, device_;
    int deviceHold_ = -1;  // keeps the device end open while libmodbus reopens it
    std::string linkPath_;
};

}  // namespace kestro::sim
