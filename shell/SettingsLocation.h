#pragma once
// Where Kestro.ini lives. It belongs in the program's folder; when that
// folder cannot be written (a system-wide install under /usr or /opt), the
// settings and the default folder for configurations move to the user's
// own folder, ~/.config/Kestro/, so that the settings and New followed by
// Save still work.

#include <QString>

namespace kestro {

struct SettingsLocation {
    QString readFile;     // the Kestro.ini read at start
    QString writeFile;    // where the settings are saved; empty: nowhere can be written
    QString defaultPath;  // default folder of configurations, with trailing separator
};

// The settings file name.
constexpr char kSettingsFileName[] = "Kestro.ini";

// The user's folder for the settings, with trailing separator
// ($XDG_CONFIG_HOME/Kestro/, normally ~/.config/Kestro/).
QString UserSettingsFolder();

// Chooses the files for a program in `programFolder`. When the settings
// move to the user's folder and it holds no Kestro.ini yet, the program
// folder's copy is taken over as the user's first settings.
SettingsLocation LocateSettings(const QString& programFolder);

// A folder as Path holds it: absolute, native separators, one trailing
// separator.
QString FolderWithSeparator(const QString& folder);

}  // namespace kestro
