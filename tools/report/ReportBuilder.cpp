// The service report's data from what the program holds: the comparisons,
// the lamps and actions in words, the clock drift.
#include <cmath>
#include <cstdio>

#include "platform/core/NumberFormat.h"
#include "tools/report/ActionWords.h"
#include "tools/report/ServiceReport.h"

namespace kestro::report {

namespace {

struct FieldInfo {
    const char* label;
    const char* unit;
};

// The full-scale values in the order of the configuration block.
constexpr FieldInfo kFullScaleFields[regmap::kFullScaleCount] = {
    {"Ir input full scale", "A"},       {"Is input full scale", "A"},
    {"It input full scale", "A"},       {"Vr input full scale", "V"},
    {"Vs input full scale", "V"},       {"Vt input full scale", "V"},
    {"Ir engineering full scale", "A"}, {"Is engineering full scale", "A"},
    {"It engineering full scale", "A"}, {"Vr engineering full scale", "V"},
    {"Vs engineering full scale", "V"}, {"Vt engineering full scale", "V"},
};
// As the configuration dialog shows a full-scale value once edited: "0.000".
constexpr int kFullScaleDecimals = 3;

ConfigurationField field(const char* label, const char* unit, double inEffect,
                         std::optional<double> analyzer, int decimals) {
    ConfigurationField f{label, unit, inEffect, analyzer, decimals, false};
    f.differs = analyzer && *analyzer != inEffect;
    return f;
}

std::vector<ConfigurationField> configurationFields(const ConfigurationBlock& inEffect,
                                                    const ConfigurationBlock* analyzer) {
    auto read = [analyzer](auto value) -> std::optional<double> {
        return analyzer ? std::optional<double>(value(*analyzer)) : std::nullopt;
    };
    std::vector<ConfigurationField> fields;
    fields.push_back(field("Slave ID", "", inEffect.slaveId,
                           read([](const ConfigurationBlock& b) { return b.slaveId; }), 0));
    fields.push_back(field("Baud", "bit/s", inEffect.baud,
                           read([](const ConfigurationBlock& b) { return b.baud; }), 0));
    for (int i = 0; i < regmap::kFullScaleCount; ++i) {
        fields.push_back(field(
            kFullScaleFields[i].label, kFullScaleFields[i].unit, inEffect.fullScale[i],
            read([i](const ConfigurationBlock& b) { return b.fullScale[i]; }), kFullScaleDecimals));
    }
    return fields;
}

// The decimals of each quantity on the main window.
int screenDecimals(Quantity q) {
    switch (q) {
        case Quantity::Ir:
        case Quantity::Is:
        case Quantity::It:
            return 1;
        case Quantity::PF:
            return 2;
        default:
            return 0;
    }
}

std::vector<ReadingLine> readingLines(const ReadingSnapshot& snapshot) {
    std::vector<ReadingLine> lines;
    for (const QuantityInfo& info : Quantities())
        lines.push_back(
            {info.name, info.unit, snapshot.value(info.quantity), screenDecimals(info.quantity)});
    return lines;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::vector<std::string> lampWords(const StatusFlags& status) {
    std::vector<std::string> lit;
    if (status.phaseSequenceFault)
        lit.push_back("Sequence fault");
    if (status.missingPhase)
        lit.push_back("Missing phase");
    if (status.signalLoss)
        lit.push_back("Signal loss");
    const char* const phases[] = {"R", "S", "T"};
    for (int p = 0; p < 3; ++p) {
        if (status.phaseLoss[p])
            lit.push_back(std::string(phases[p]) + " phase loss");
    }
    std::vector<std::string> active, reactive;
    for (int p = 0; p < 3; ++p) {
        active.push_back(std::string("P") + phases[p] +
                         (status.activeReverse[p] ? " reverse" : " forward"));
        reactive.push_back(std::string("Q") + phases[p] +
                           (status.reactiveReverse[p] ? " reverse" : " forward"));
    }
    return {lit.empty() ? "Fault lamps: none lit" : "Fault lamps lit: " + joined(lit),
            "Active power: " + joined(active), "Reactive power: " + joined(reactive)};
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::optional<ClockComparison> compareClocks(const ReadingSnapshot& snapshot) {
    const DeviceClock& c = snapshot.deviceClock;
    if (!c.valid)
        return std::nullopt;
    // The analyzer keeps local time, like the computer's clock on screen.
    const int64_t deviceLocalSeconds =
        daysFromCivil(c.year, c.month, c.day) * 86400 + c.hour * 3600 + c.minute * 60 + c.second;
    const double computerLocalSeconds =
        snapshot.taken.msSinceEpoch / 1000.0 + snapshot.taken.utcOffsetSeconds;
    ClockComparison clock;
    clock.deviceText = DeviceClockText(c);
    clock.computer = snapshot.taken;
    clock.driftSeconds = std::round(double(deviceLocalSeconds) - computerLocalSeconds);
    return clock;
}

std::vector<std::string> findingTexts(const wiring::WiringPicture& picture) {
    std::vector<std::string> texts;
    for (const wiring::Finding& finding : picture.findings)
        texts.push_back(finding.check.empty() ? finding.what
                                              : finding.what + " - " + finding.check);
    return texts;
}

std::string readBackSource(const ReportInputs& inputs) {
    if (!inputs.readBack)
        return "Not read from the analyzer: " + inputs.readBackFailure + ".";
    return inputs.readBackFromUpload ? "From the last upload." : "Read for this report.";
}

}  // namespace

std::string TrimmedFirmware(const std::string& text) {
    const size_t end = text.find_last_not_of(std::string(" \0", 2));
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

ServiceReport BuildReport(const ReportInputs& inputs, char separator) {
    ServiceReport report;
    report.header = inputs.header;
    report.created = inputs.created;
    report.kestroVersion = inputs.kestroVersion;
    report.port = inputs.port;
    report.slaveAddress = inputs.slaveAddress;
    report.lineBaud = inputs.lineBaud;

    const ConfigurationBlock* analyzer = inputs.readBack ? &inputs.readBack->block : nullptr;
    // Only what the analyzer itself said: a file's version may be another's.
    report.firmware = analyzer ? TrimmedFirmware(analyzer->firmware) : std::string();
    report.configurationName = inputs.configuration.name;
    report.configurationFile = inputs.configuration.file;
    report.configuration = configurationFields(inputs.configuration.block, analyzer);
    report.readBackSource = readBackSource(inputs);
    report.configurationMatches = analyzer != nullptr;
    for (const ConfigurationField& f : report.configuration)
        report.configurationMatches = report.configurationMatches && !f.differs;

    if (inputs.snapshot) {
        report.readingTaken = inputs.snapshot->taken;
        report.readings = readingLines(*inputs.snapshot);
        report.lamps = lampWords(inputs.snapshot->status);
        report.clock = compareClocks(*inputs.snapshot);
    }
    report.wiring = inputs.wiring;
    if (inputs.wiring)
        report.findings = findingTexts(*inputs.wiring);

    for (const ActionRecord& action : inputs.actions)
        report.actions.push_back(DescribeAction(action, separator));
    report.link = inputs.link;
    return report;
}

}  // namespace kestro::report
