#pragma once
// The program's settings as Kestro.ini holds them, and whether the
// configuration on screen is saved: state that the configuration, the
// dialogs and the main window all read and change.

#include <QString>
#include <cstdint>

namespace kestro {

struct PortRecord {
    QString Name;
    int32_t PortNumber = 0;
    QString Baud;
    QString Data;
    QString Stop;
    QString Parity;
    QString Interface;
};

struct IniRecord {
    PortRecord Port;
    QString FileName;  // current configuration file, without folder
    QString Path;      // its folder, with a trailing separator
};

extern IniRecord Settings;
extern bool ConfigSaved;

// The current configuration file: Path followed directly by FileName.
inline QString CurrentConfigFile() {
    return Settings.Path + Settings.FileName;
}

}  // namespace kestro
