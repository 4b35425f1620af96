#include "sim/Relay.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace kestro::sim {

namespace {

constexpr int64_t kBitsPerByte = 10;  // start, 8 data and stop bit
constexpr int kDefaultBaud = 9600;
constexpr int64_t kBurstPauseUs = 2000;  // a writer's bytes arrive closer together
constexpr int64_t kMasterCheckUs = 20000;
constexpr int64_t kIdleWakeUs = 50000;

int64_t nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Relay::Relay(int masterFd, int deviceFd, const WireFaults& faults, uint64_t seed, EventLog& log,
             bool logTraffic, const std::atomic<int>& lineBaud)
    : faults_(faults),
      shaper_(faults, seed),
      log_(log),
      logTraffic_(logTraffic),
      lineBaud_(lineBaud) {
    master_.fd = masterFd;
    device_.fd = deviceFd;
}

void Relay::run(const std::atomic<bool>& stop) {
    while (!stop) {
        const int64_t now = nowUs();
        watchMaster(now);
        flushDue(master_, now);
        flushDue(device_, now);
        endBursts(now);
        pollfd fds[2] = {{device_.fd, POLLIN, 0}, {master_.fd, POLLIN, 0}};
        const int64_t waitUs = std::max<int64_t>(0, nextWakeUs(now) - now);
        const timespec timeout{time_t(waitUs / 1000000), long(waitUs % 1000000) * 1000};
        if (ppoll(fds, masterPresent_ ? 2 : 1, &timeout, nullptr) <= 0)
            continue;
        const int64_t at = nowUs();
        if (fds[0].revents & POLLIN)
            readBurst(device_, at);
        if (!masterPresent_)
            continue;
        if (fds[1].revents & POLLHUP) {
            // The master closed its end: what it wrote last and what is on
            // the way to it die with the port, as on a real line.
            masterPresent_ = false;
            tcflush(master_.fd, TCIFLUSH);
            master_.out.clear();
            master_.burst.clear();
        } else if (fds[1].revents & POLLIN) {
            readBurst(master_, at);
        }
    }
}

// While the master's end is closed, its terminal reports a hang-up at every
// poll; look again now and then rather than spin.
void Relay::watchMaster(int64_t now) {
    if (masterPresent_ || now < masterCheckUs_)
        return;
    masterCheckUs_ = now + kMasterCheckUs;
    pollfd fd{master_.fd, POLLIN, 0};
    if (poll(&fd, 1, 0) >= 0 && !(fd.revents & POLLHUP)) {
        masterPresent_ = true;
        master_.lineFreeUs = now;
    }
}

int64_t Relay::nextWakeUs(int64_t now) const {
    int64_t wake = now + (masterPresent_ ? kIdleWakeUs : kMasterCheckUs);
    for (const Side* side : {&master_, &device_}) {
        if (!side->out.empty())
            wake = std::min(wake, side->out.front().first);
        if (!side->burst.empty())
            wake = std::min(wake, side->burstLastUs + kBurstPauseUs);
    }
    return wake;
}

void Relay::readBurst(Side& from, int64_t now) {
    uint8_t buffer[512];
    const ssize_t n = read(from.fd, buffer, sizeof buffer);
    if (n <= 0)
        return;
    if (from.burst.empty())
        from.burstStartUs = now;
    from.burst.insert(from.burst.end(), buffer, buffer + n);
    from.burstLastUs = now;
}

void Relay::endBursts(int64_t now) {
    for (Side* side : {&master_, &device_}) {
        if (side->burst.empty() || now - side->burstLastUs < kBurstPauseUs)
            continue;
        std::vector<uint8_t> bytes;
        bytes.swap(side->burst);
        if (side == &master_)
            request(bytes, side->burstStartUs);
        else
            answer(bytes, side->burstStartUs);
    }
}

void Relay::logFrame(const char* kind, const std::vector<uint8_t>& bytes) {
    if (!logTraffic_)
        return;
    const int64_t function = bytes.size() > 1 ? bytes[1] : -1;
    log_.print(Event(kind).withInt("function", function).withInt("bytes", int64_t(bytes.size())));
}

int64_t Relay::byteUs() const {
    const int baud = lineBaud_.load();
    return kBitsPerByte * 1000000 / (baud != 0 ? baud : kDefaultBaud);
}

// The rate the master set on its terminal; the pseudo-terminal's control
// side reads the settings of the other side.
int Relay::masterBaud() const {
    termios line{};
    if (tcgetattr(master_.fd, &line) != 0)
        return 0;
    switch (cfgetospeed(&line)) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        default:
            return 0;
    }
}

void Relay::request(const std::vector<uint8_t>& bytes, int64_t startUs) {
    logFrame("request", bytes);
    if (const int baud = lineBaud_.load(); baud != 0) {
        // At another rate the device hears noise, and answers nothing.
        if (const int master = masterBaud(); master != baud) {
            log_.print(Event("rx_error")
                           .withText("reason", "line speed")
                           .withInt("master_baud", master)
                           .withInt("baud", baud));
            return;
        }
    }
    if (faults_.silent) {
        log_.print(
            Event("fault").withText("fault", "silent").withInt("bytes", int64_t(bytes.size())));
        return;
    }
    schedule(device_, bytes, startUs);
    if (faults_.echo) {
        // The transceiver hears the request while it goes out.
        schedule(master_, bytes, startUs);
        log_.print(
            Event("fault").withText("fault", "echo").withInt("bytes", int64_t(bytes.size())));
    }
}

void Relay::answer(const std::vector<uint8_t>& bytes, int64_t startUs) {
    ShapedAnswer shaped = shaper_.shape(bytes);
    for (const Event& event : shaped.events)
        log_.print(event);
    if (!masterPresent_ || shaped.pieces.empty())
        return;
    std::vector<uint8_t> sent;
    for (const Piece& piece : shaped.pieces)
        sent.insert(sent.end(), piece.bytes.begin(), piece.bytes.end());
    logFrame("answer", sent);
    int64_t at = startUs + int64_t(shaped.delayMs) * 1000;
    for (const Piece& piece : shaped.pieces) {
        at = std::max(at, master_.lineFreeUs) + int64_t(piece.gapBeforeMs) * 1000;
        schedule(master_, piece.bytes, at);
        at = master_.lineFreeUs;
    }
}

void Relay::schedule(Side& to, const std::vector<uint8_t>& bytes, int64_t startUs) {
    int64_t at = std::max(startUs, to.lineFreeUs);
    for (uint8_t b : bytes) {
        at += byteUs();
        to.out.emplace_back(at, b);
    }
    to.lineFreeUs = at;
}

void Relay::flushDue(Side& to, int64_t now) {
    uint8_t buffer[512];
    size_t n = 0;
    while (!to.out.empty() && to.out.front().first <= now && n < sizeof buffer) {
        buffer[n++] = to.out.front().second;
        to.out.pop_front();
    }
    // A master that does not read loses what overflows its terminal, as
    // bytes are lost on a real line.
    if (n > 0 && write(to.fd, buffer, n) < 0 && errno != EAGAIN)
        to.out.clear();
}

}  // namespace kestro::sim
