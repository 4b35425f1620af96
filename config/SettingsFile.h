#pragma once
// Kestro.ini: the program settings in sections PORT and CONFIG, and the
// [PORTS] section that says which device each port number opens.

#include <QString>
#include <utility>
#include <vector>

#include "shell/MainState.h"

namespace kestro {

// Reads the eight settings in their order, each with its default when the
// file or the key is missing (PORT: Name "COM1", Baud "9600", Data "8",
// Stop "1", Parity "None", Interface "RS232"; CONFIG: FileName
// "RVX82UNTITLED.CFG", Path `defaultPath`), and sets PortNumber from Name.
// False, with the reason in `error`, when the file exists but could not be
// read (all settings then take their defaults).
bool ReadSettingsFile(const QString& file, IniRecord& settings, const QString& defaultPath,
                      QString* error = nullptr);

// Writes the eight settings in the same order, creating the file when it is
// missing and keeping its other sections and keys. False, with the reason
// in `error`, when the file could not be saved; it is then unchanged.
bool WriteSettingsFile(const QString& file, const IniRecord& settings, QString* error = nullptr);

// The last character of a port name as a digit: "COM1" gives 1; 1 when that
// character is no digit or the name is empty.
int PortNumberFromName(const QString& name);

// The [PORTS] entries ("COM5=/dev/ttyUSB0") as port number and device, in
// file order; keys that name no port and empty devices are left out.
std::vector<std::pair<int, QString>> ReadPortEntries(const QString& file);

}  // namespace kestro
