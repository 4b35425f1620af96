#pragma once
// The simulated RVX82A: its measurements, meters and clock as input
// registers, its configuration as holding registers, and the command blocks
// it accepts. Time only moves through advance(), so tests are deterministic;
// the program drives it from the real clock. Every applied command and every
// rejected request leaves an Event.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/RegisterMap.h"
#include "sim/model/DeviceClock.h"
#include "sim/model/Event.h"
#include "sim/model/Measurement.h"
#include "sim/model/Pdu.h"

namespace kestro::sim {

using InputImage = std::array<uint16_t, regmap::kInputReadCount>;
using HoldingImage = std::array<uint16_t, regmap::kHoldingMapSize>;

class DeviceModel {
  public:
    DeviceModel();

    // The slave address the device answers to.
    int address() const { return address_; }
    void setAddress(int address);
    // A slave address written with the configuration takes effect once the
    // reply to that write has gone out (or none was due).
    void commitAddress();

    // The rate of its serial line; a configuration write changes it.
    int baud() const { return baud_; }
    void setBaud(int baud) { baud_ = uint16_t(baud); }

    void setFirmware(const std::string& text) { firmware_ = text; }
    void setClock(const DeviceClock& clock);
    const DeviceClock& clock() const { return clock_; }
    LineFaults faults;

    void advance(int64_t ms);
    Readings readings() const;
    double activeEnergy() const { return activeKWh_; }        // kWh
    double reactiveEnergy() const { return reactiveKVarh_; }  // kVarh

    InputImage inputRegisters() const;
    HoldingImage holdingRegisters() const;

    // Answers a request addressed to this device: reads from the register
    // images, writes through the command blocks.
    Reply serve(const Request& request);

    std::vector<Event> takeEvents();

  private:
    Reply read(const Request& request, int mapSize);
    Reply write(const Request& request);
    Reply writeConfiguration(const Request& request);
    Reply writeCalibration(const Request& request);
    Reply writeEnergyReset(const Request& request);
    Reply writeClock(const Request& request);
    Reply reject(const Request& request, uint8_t code, const std::string& reason);
    PhaseScale scale() const;
    uint16_t statusWord() const;
    uint16_t quantityStateWord() const;

    int address_ = 1;
    int pendingAddress_ = 0;
    uint16_t baud_ = 9600;
    float fullScale_[regmap::kFullScaleCount];
    std::string firmware_ = "RVX82A V1.10";
    DeviceClock clock_;
    int64_t elapsedMs_ = 0;
    int64_t clockMs_ = 0;  // part of a second not yet on the clock
    double activeKWh_ = 1523.4;
    double reactiveKVarh_ = 312.8;
    std::vector<Event> events_;
};

}  // namespace kestro::sim
