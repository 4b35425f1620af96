#pragma once
// The actions of the run and the device clock in words, as the service
// report lists them.

#include <string>

#include "device/ActionJournal.h"
#include "tools/report/ServiceReport.h"

namespace kestro::report {

// "Calibrate PR, PS, PT" for the items of the calibration dialog whose
// bits are set; "nothing selected" for 0.
std::string CalibrationWords(uint16_t calControl);

// The clock as the main window shows it: "11:12:2026, 16:40:23, Friday".
std::string DeviceClockText(const DeviceClock& clock);

// Numbers are written with `separator`.
ActionLine DescribeAction(const ActionRecord& action, char separator);

}  // namespace kestro::report
