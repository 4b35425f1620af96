#include "tools/finder/ProbeLink.h"

#include "modbus/LinkHost.h"
#include "tools/finder/FinderTiming.h"

namespace kestro::finder {

namespace {

// Often enough that a wait for the scan or a lost port is seen at once.
constexpr int kWatchMs = 20;

// Bytes of a request and of its answer, as on the wire.
int requestBytes(uint8_t function, uint16_t count) {
    return function == 0x10 ? 9 + 2 * count : 8;
}
int answerBytes(uint8_t function, uint16_t count) {
    return function == 0x03 || function == 0x04 ? 5 + 2 * count : 8;
}

}  // namespace

ProbeLink::ProbeLink(Platform& platform) : watchdog_(platform.createTimer()) {
    watchdog_->setInterval(kWatchMs);
    watchdog_->OnTimer = [this] { watch(); };
}

ProbeLink::~ProbeLink() {
    release();
}

void ProbeLink::acquire(std::function<void(bool)> ready) {
    ready_ = std::move(ready);
    watchdog_->setEnabled(true);
    watch();
}

void ProbeLink::release() {
    if (reply_)
        answer({ProbeAnswer::Kind::PortLost, {}});
    ready_ = nullptr;
    watchdog_->setEnabled(false);
    if (!held_)
        return;
    held_ = false;
    SetLineBaud(kHomeBaud);
    EndProbe(*this);
    if (pausedPolling_ && Host.enablePollTimer)
        Host.enablePollTimer(true);
    pausedPolling_ = false;
}

void ProbeLink::setBaud(int baud) {
    SetLineBaud(baud);
}

int ProbeLink::baud() const {
    return LineBaud();
}

void ProbeLink::ask(uint8_t slave, uint8_t function, uint16_t address, uint16_t count, Reply reply,
                    const std::vector<uint16_t>& values) {
    reply_ = std::move(reply);
    const int ticks =
        AnswerWaitTicks(baud(), requestBytes(function, count), answerBytes(function, count));
    if (!held_ || !LineUsable() ||
        !SendProbeRequest(slave, function, address, count, ticks,
                          values.empty() ? nullptr : values.data()))
        answer({ProbeAnswer::Kind::PortLost, {}});
}

void ProbeLink::onProbeFrame(const uint8_t* bytes, int length) {
    if (reply_)
        answer({ProbeAnswer::Kind::Frame, {bytes, bytes + length}});
}

void ProbeLink::onProbeTimeout() {
    if (reply_)
        answer({ProbeAnswer::Kind::NoAnswer, {}});
}

void ProbeLink::answer(ProbeAnswer outcome) {
    Reply reply;
    reply.swap(reply_);
    reply(outcome);
}

// Takes the line when the scan is between transactions (its answer, or its
// time-out, has been handled), and watches for what the link does not
// report: a port that went away, a request it gave up on unsent.
void ProbeLink::watch() {
    if (ready_ && !held_) {
        if (!LineUsable()) {
            auto ready = std::move(ready_);
            watchdog_->setEnabled(false);
            ready(false);
            return;
        }
        if (!ScanBetweenTransactions())
            return;
        if (Host.enablePollTimer) {
            Host.enablePollTimer(false);
            pausedPolling_ = true;
        }
        BeginProbe(*this);
        held_ = true;
        auto ready = std::move(ready_);
        ready(true);
        return;
    }
    if (!reply_)
        return;
    if (!LineUsable())
        answer({ProbeAnswer::Kind::PortLost, {}});
    else if (!ProbeRequestOpen())
        answer({ProbeAnswer::Kind::NoAnswer, {}});
}

}  // namespace kestro::finder
