#include "tools/finder/BaudRescue.h"

#include "device/RegisterMap.h"
#include "modbus/ProtocolCodes.h"
#include "tools/finder/FinderTiming.h"

namespace kestro::finder {

namespace {

constexpr auto kBlock = regmap::kBlockConfiguration;
// An analyzer may take a moment to change its rate after its answer.
constexpr int kHomeTries = 3;

uint16_t wordAt(const std::vector<uint8_t>& frame, size_t index) {
    return uint16_t(frame[index] << 8 | frame[index + 1]);
}

bool isBlockEcho(const std::vector<uint8_t>& frame, int address) {
    return frame.size() == 8 && frame[0] == address && frame[1] == kPresetMultipleRegisters &&
           wordAt(frame, 2) == kBlock.address() && wordAt(frame, 4) == kBlock.presetCount;
}

}  // namespace

BaudRescue::BaudRescue(ProbeLink& link, FoundAnalyzer analyzer)
    : link_(link), analyzer_(std::move(analyzer)) {}

void BaudRescue::start() {
    homeTries_ = 0;
    echoed_ = false;
    link_.setBaud(analyzer_.baud);
    link_.ask(uint8_t(analyzer_.address), kReadHoldingRegisters, kBlock.address(),
              kBlock.presetCount, [this](const ProbeAnswer& a) { onConfiguration(a); });
}

void BaudRescue::onConfiguration(const ProbeAnswer& answer) {
    if (answer.kind == ProbeAnswer::Kind::PortLost) {
        finish(RescueEnd::PortLost);
        return;
    }
    const size_t dataBytes = 2 * kBlock.presetCount;
    const std::vector<uint8_t>& f = answer.frame;
    if (answer.kind != ProbeAnswer::Kind::Frame || f.size() != 5 + dataBytes ||
        f[0] != analyzer_.address || f[1] != kReadHoldingRegisters || f[2] != dataBytes) {
        finish(RescueEnd::NotRead);
        return;
    }
    std::vector<uint16_t> block(kBlock.presetCount);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = wordAt(f, 3 + 2 * i);
    block[0] = regmap::kCodeConfiguration;
    block[regmap::kHoldBaud] = uint16_t(kHomeBaud);
    link_.ask(
        uint8_t(analyzer_.address), kPresetMultipleRegisters, kBlock.address(), kBlock.presetCount,
        [this](const ProbeAnswer& a) { onWritten(a); }, block);
}

void BaudRescue::onWritten(const ProbeAnswer& answer) {
    if (answer.kind == ProbeAnswer::Kind::PortLost) {
        finish(RescueEnd::PortLost);
        return;
    }
    const bool refused = answer.kind == ProbeAnswer::Kind::Frame &&
                         AnswersFrom(answer.frame, analyzer_.address, kPresetMultipleRegisters) &&
                         (answer.frame[1] & kExceptionFlag) != 0;
    if (refused) {
        finish(RescueEnd::NotWritten);
        return;
    }
    // An answer lost on the way back does not mean the write was: the
    // analyzer may already talk at 9600.
    echoed_ =
        answer.kind == ProbeAnswer::Kind::Frame && isBlockEcho(answer.frame, analyzer_.address);
    link_.setBaud(kHomeBaud);
    askHome();
}

void BaudRescue::askHome() {
    ++homeTries_;
    link_.ask(uint8_t(analyzer_.address), kReadInputRegisters, 0, 1,
              [this](const ProbeAnswer& a) { onHome(a); });
}

void BaudRescue::onHome(const ProbeAnswer& answer) {
    if (answer.kind == ProbeAnswer::Kind::PortLost) {
        finish(RescueEnd::PortLost);
    } else if (answer.kind == ProbeAnswer::Kind::Frame &&
               AnswersFrom(answer.frame, analyzer_.address, kReadInputRegisters)) {
        analyzer_.baud = kHomeBaud;
        finish(RescueEnd::Rescued);
    } else if (homeTries_ < kHomeTries) {
        askHome();
    } else {
        finish(echoed_ ? RescueEnd::NoAnswerHome : RescueEnd::NotWritten);
    }
}

void BaudRescue::finish(RescueEnd end) {
    if (OnFinished)
        OnFinished(end);
}

}  // namespace kestro::finder
