#include "sim/model/RtuResponder.h"

#include <algorithm>

#include "modbus/Crc.h"

namespace kestro::sim {

namespace {

void ensureCrcTable() {
    static const bool ready = (InitCrcTable(), true);
    (void)ready;
}

}  // namespace

RtuResponder::RtuResponder(DeviceModel& model, VirtualClock& clock)
    : model_(model), clock_(clock), modelTimeUs_(clock.nowUs()) {
    ensureCrcTable();
}

RtuResponder::~RtuResponder() {
    *alive_ = false;
}

void RtuResponder::attach(VirtualPort& port) {
    frame_.clear();
    ++silenceGeneration_;
    // The token lives in the port's handler, so it dies with the port: a
    // frame still being timed never reaches a port that is gone.
    auto portAlive = std::make_shared<int>(0);
    std::weak_ptr<bool> alive = alive_;
    port.OnLineBytes = [this, alive, &port, portAlive](const std::vector<uint8_t>& bytes) {
        if (!alive.expired())
            receive(port, portAlive, bytes);
    };
}

namespace {

// The virtual line reports whole blocks, not single bytes, so the silence
// that ends a frame is judged by length where the function tells it, and by
// a pause longer than any gap inside one write otherwise.
constexpr int64_t kIdleUs = 20000;

// The length of the frame at the start of `bytes` once all of it is there.
size_t completeLength(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 2)
        return 0;
    size_t length = 0;
    switch (bytes[1]) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04:
        case 0x05:
        case 0x06:
            length = 8;
            break;
        case 0x0F:
        case 0x10:
            if (bytes.size() < 7)
                return 0;
            length = 9 + bytes[6];
            break;
        default:
            return 0;
    }
    return bytes.size() >= length ? length : 0;
}

}  // namespace

void RtuResponder::receive(VirtualPort& port, const std::weak_ptr<int>& portAlive,
                           const std::vector<uint8_t>& bytes) {
    if (checkLineSpeed && port.settings().baud != model_.baud()) {
        frame_.clear();
        return;
    }
    frame_.insert(frame_.end(), bytes.begin(), bytes.end());
    while (const size_t length = completeLength(frame_)) {
        const std::vector<uint8_t> frame(frame_.begin(), frame_.begin() + length);
        frame_.erase(frame_.begin(), frame_.begin() + length);
        serveFrame(port, frame);
    }
    if (frame_.empty())
        return;
    const uint64_t generation = ++silenceGeneration_;
    std::weak_ptr<bool> alive = alive_;
    clock_.afterUs(std::max(kIdleUs, port.charTimeUs() * 7 / 2),
                   [this, alive, portAlive, generation, &port] {
                       if (alive.expired() || portAlive.expired())
                           return;
                       if (generation == silenceGeneration_)
                           lineIdle(port);
                   });
}

void RtuResponder::lineIdle(VirtualPort& port) {
    std::vector<uint8_t> frame;
    frame.swap(frame_);
    serveFrame(port, frame);
}

void RtuResponder::serveFrame(VirtualPort& port, const std::vector<uint8_t>& frame) {
    // A slave stays silent on a damaged frame, and whatever follows it on
    // the line is no frame either.
    if (frame.size() < 4 || !CrcCheck(frame.data(), int(frame.size()))) {
        frame_.clear();
        return;
    }
    const int slave = frame[0];
    if (slave != model_.address() && slave != 0)
        return;
    syncModelTime();
    const Request request = parseRequest(frame.data() + 1, frame.size() - 3);
    const Reply reply = model_.serve(request);
    ++framesServed_;
    // Broadcasts are never answered.
    if (slave != 0) {
        std::vector<uint8_t> out = {uint8_t(slave)};
        const auto pdu = responsePdu(request, reply);
        out.insert(out.end(), pdu.begin(), pdu.end());
        out = WithCrc(out);
        if (!OnReply || OnReply(out))
            port.sendToMaster(out, replyDelayMs, chunkBytes, gapMs);
    }
    model_.commitAddress();
    reportEvents();
}

void RtuResponder::syncModelTime() {
    const int64_t elapsedMs = (clock_.nowUs() - modelTimeUs_) / 1000;
    model_.advance(elapsedMs);
    modelTimeUs_ += elapsedMs * 1000;
}

void RtuResponder::reportEvents() {
    if (!OnEvent)
        return;  // the events stay with the model
    for (const Event& event : model_.takeEvents())
        OnEvent(event);
}

}  // namespace kestro::sim
