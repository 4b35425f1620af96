#include "platform/virtual/VirtualPort.h"

#include <algorithm>

namespace kestro {

VirtualPort::VirtualPort(VirtualClock& clock, int outBufferSize)
    : clock_(clock), outBufferSize_(outBufferSize), alive_(std::make_shared<bool>(true)) {}

VirtualPort::~VirtualPort() {
    *alive_ = false;
}

void VirtualPort::setOpen(bool open) {
    wantOpen_ = open;
    if (open && !open_ && openRefusal.fault != PortFault::None)
        setProblem(openRefusal);
    else if (open && !open_ && !present_)
        setProblem({PortFault::Unplugged, {}, {}, {}});
    else if (open && !open_)
        openDevice();
    if (!open && open_)
        closeDevice();
}

void VirtualPort::openDevice() {
    setProblem({});
    open_ = true;
    input_.clear();
    txBusyUntil_ = rxBusyUntil_ = clock_.nowUs();
    if (OnPortOpen)
        OnPortOpen();
}

void VirtualPort::closeDevice() {
    open_ = false;
    ++lineGeneration_;
    input_.clear();
    if (OnPortClose)
        OnPortClose();
}

void VirtualPort::unplug() {
    present_ = false;
    if (!open_)
        return;
    setProblem({PortFault::Unplugged, {}, {}, {}});
    closeDevice();
    scheduleReopenCheck();
}

void VirtualPort::replug() {
    present_ = true;
}

void VirtualPort::scheduleReopenCheck() {
    std::weak_ptr<bool> alive = alive_;
    clock_.afterMs(1000, [this, alive] {
        if (alive.expired() || !wantOpen_ || open_)
            return;
        if (present_)
            openDevice();
        else
            scheduleReopenCheck();
    });
}

void VirtualPort::blockOutput(bool blocked) {
    outputBlocked_ = blocked;
}

TriggerHandle VirtualPort::addTimerTrigger() {
    triggers_.emplace_back();
    return static_cast<TriggerHandle>(triggers_.size());
}

void VirtualPort::setTimerTrigger(TriggerHandle handle, int ticks, bool activate) {
    if (handle == 0 || handle > triggers_.size())
        return;
    const uint64_t generation = ++triggers_[handle - 1].generation;
    if (!activate)
        return;
    std::weak_ptr<bool> alive = alive_;
    clock_.afterUs(int64_t(ticks) * kTickMs * 1000, [this, alive, handle, generation] {
        if (alive.expired() || triggers_[handle - 1].generation != generation)
            return;
        if (OnTriggerTimer)
            OnTriggerTimer(handle);
    });
}

int64_t VirtualPort::charTimeUs() const {
    const LineSettings& s = settings();
    const int bits = 1 + s.dataBits + s.stopBits + (s.parity == Parity::None ? 0 : 1);
    return int64_t(bits) * 1000000 / std::max(1, s.baud);
}

int VirtualPort::outBuffFree() const {
    if (!open_)
        return outBufferSize_;
    if (outputBlocked_)
        return 0;
    const int64_t busy = std::max<int64_t>(0, txBusyUntil_ - clock_.nowUs());
    const int64_t queued = (busy + charTimeUs() - 1) / charTimeUs();
    return std::max<int>(0, outBufferSize_ - int(queued));
}

void VirtualPort::writeBlock(const uint8_t* data, int length) {
    std::vector<uint8_t> block(data, data + length);
    if (!open_)
        return;  // a closed port's output goes nowhere
    written.insert(written.end(), block.begin(), block.end());
    txBusyUntil_ = std::max(clock_.nowUs(), txBusyUntil_) + length * charTimeUs();
    std::weak_ptr<bool> alive = alive_;
    const uint64_t generation = lineGeneration_;
    clock_.atUs(txBusyUntil_, [this, alive, generation, block] {
        if (alive.expired() || generation != lineGeneration_)
            return;
        if (OnLineBytes)
            OnLineBytes(block);
    });
}

void VirtualPort::sendToMaster(const std::vector<uint8_t>& bytes, int delayMs, int chunkBytes,
                               int gapMs) {
    if (!open_)
        return;
    chunkBytes = std::max(1, chunkBytes);
    int64_t t = std::max(clock_.nowUs() + int64_t(delayMs) * 1000, rxBusyUntil_);
    std::weak_ptr<bool> alive = alive_;
    const uint64_t generation = lineGeneration_;
    for (size_t pos = 0; pos < bytes.size(); pos += chunkBytes) {
        const size_t end = std::min(bytes.size(), pos + chunkBytes);
        std::vector<uint8_t> chunk(bytes.begin() + pos, bytes.begin() + end);
        t += int64_t(chunk.size()) * charTimeUs();
        clock_.atUs(t, [this, alive, generation, chunk] {
            if (alive.expired() || generation != lineGeneration_)
                return;
            arrive(chunk);
        });
        t += int64_t(gapMs) * 1000;
    }
    rxBusyUntil_ = t;
}

void VirtualPort::arrive(std::vector<uint8_t> chunk) {
    if (!open_)
        return;
    input_.insert(input_.end(), chunk.begin(), chunk.end());
    if (availPending_)
        return;
    availPending_ = true;
    std::weak_ptr<bool> alive = alive_;
    clock_.afterUs(0, [this, alive] {
        if (alive.expired())
            return;
        availPending_ = false;
        if (open_ && !input_.empty() && OnTriggerAvail)
            OnTriggerAvail(int(input_.size()));
    });
}

int VirtualPort::getBlock(uint8_t* data, int length) {
    const int n = std::min<int>(length, int(input_.size()));
    std::copy_n(input_.begin(), n, data);
    input_.erase(input_.begin(), input_.begin() + n);
    return n;
}

}  // namespace kestro
