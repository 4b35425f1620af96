#pragma once
// What was done at the analyzer during this run, in order: downloads,
// uploads, calibrations, energy resets and clock settings, each with its
// time and the outcome the user saw. Kept in memory only; the device
// commands append to it, a service report reads it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/ReadingSnapshot.h"
#include "device/RegisterMap.h"

namespace kestro {

// The analyzer's configuration block (holding registers 0 to 52) as plain
// values: what a download sends and what an upload reads.
struct ConfigurationBlock {
    int baud = 0;
    int slaveId = 0;
    // InpIr, InpIs, InpIt, InpVr, InpVs, InpVt, EngIr, ..., EngVt.
    std::array<float, regmap::kFullScaleCount> fullScale{};
    std::string firmware;  // Latin-1, 52 characters as read (empty when sent)
};

// A configuration block read from the analyzer, and when.
struct ConfigurationReadBack {
    TimeStamp at;
    ConfigurationBlock block;
};

enum class ActionKind { Download, Upload, Calibration, EnergyReset, ClockSetting };
enum class EnergyMeter { KWh, KVarh };

struct ActionRecord {
    TimeStamp at;  // when the user started it
    ActionKind kind = ActionKind::Download;
    // The status text the user saw at its end. The energy resets and the
    // clock setting are posted without a wait: theirs is the status line's
    // text for the write, empty until the write has ended.
    std::string outcome;
    bool failed = false;

    // Download: the configuration sent and its name; upload: the
    // configuration read, when it was.
    std::string configurationName;
    ConfigurationBlock configuration;
    // Calibration: the control word and the applied Ir, Is, It, Vr, Vs, Vt.
    uint16_t calControl = 0;
    std::array<float, regmap::kCalPointCount> appliedInputs{};
    // Energy reset: the meter, and its last reading before the reset.
    EnergyMeter meter = EnergyMeter::KWh;
    std::optional<double> meterBefore;
    // Clock setting: the date and time written to the analyzer.
    DeviceClock clockSet;

    bool settled() const { return !outcome.empty(); }
};

class ActionJournal {
  public:
    void append(const ActionRecord& record) { actions_.push_back(record); }
    const std::vector<ActionRecord>& actions() const { return actions_; }

    // The posted write still waiting for its outcome, if any: only the
    // last one can be, as a new posting replaces a write not yet sent.
    ActionRecord* awaitingOutcome();

    // The configuration block the last successful upload read.
    void noteReadBack(const ConfigurationReadBack& readBack) { readBack_ = readBack; }
    const std::optional<ConfigurationReadBack>& lastReadBack() const { return readBack_; }

  private:
    std::vector<ActionRecord> actions_;
    std::optional<ConfigurationReadBack> readBack_;
};

}  // namespace kestro
