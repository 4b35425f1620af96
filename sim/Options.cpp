#include "sim/Options.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>

namespace kestro::sim {

const char* usageText() {
    return R"(Usage: rvx82a-sim (--link PATH | --tcp PORT | --port PATH) [options]

Simulates an RVX82A three-phase analyzer as a MODBUS RTU slave at 9600 8N1.
Prints one JSON line on stdout for every applied command, every refused
request and every injected fault.

Where it serves:
  --link PATH         create a pseudo-terminal for the master and put a symbolic
                      link to it at PATH; bytes are paced like a 9600-baud line
                      and line faults can be injected (removed again on exit)
  --tcp PORT          act as a serial device server on 127.0.0.1: one TCP
                      client at a time, raw RTU frames, the bytes paced and
                      faulted as with --link (PORT 0: any free port, given in
                      the start event)
  --port PATH         serve on an existing serial device (no line faults)

The device:
  --slave-id N        MODBUS slave address, 1..247 (default 1)
  --baud N            the device's line runs at N baud (1200, 2400, 4800,
                      9600 or 19200; needs --link): it hears the master only
                      while the master's terminal is set to that rate, and
                      a downloaded configuration moves it to its baud rate
                      (a "baud" event); without it the rate is not looked at
  --firmware TEXT     firmware version text, up to 52 characters
                      (default "RVX82A V1.10")
  --clock "YYYY-MM-DD HH:MM:SS"
                      start the device clock here (default: local time)
  --freeze            time stands still: readings, meters and clock keep
                      their starting values
  --reverse-p PHASES  active power of these phases flows back (e.g. R or S,T)
  --reverse-q PHASES  reactive power of these phases flows back
  --drop-phase PHASES these phases carry no voltage and no current

Wiring faults of the installation, measured as a real analyzer would:
  --reverse-ct PHASES the CTs of these phases are mounted the wrong way round
                      (P1/P2 or S1/S2 swapped): their P and Q read reversed
  --swap-ct PAIR      the CTs of two phases are exchanged (e.g. S,T): each
                      phase's P and Q come from the other phase's current
                      against its own voltage
  --missing-voltage PHASES
                      the voltage taps of these phases are open: no voltage
                      and no power, the current still reads; the phase loss
                      and missing phase are reported and the phase's P, Q
                      and V marked not valid in the quantity state word
  --sequence-fault    the phases are connected R, T, S, each CT with its own
                      voltage: a phase sequence fault is reported
  --export PHASES     these phases feed power back (a PV inverter): the
                      current stands 170 degrees behind the voltage

Line faults (with --link or --tcp), each printed as a "fault" event:
  --drop P            lose an answer with probability P (0..1)
  --corrupt P         damage one byte of an answer with probability P
  --garbage P         put noise bytes before an answer with probability P
  --split             send each answer in several pieces, with pauses of
                      10 to 30 ms between them
  --delay MS          start every answer MS milliseconds late
  --echo              echo every request back to the master (RS-485 echo)
  --silent            never let a request reach the device
  --seed N            seed of the fault dice, for reproducible runs
  --log-traffic       print a "request" event for every request the line
                      carries to the device and an "answer" event for every
                      answer it carries back (a lost answer prints its
                      "drop" fault instead)

  --help              show this text

Events: {"event":"start",...}, {"event":"write","block":"configuration"|
"calibration"|"energy_reset"|"clock",...}, {"event":"address","slave_id":N},
{"event":"baud","baud":N},
{"event":"exception","function":F,"address":A,"count":N,"code":C,"reason":...},
{"event":"fault","fault":"drop"|"corrupt"|"garbage"|"split"|"delay"|"echo"|
"silent",...}, {"event":"request"|"answer","function":F,"bytes":N}
(--log-traffic), {"event":"rx_error",...}, {"event":"tcp_connect","peer":...},
{"event":"tcp_disconnect"}, {"event":"tcp_busy","peer":...}, {"event":"stop"}.
SIGINT or SIGTERM stops the simulator.
)";
}

namespace {

bool parseNumber(const std::string& text, double min, double max, double& out) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= min && value <= max))
        return false;
    out = value;
    return true;
}

// 0, 1, 2 for R, S, T in either case; npos for anything else.
size_t phaseIndex(char c) {
    return std::string("RST").find(char(std::toupper(c)));
}

bool parsePhases(const std::string& text, LineFaults& line, bool PhaseFaults::*flag) {
    if (text.empty())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ',')
            continue;
        const size_t phase = phaseIndex(c);
        if (phase == std::string::npos)
            return false;
        line.phase[phase].*flag = true;
    }
    return true;
}

// Two different phases, e.g. "S,T" or "ST".
bool parsePair(const std::string& text, int (&pair)[2]) {
    int found = 0;
    for (char c : text) {
        if (c == ',')
            continue;
        const size_t phase = phaseIndex(c);
        if (phase == std::string::npos || found == 2)
            return false;
        pair[found++] = int(phase);
    }
    return found == 2 && pair[0] != pair[1];
}

std::optional<DeviceClock> parseClock(const std::string& text) {
    std::tm tm{};
    const char* end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm);
    if (end == nullptr || *end != '\0' || tm.tm_year < 100 || tm.tm_year >= 200)
        return {};
    std::tm normalized = tm;
    const time_t t = timegm(&normalized);  // fills in the weekday
    if (t == time_t(-1) || normalized.tm_mday != tm.tm_mday)
        return {};
    return DeviceClock::fromLocalTime(normalized);
}

}  // namespace

std::optional<Options> parseOptions(int argc, char** argv, std::string& error) {
    Options o;
    using Handler = std::function<bool(const std::string&)>;
    auto probability = [](double& target) {
        return Handler([&target](const std::string& v) { return parseNumber(v, 0, 1, target); });
    };
    auto phases = [&o](bool PhaseFaults::*flag) {
        return Handler([&o, flag](const std::string& v) { return parsePhases(v, o.line, flag); });
    };
    const std::map<std::string, Handler> withValue = {
        {"--link", [&o](const std::string& v) { return !(o.link = v).empty(); }},
        {"--port", [&o](const std::string& v) { return !(o.port = v).empty(); }},
        {"--tcp",
         [&o](const std::string& v) {
             double port;
             if (!parseNumber(v, 0, 65535, port) || port != int(port))
                 return false;
             o.tcpPort = int(port);
             return true;
         }},
        {"--slave-id",
         [&o](const std::string& v) {
             double n;
             if (!parseNumber(v, 1, 247, n) || n != int(n))
                 return false;
             o.slaveId = int(n);
             return true;
         }},
        {"--baud",
         [&o](const std::string& v) {
             for (const int rate : {1200, 2400, 4800, 9600, 19200}) {
                 if (v == std::to_string(rate))
                     o.baud = rate;
             }
             return o.baud != 0;
         }},
        {"--seed",
         [&o](const std::string& v) {
             char* end = nullptr;
             o.seed = std::strtoull(v.c_str(), &end, 10);
             return !v.empty() && *end == '\0';
         }},
        {"--firmware", [&o](const std::string& v) { return (o.firmware = v).size() <= 52; }},
        {"--clock", [&o](const std::string& v) { return (o.clock = parseClock(v)).has_value(); }},
        {"--drop", probability(o.wire.drop)},
        {"--corrupt", probability(o.wire.corrupt)},
        {"--garbage", probability(o.wire.garbage)},
        {"--delay",
         [&o](const std::string& v) {
             double ms;
             if (!parseNumber(v, 0, 60000, ms))
                 return false;
             o.wire.delayMs = int(ms);
             return true;
         }},
        {"--reverse-p", phases(&PhaseFaults::reverseP)},
        {"--reverse-q", phases(&PhaseFaults::reverseQ)},
        {"--drop-phase", phases(&PhaseFaults::dropped)},
        {"--reverse-ct", phases(&PhaseFaults::reverseCt)},
        {"--missing-voltage", phases(&PhaseFaults::voltageMissing)},
        {"--export", phases(&PhaseFaults::exporting)},
        {"--swap-ct", [&o](const std::string& v) { return parsePair(v, o.line.swappedCts); }},
    };
    const std::map<std::string, bool*> flags = {
        {"--split", &o.wire.split},       {"--echo", &o.wire.echo},
        {"--silent", &o.wire.silent},     {"--sequence-fault", &o.line.sequenceFault},
        {"--freeze", &o.freeze},          {"--help", &o.help},
        {"--log-traffic", &o.logTraffic},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (auto flag = flags.find(arg); flag != flags.end()) {
            *flag->second = true;
            continue;
        }
        auto handler = withValue.find(arg);
        if (handler == withValue.end()) {
            error = "unknown option " + arg;
            return {};
        }
        if (i + 1 >= argc || !handler->second(argv[i + 1])) {
            error = "bad or missing value for " + arg;
            return {};
        }
        ++i;
    }
    if (o.help)
        return o;
    if (int(!o.link.empty()) + int(!o.port.empty()) + int(o.tcpPort >= 0) != 1) {
        error = "give exactly one of --link PATH, --tcp PORT and --port PATH";
        return {};
    }
    if (o.baud != 0 && o.link.empty()) {
        error = "--baud needs --link";
        return {};
    }
    if (!o.port.empty() && (o.wire.any() || o.logTraffic)) {
        error = "line faults and --log-traffic need --link or --tcp";
        return {};
    }
    return o;
}

}  // namespace kestro::sim
