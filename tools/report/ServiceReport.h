#pragma once
// The service report as plain data: everything a technician hands the
// customer after a visit - who, where and when, which analyzer and how it
// is configured, what it measured, whether the wiring is right, what was
// done to it during this run and how the link fared. Built from what the
// program holds (BuildReport), then laid out as a document elsewhere.

#include <optional>
#include <string>
#include <vector>

#include "device/ActionJournal.h"
#include "device/ReadingSnapshot.h"
#include "tools/traffic/LinkStatistics.h"
#include "tools/wiring/WiringCheck.h"

namespace kestro::report {

// What the technician fills in once; Kestro keeps it for the next report.
struct ReportHeader {
    std::string company;
    std::string technician;
    std::string site;
    std::string notes;  // may hold line breaks
};

// The configuration as the program holds it: the loaded file's record.
struct ConfigurationInEffect {
    std::string name;
    std::string file;  // full path
    ConfigurationBlock block;
};

// Everything the report is made from, handed in by the window.
struct ReportInputs {
    ReportHeader header;
    TimeStamp created;
    std::string kestroVersion;
    std::string port;      // "COM1"; empty when no port is open
    int slaveAddress = 0;  // the address the master polls
    int lineBaud = 0;      // the line's rate
    ConfigurationInEffect configuration;
    // The analyzer's configuration block, from the last upload or read for
    // the report; `readBackFailure` says why there is none.
    std::optional<ConfigurationReadBack> readBack;
    bool readBackFromUpload = false;
    std::string readBackFailure;
    std::optional<ReadingSnapshot> snapshot;  // the last reading
    std::optional<wiring::WiringPicture> wiring;
    std::vector<ActionRecord> actions;
    std::optional<LinkCounts> link;
};

// One field of the configuration: as in effect and as the analyzer holds it.
struct ConfigurationField {
    std::string label;  // "Slave ID", "Ir input full scale", ...
    std::string unit;   // "A", "V", "bit/s" or empty
    double inEffect = 0;
    std::optional<double> analyzer;  // nothing when the block was not read
    int decimals = 0;                // as the configuration dialog shows it
    bool differs = false;            // read, and not the same value
};

// One quantity of the reading, with its unit and the screen's decimals.
struct ReadingLine {
    std::string name;  // "Ir", "P", "Energy P", ...
    std::string unit;
    double value = 0;
    int decimals = 0;
};

// The analyzer's clock against the computer's at the same reading.
struct ClockComparison {
    std::string deviceText;  // "11:12:2026, 16:40:23, Friday", as on screen
    TimeStamp computer;
    // Seconds the analyzer is ahead of the computer (negative: behind).
    double driftSeconds = 0;
};

// One action of the run in words.
struct ActionLine {
    TimeStamp at;
    std::string what;     // "Download", "Calibration", ...
    std::string details;  // numbers with the decimal separator given to BuildReport
    std::string outcome;  // the text the user saw
    bool failed = false;
};

struct ServiceReport {
    ReportHeader header;
    TimeStamp created;
    std::string kestroVersion;

    // The analyzer.
    std::string port;
    int slaveAddress = 0;
    int lineBaud = 0;
    std::string firmware;  // trimmed; empty when unknown
    std::string configurationName;
    std::string configurationFile;
    std::vector<ConfigurationField> configuration;
    // Where the analyzer's column comes from ("the last upload, ...") or
    // why it is empty.
    std::string readBackSource;
    bool configurationMatches = false;  // read, and no field differs

    // What it measured.
    std::optional<TimeStamp> readingTaken;
    std::vector<ReadingLine> readings;
    std::vector<std::string> lamps;  // the lamps in words
    std::optional<wiring::WiringPicture> wiring;
    std::vector<std::string> findings;  // "what - check", in order
    std::optional<ClockComparison> clock;

    // What was done, and the link.
    std::vector<ActionLine> actions;
    std::optional<LinkCounts> link;
};

// `separator` is the decimal separator of the texts made here (the
// screen's).
ServiceReport BuildReport(const ReportInputs& inputs, char separator);

// The firmware text without its trailing zero bytes and blanks.
std::string TrimmedFirmware(const std::string& text);

}  // namespace kestro::report
