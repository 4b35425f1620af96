#pragma once
// The limits the wiring check judges by, with the reasons for each. The
// user guide's page on the wiring check lists them too.

#include <cstdint>

namespace kestro::wiring {

// A phase voltage below a tenth of the highest one is no voltage: an open
// tap still picks up a few volts from its neighbours, a live phase is never
// that far below the others.
constexpr double kNoVoltageFraction = 0.10;
// Below 20 V on every phase nothing is connected: no supply is that low.
constexpr double kMinVoltage = 20.0;

// A phase carries load from 1% of its current full scale: below that an
// analyzer's angle is not to be trusted. Without a configuration, 50 mA
// stands for 1% of a 5 A input read directly.
constexpr double kLoadFractionOfFullScale = 0.01;
constexpr double kMinLoadCurrent = 0.05;

// Active power counts as flowing (forward or back) when it is at least a
// fifth of the apparent power, i.e. the current is more than 11.5° away
// from perpendicular: near 90° a small angle error flips the sign of P.
constexpr double kMinActiveShare = 0.20;

// Loads of the same kind keep their phase angles within 20° of each other
// (cos φ 0.95 against 0.8 is 19°). A phase whose angle sits 120° ± 20° away
// from the others' therefore measures the current of another phase.
constexpr double kSimilarAngleDeg = 20.0;
// The angles are compared only while the phase currents are alike, the
// smallest at least half the largest: unlike loads have unlike angles.
constexpr double kSimilarCurrentRatio = 0.5;

// Supply voltages may differ by a few percent; more than 10% from their mean
// means a loose or wrong tap, a wrong VT ratio on one phase, or a supply
// fault.
constexpr double kVoltageUnbalanceLimit = 0.10;

// Every supply runs at 50 or 60 Hz within a few percent; a reading outside
// 45 to 65 Hz means the analyzer does not see a proper voltage.
constexpr double kMinFrequency = 45.0;
constexpr double kMaxFrequency = 65.0;

// A reading above the engineering full scale of its input: the input is
// driven past its range, where the analyzer is out of its accuracy class.
// On a line that is not overloaded that means the CT or VT ratio set in the
// configuration does not match the transformer.
constexpr double kFullScaleLimit = 1.0;

// A finding shows once its condition has held for three readings in a row
// and goes once it has been absent for three: a switching load (a
// compressor starting, a heater cycling) changes one or two readings.
constexpr int kConfirmReadings = 3;

// A reading is due about every 2 s; after 6 s without one (three missed)
// the picture is old.
constexpr int64_t kStaleAfterMs = 6000;

}  // namespace kestro::wiring
