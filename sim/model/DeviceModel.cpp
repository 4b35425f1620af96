#include "sim/model/DeviceModel.h"

#include <algorithm>
#include <cmath>

#include "sim/model/Encoding.h"

namespace kestro::sim {

using namespace regmap;

namespace {

const char* const kFullScaleKeys[kFullScaleCount] = {"inp_ir", "inp_is", "inp_it", "inp_vr",
                                                     "inp_vs", "inp_vt", "eng_ir", "eng_is",
                                                     "eng_it", "eng_vr", "eng_vs", "eng_vt"};
const char* const kCalPointKeys[kCalPointCount] = {"cal_ir", "cal_is", "cal_it",
                                                   "cal_vr", "cal_vs", "cal_vt"};
constexpr int kMaxReadCount = 125;
constexpr int kMaxWriteCount = 123;
constexpr int kEnergyStepMs = 1000;

bool positiveFinite(float value) {
    return std::isfinite(value) && value > 0;
}

bool supportedBaud(uint16_t baud) {
    return baud == 1200 || baud == 2400 || baud == 4800 || baud == 9600 || baud == 19200;
}

bool testBit(uint16_t word, int bit) {
    return (word >> bit) & 1;
}

}  // namespace

DeviceModel::DeviceModel() {
    // 5 A current inputs, 500 V voltage inputs, engineering values equal to
    // the inputs: the readings are the line's own values.
    for (int i = 0; i < kFullScaleCount; ++i)
        fullScale_[i] = (i % 6) < 3 ? 5.0f : 500.0f;
}

void DeviceModel::setAddress(int address) {
    address_ = address;
    pendingAddress_ = 0;
}

void DeviceModel::commitAddress() {
    if (pendingAddress_ == 0)
        return;
    address_ = pendingAddress_;
    pendingAddress_ = 0;
    events_.push_back(Event("address").withInt("slave_id", address_));
}

void DeviceModel::setClock(const DeviceClock& clock) {
    clock_ = clock;
    clockMs_ = 0;
}

void DeviceModel::advance(int64_t ms) {
    for (int64_t done = 0; done < ms;) {
        const int64_t step = std::min<int64_t>(kEnergyStepMs, ms - done);
        const Readings mid = measure((elapsedMs_ + step / 2.0) / 1000.0, faults, scale());
        const double hours = step / 3600000.0;
        activeKWh_ += mid.p * hours / 1000.0;
        reactiveKVarh_ += mid.q * hours / 1000.0;
        elapsedMs_ += step;
        done += step;
    }
    clockMs_ += ms;
    clock_.addSeconds(clockMs_ / 1000);
    clockMs_ %= 1000;
}

PhaseScale DeviceModel::scale() const {
    PhaseScale s;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        s.current[ph] = double(fullScale_[6 + ph]) / fullScale_[ph];
        s.voltage[ph] = double(fullScale_[9 + ph]) / fullScale_[3 + ph];
    }
    return s;
}

Readings DeviceModel::readings() const {
    return measure(elapsedMs_ / 1000.0, faults, scale());
}

uint16_t DeviceModel::statusWord() const {
    const Readings r = readings();
    uint16_t word = 0;
    auto set = [&word](int bit, bool on) {
        if (on)
            word |= uint16_t(1u << bit);
    };
    set(kStatusPhaseSeqErr, faults.sequenceFault);
    set(kStatusMissingPhase, faults.anyVoltageLost());
    set(kStatusSignalLoss, faults.allVoltageLost());
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        set(kStatusActiveRev[ph], r.phase[ph].p < 0);
        set(kStatusReactiveRev[ph], r.phase[ph].q < 0);
        set(kStatusLoss[ph], faults.phase[ph].noVoltage());
    }
    return word;
}

uint16_t DeviceModel::quantityStateWord() const {
    uint16_t word = kQtyAllMask;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        // Without a voltage the analyzer measures neither the voltage nor
        // the phase's powers; the current alone it still measures.
        if (!faults.phase[ph].noVoltage())
            continue;
        word &= uint16_t(~(1u << kQtyActive[ph] | 1u << kQtyReactive[ph] | 1u << kQtyVoltage[ph]));
    }
    return word;
}

InputImage DeviceModel::inputRegisters() const {
    InputImage regs{};
    const Readings r = readings();
    auto put = [&regs](int address, double value) { putFloat(&regs[address], float(value), true); };
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        put(kInCurrent[ph], r.phase[ph].i);
        put(kInVoltage[ph], r.phase[ph].v);
        put(kInActive[ph], r.phase[ph].p);
        put(kInReactive[ph], r.phase[ph].q);
    }
    put(kInP, r.p);
    put(kInQ, r.q);
    put(kInCos, r.pf);
    put(kInF, r.f);
    put(kInPtot, activeKWh_);
    put(kInQTot, reactiveKVarh_);
    put(kInTemp, r.temperature);
    regs[kInStatusWord] = statusWord();
    regs[kInQuantityStateWord] = quantityStateWord();
    const auto clockRegs = clock_.readRegisters();
    std::copy(clockRegs.begin(), clockRegs.end(), regs.begin() + kInClockMinSec);
    return regs;
}

HoldingImage DeviceModel::holdingRegisters() const {
    HoldingImage regs{};
    regs[kHoldBaud] = baud_;
    regs[kHoldSlaveID] = uint16_t(pendingAddress_ != 0 ? pendingAddress_ : address_);
    for (int i = 0; i < kFullScaleCount; ++i)
        putFloat(&regs[kHoldFullScale + 2 * i], fullScale_[i], false);
    putText(&regs[kHoldFirmware], kFirmwareRegisters, firmware_);
    return regs;
}

Reply DeviceModel::serve(const Request& request) {
    switch (request.function) {
        case kFnReadInput:
            return read(request, kInputReadCount);
        case kFnReadHolding:
            return read(request, kHoldingMapSize);
        case kFnPresetMultiple:
            return write(request);
        default:
            return reject(request, kExIllegalFunction, "function not supported");
    }
}

Reply DeviceModel::read(const Request& request, int mapSize) {
    if (!request.wellFormed || request.count < 1 || request.count > kMaxReadCount)
        return reject(request, kExIllegalValue, "register count");
    if (request.address + request.count > mapSize)
        return reject(request, kExIllegalAddress, "outside the register map");
    Reply reply;
    const auto regs = [&]() -> std::vector<uint16_t> {
        if (request.function == kFnReadInput) {
            const auto image = inputRegisters();
            return {image.begin(), image.end()};
        }
        const auto image = holdingRegisters();
        return {image.begin(), image.end()};
    }();
    reply.registers.assign(regs.begin() + request.address,
                           regs.begin() + request.address + request.count);
    return reply;
}

Reply DeviceModel::write(const Request& request) {
    if (!request.wellFormed || request.count < 1 || request.count > kMaxWriteCount)
        return reject(request, kExIllegalValue, "register count");
    auto is = [&request](const CommandBlock& block) {
        return request.address == block.address() && request.count == block.presetCount;
    };
    if (is(kBlockConfiguration))
        return writeConfiguration(request);
    if (is(kBlockCalibration))
        return writeCalibration(request);
    if (is(kBlockEnergyReset))
        return writeEnergyReset(request);
    if (is(kBlockClock))
        return writeClock(request);
    return reject(request, kExIllegalAddress, "not a command block");
}

Reply DeviceModel::writeConfiguration(const Request& request) {
    const std::vector<uint16_t>& v = request.values;
    if (v[0] != kCodeConfiguration)
        return reject(request, kExIllegalValue, "wrong code word");
    const uint16_t baud = v[kHoldBaud];
    const uint16_t slave = v[kHoldSlaveID];
    if (!supportedBaud(baud))
        return reject(request, kExIllegalValue, "baud rate");
    if (slave < 1 || slave > 247)
        return reject(request, kExIllegalValue, "slave ID");
    float scales[kFullScaleCount];
    for (int i = 0; i < kFullScaleCount; ++i) {
        scales[i] = getFloat(&v[kHoldFullScale + 2 * i]);
        if (!positiveFinite(scales[i]))
            return reject(request, kExIllegalValue, "full scale");
    }
    baud_ = baud;
    std::copy(scales, scales + kFullScaleCount, fullScale_);
    pendingAddress_ = slave != address_ ? slave : 0;
    Event event("write");
    event.withText("block", "configuration").withInt("baud", baud).withInt("slave_id", slave);
    for (int i = 0; i < kFullScaleCount; ++i)
        event.withNumber(kFullScaleKeys[i], scales[i]);
    events_.push_back(event);
    return {};
}

// The simulated line has no reference source to calibrate against: the
// device checks the block and reports it, and its readings stay as they are.
Reply DeviceModel::writeCalibration(const Request& request) {
    const std::vector<uint16_t>& v = request.values;
    if (v[0] != kCodeCalibration)
        return reject(request, kExIllegalValue, "wrong code word");
    const uint16_t control = v[kCalControl - kBlockCalibration.address()];
    if (control & ~kQtyAllMask)
        return reject(request, kExIllegalValue, "control word");
    float points[kCalPointCount];
    for (int i = 0; i < kCalPointCount; ++i)
        points[i] = getFloat(&v[kCalPoints - kBlockCalibration.address() + 2 * i]);
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        const bool power = testBit(control, kQtyActive[ph]) || testBit(control, kQtyReactive[ph]);
        const bool voltage = power || testBit(control, kQtyVoltage[ph]);
        if ((power && !positiveFinite(points[ph])) || (voltage && !positiveFinite(points[3 + ph])))
            return reject(request, kExIllegalValue, "calibration point");
    }
    Event event("write");
    event.withText("block", "calibration").withInt("control", control);
    for (int i = 0; i < kCalPointCount; ++i)
        event.withNumber(kCalPointKeys[i], points[i]);
    events_.push_back(event);
    return {};
}

Reply DeviceModel::writeEnergyReset(const Request& request) {
    const std::vector<uint16_t>& v = request.values;
    if (v[0] != kCodeEnergyReset)
        return reject(request, kExIllegalValue, "wrong code word");
    const uint16_t selector = v[1];
    if (selector == kSelectKWh) {
        activeKWh_ = 0;
    } else if (selector == kSelectKVarh) {
        reactiveKVarh_ = 0;
    } else {
        return reject(request, kExIllegalValue, "meter selector");
    }
    events_.push_back(Event("write")
                          .withText("block", "energy_reset")
                          .withInt("selector", selector)
                          .withText("meter", selector == kSelectKWh ? "kWh" : "kVarh"));
    return {};
}

Reply DeviceModel::writeClock(const Request& request) {
    const auto clock = DeviceClock::fromBlock(request.values.data());
    if (!clock)
        return reject(request, kExIllegalValue, "clock value");
    setClock(*clock);
    events_.push_back(Event("write")
                          .withText("block", "clock")
                          .withText("clock", clock->text())
                          .withInt("weekday", clock->weekday));
    return {};
}

Reply DeviceModel::reject(const Request& request, uint8_t code, const std::string& reason) {
    events_.push_back(Event("exception")
                          .withInt("function", request.function)
                          .withInt("address", request.address)
                          .withInt("count", request.count)
                          .withInt("code", code)
                          .withText("reason", reason));
    Reply reply;
    reply.exception = code;
    return reply;
}

std::vector<Event> DeviceModel::takeEvents() {
    std::vector<Event> taken;
    taken.swap(events_);
    return taken;
}

}  // namespace kestro::sim
