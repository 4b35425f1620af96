#include "tools/finder/AddressSweep.h"

#include "device/RegisterMap.h"
#include "device/Utility.h"
#include "modbus/ProtocolCodes.h"

namespace kestro::finder {

namespace {

// The firmware text as far as an upload reads it (addresses 27 to 51): the
// last register of the text lies outside the upload's window, and whether
// an analyzer has it is not known.
constexpr int kFirmwareReadCount = regmap::kHoldingReadCount - regmap::kHoldFirmware;

// The printable part of the text, without the blanks and zeros that pad it.
std::string printable(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20)
            shown += c;
    }
    const size_t end = shown.find_last_not_of(' ');
    const size_t begin = shown.find_first_not_of(' ');
    return end == std::string::npos ? std::string() : shown.substr(begin, end - begin + 1);
}

// The text of a 03h answer for the firmware registers; empty when the answer
// is not one.
std::string firmwareOf(const std::vector<uint8_t>& frame) {
    const size_t dataBytes = 2 * kFirmwareReadCount;
    if (frame.size() != 5 + dataBytes || frame[1] != kReadHoldingRegisters || frame[2] != dataBytes)
        return {};
    uint16_t table[regmap::kHoldingMapSize] = {};
    for (int i = 0; i < kFirmwareReadCount; ++i)
        table[regmap::kHoldFirmware + i] = uint16_t(frame[3 + 2 * i] << 8 | frame[4 + 2 * i]);
    return printable(FirmwareText(table));
}

}  // namespace

bool AnswersFrom(const std::vector<uint8_t>& frame, int address, uint8_t function) {
    return frame.size() >= 5 && frame[0] == address &&
           (frame[1] == function || frame[1] == (function | kExceptionFlag));
}

AddressSweep::AddressSweep(ProbeLink& link, std::vector<int> rates, int firstAddress,
                           int lastAddress)
    : link_(link), rates_(std::move(rates)), first_(firstAddress), last_(lastAddress) {}

int AddressSweep::total() const {
    return int(rates_.size()) * (last_ - first_ + 1);
}

int AddressSweep::baud() const {
    return rate_ < rates_.size() ? rates_[rate_] : link_.baud();
}

void AddressSweep::start() {
    rate_ = 0;
    address_ = first_;
    asked_ = 0;
    found_.clear();
    if (rates_.empty() || first_ > last_) {
        finish(SweepEnd::Done);
        return;
    }
    link_.setBaud(rates_[rate_]);
    askAddress();
}

void AddressSweep::askAddress() {
    link_.ask(uint8_t(address_), kReadInputRegisters, 0, 1,
              [this](const ProbeAnswer& a) { onProbe(a); });
}

bool AddressSweep::stopped(const ProbeAnswer& answer) {
    if (answer.kind == ProbeAnswer::Kind::PortLost) {
        finish(SweepEnd::PortLost);
        return true;
    }
    if (cancelled_) {
        finish(SweepEnd::Cancelled);
        return true;
    }
    return false;
}

void AddressSweep::onProbe(const ProbeAnswer& answer) {
    if (stopped(answer))
        return;
    if (answer.kind == ProbeAnswer::Kind::Frame &&
        AnswersFrom(answer.frame, address_, kReadInputRegisters)) {
        link_.ask(uint8_t(address_), kReadHoldingRegisters, regmap::kHoldFirmware,
                  kFirmwareReadCount, [this](const ProbeAnswer& a) { onFirmware(a); });
        return;
    }
    next();
}

void AddressSweep::onFirmware(const ProbeAnswer& answer) {
    FoundAnalyzer analyzer{address_, baud(), {}};
    if (answer.kind == ProbeAnswer::Kind::Frame &&
        AnswersFrom(answer.frame, address_, kReadHoldingRegisters))
        analyzer.firmware = firmwareOf(answer.frame);
    found_.push_back(analyzer);
    if (OnFound)
        OnFound(analyzer);
    if (!stopped(answer))
        next();
}

void AddressSweep::next() {
    ++asked_;
    const bool more = address_ < last_ || rate_ + 1 < rates_.size();
    if (address_ < last_) {
        ++address_;
    } else if (more) {
        address_ = first_;
        link_.setBaud(rates_[++rate_]);
    }
    if (OnProgress)
        OnProgress();
    if (more)
        askAddress();
    else
        finish(SweepEnd::Done);
}

void AddressSweep::finish(SweepEnd end) {
    if (OnFinished)
        OnFinished(end);
}

}  // namespace kestro::finder
