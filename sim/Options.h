#pragma once
// The simulator's command line.

#include <cstdint>
#include <optional>
#include <string>

#include "sim/model/DeviceClock.h"
#include "sim/model/Measurement.h"

namespace kestro::sim {

// Faults the link puts on the line, all on the way from the device to the
// master except the echo and the silence.
struct WireFaults {
    double drop = 0;      // probability that an answer is lost
    double corrupt = 0;   // probability that one byte of an answer is damaged
    double garbage = 0;   // probability of noise bytes before an answer
    bool split = false;   // answers arrive in pieces with short pauses
    int delayMs = 0;      // every answer starts this late
    bool echo = false;    // the master hears its own request (RS-485 echo)
    bool silent = false;  // requests never reach the device
    bool any() const {
        return drop > 0 || corrupt > 0 || garbage > 0 || split || delayMs > 0 || echo || silent;
    }
};

struct Options {
    std::string port;  // serve on this existing serial device
    std::string link;  // create a pseudo-terminal here
    int tcpPort = -1;  // serve TCP clients on 127.0.0.1 at this port (0: any)
    int slaveId = 1;
    // With --baud: the rate of the device's line. It hears the master only
    // while the master's terminal is set to it; a configuration write moves
    // it. 0: the master's rate is not looked at.
    int baud = 0;
    std::optional<uint64_t> seed;
    WireFaults wire;
    LineFaults line;
    std::string firmware = "RVX82A V1.10";
    std::optional<DeviceClock> clock;  // default: the computer's local time
    bool freeze = false;               // time stands still
    bool logTraffic = false;           // an event for every request and answer on the line
    bool help = false;
};

// Parses argv; on a mistake returns nothing and sets `error`.
std::optional<Options> parseOptions(int argc, char** argv, std::string& error);
const char* usageText();

}  // namespace kestro::sim
