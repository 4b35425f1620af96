#pragma once
// Unit Configuration: the device configuration record `Config` and its
// .cfg file, the current one being Settings.Path + Settings.FileName.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace kestro {

struct ConfigRecord {
    QString Name;
    // Filled by the upload as the analyzer sends it, 8-bit characters with
    // zero bytes included; at most MaxFirmwareVersion characters.
    QString FirmwareVersion;
    int32_t SlaveID = 0;
    int32_t Baud = 0;
    float InpIr = 0, InpIs = 0, InpIt = 0;  // input full scale, currents R, S, T
    float InpVr = 0, InpVs = 0, InpVt = 0;  // input full scale, voltages R, S, T
    float EngIr = 0, EngIs = 0, EngIt = 0;  // engineering full scale, currents
    float EngVr = 0, EngVs = 0, EngVt = 0;  // engineering full scale, voltages
    float CalIr = 0, CalIs = 0, CalIt = 0;  // calibration points, amperes
    float CalVr = 0, CalVs = 0, CalVt = 0;  // calibration points, volts
    uint16_t CalControl = 0;                // bits 0-8: what a calibration adjusts; not stored
};

// The eighteen floats in record order: the device commands send the first
// twelve and the last six as runs.
inline constexpr std::array<float ConfigRecord::*, 18> ConfigFloats = {
    &ConfigRecord::InpIr, &ConfigRecord::InpIs, &ConfigRecord::InpIt, &ConfigRecord::InpVr,
    &ConfigRecord::InpVs, &ConfigRecord::InpVt, &ConfigRecord::EngIr, &ConfigRecord::EngIs,
    &ConfigRecord::EngIt, &ConfigRecord::EngVr, &ConfigRecord::EngVs, &ConfigRecord::EngVt,
    &ConfigRecord::CalIr, &ConfigRecord::CalIs, &ConfigRecord::CalIt, &ConfigRecord::CalVr,
    &ConfigRecord::CalVs, &ConfigRecord::CalVt,
};

inline constexpr int MaxFirmwareVersion = 255;
inline constexpr char ConfigSignature[] = "RVX82A Configuration File. V 1.10";

extern ConfigRecord Config;

// What the unit shows in the main window: the file name in status panel 1
// and the configuration's slave address in the Slave ID field. The main
// window fills these in; unset ones are skipped.
struct ConfigurationView {
    std::function<void(const QString&)> showFileName;
    std::function<void(int)> setSlaveId;
};
extern ConfigurationView ConfigView;

// Status panel 1: the current file name with a to z in capitals; digits,
// blanks and other letters stay as they are.
void ShowCurrentFileName();

// What CheckConfigFile found: a file that carries the signature, no file
// there (a folder is no file), or anything else - after the message
// "<file name> is not a valid configuration file".
enum ConfigCheck : int { kConfigValid = 0, kConfigMissing = 1, kConfigNotValid = -1 };
int CheckConfigFile(const QString& path);

// Loads Config from the current file. On a number that does not convert
// (or a file that cannot be read) the message "'<text>' is not a valid
// floating point value" (or "<file name> is not a valid configuration
// file") is shown and Config, the window and ConfigSaved stay as they were:
// the result is then false, so that callers can put the file name and
// folder back as well.
bool ReadConfigFile();

// Saves Config into the current file, keeping its other sections and keys.
// A failed save is shown to the user, leaves the old file whole and
// ConfigSaved and the status panel as they were, and gives false.
bool WriteConfigFile();

// Config to its defaults, for a new configuration under Settings.FileName.
void SetDefaultConfig();

// True when every field the file keeps holds what the current file held when
// it was last loaded or saved. False after New, and once the current file
// was changed to one that Config has not been loaded from or saved to.
bool ConfigMatchesFile();
void ForgetFileRecord();

}  // namespace kestro
