#include "tools/report/ActionWords.h"

#include <cstdio>

#include "platform/core/NumberFormat.h"

namespace kestro::report {

namespace {

// The calibration dialog's items, bit i for item i.
constexpr const char* kCalibrationItems[] = {"PR", "PS", "PT", "QR", "QS", "QT", "VR", "VS", "VT"};
constexpr const char* kAppliedInputs[] = {"Ir", "Is", "It", "Vr", "Vs", "Vt"};
constexpr const char* kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                     "Friday", "Saturday", "Sunday"};
// The calibration dialog shows its applied inputs with three decimals, the
// main window its energy meters with none.
constexpr int kAppliedDecimals = 3;
constexpr int kMeterDecimals = 0;

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string configurationWords(const ConfigurationBlock& block) {
    return "slave ID " + std::to_string(block.slaveId) + ", " + std::to_string(block.baud) +
           " baud";
}

std::string calibrationDetails(const ActionRecord& a, char separator) {
    char word[8];
    std::snprintf(word, sizeof word, "%04Xh", unsigned(a.calControl));
    std::string text = CalibrationWords(a.calControl) + " (control word " + word + "); applied";
    for (size_t i = 0; i < a.appliedInputs.size(); ++i) {
        text += std::string(i ? ", " : " ") + kAppliedInputs[i] + " " +
                FormatFixed(a.appliedInputs[i], kAppliedDecimals, separator) +
                (i < 3 ? " A" : " V");
    }
    return text;
}

std::string resetDetails(const ActionRecord& a, char separator) {
    const char* unit = a.meter == EnergyMeter::KWh ? "kWh" : "kVarh";
    const std::string meter = std::string(unit) + " meter";
    if (!a.meterBefore)
        return meter + "; no reading before the reset";
    return meter + "; it read " + FormatFixed(*a.meterBefore, kMeterDecimals, separator) + " " +
           unit + " before the reset";
}

}  // namespace

std::string CalibrationWords(uint16_t calControl) {
    std::string items;
    for (int bit = 0; bit < 9; ++bit) {
        if (calControl & (1u << bit))
            items += (items.empty() ? "" : ", ") + std::string(kCalibrationItems[bit]);
    }
    return items.empty() ? "nothing selected" : "Calibrate " + items;
}

std::string DeviceClockText(const DeviceClock& c) {
    char text[40];
    std::snprintf(text, sizeof text, "%02d:%02d:%04d, %02d:%02d:%02d, ", c.day, c.month, c.year,
                  c.hour, c.minute, c.second);
    const bool named = c.weekday >= 1 && c.weekday <= 7;
    return text + std::string(named ? kWeekdays[c.weekday - 1] : "?");
}

ActionLine DescribeAction(const ActionRecord& a, char separator) {
    ActionLine line{a.at, "", "", a.outcome, a.failed};
    switch (a.kind) {
        case ActionKind::Download:
            line.what = "Download";
            line.details = "Configuration " + quoted(a.configurationName) + ": " +
                           configurationWords(a.configuration);
            break;
        case ActionKind::Upload:
            line.what = "Upload";
            line.details = a.failed
                               ? "Nothing read"
                               : "Read " + configurationWords(a.configuration) + ", firmware " +
                                     quoted(TrimmedFirmware(a.configuration.firmware));
            break;
        case ActionKind::Calibration:
            line.what = "Calibration";
            line.details = calibrationDetails(a, separator);
            break;
        case ActionKind::EnergyReset:
            line.what = "Energy reset";
            line.details = resetDetails(a, separator);
            break;
        case ActionKind::ClockSetting:
            line.what = "Clock setting";
            line.details = "Set to " + DeviceClockText(a.clockSet) + " from the computer's clock";
            break;
    }
    if (!a.settled())
        line.outcome = "No answer yet";
    return line;
}

}  // namespace kestro::report
