#pragma once
// The simulator as a serial device server in transparent mode: it listens
// on the loopback address and carries the bytes of one TCP client to and
// from the master's terminal of the link, unchanged, so the relay paces and
// damages them exactly as on a --link. A second client while one is served
// is turned away, as single-client servers do.

#include <atomic>
#include <string>

#include "sim/EventLog.h"

namespace kestro::sim {

class TcpBridge {
  public:
    ~TcpBridge();
    // Listens on 127.0.0.1 at `port`; 0 takes any free port.
    bool listen(int port, std::string& error);
    int port() const { return port_; }
    // Serves clients on `terminal` until `stop` is set.
    void run(const std::string& terminal, const std::atomic<bool>& stop, EventLog& log);

  private:
    void accept(EventLog& log);
    void drop(EventLog& log);
    bool carry(int from, int to);

    int listener_ = -1;
    int port_ = 0;
    int client_ = -1;
    int terminal_ = -1;
};

}  // namespace kestro::sim
