// The settings file Kestro.ini of the main window: the eight settings and
// the [PORTS] map of port numbers to devices.
#include "config/SettingsFile.h"
#include "platform/UserInteraction.h"
#include "platform/core/PortMap.h"
#include "shell/Main.h"

namespace kestro {

void TfrmMain::ReadSettings() {
    location_ = LocateSettings(programFolder_);
    QString error;
    if (!ReadSettingsFile(location_.readFile, Settings, location_.defaultPath, &error))
        reportSettingsNotRead(location_.readFile + ": " + error);
    PortMap::clear();
    for (const auto& [portNumber, device] : ReadPortEntries(location_.readFile))
        PortMap::setEntry(portNumber, device.toStdString());
    if (location_.writeFile.isEmpty())
        reportSettingsNotSaved(
            QString("neither %1 nor %2 can be written").arg(programFolder_, UserSettingsFolder()));
}

void TfrmMain::WriteSettings() {
    if (location_.writeFile.isEmpty())
        return;
    QString error;
    if (!WriteSettingsFile(location_.writeFile, Settings, &error))
        reportSettingsNotSaved(location_.writeFile + ": " + error);
}

// A settings file that cannot be read is not written over either, so this
// also stands for the warning that the settings cannot be saved.
void TfrmMain::reportSettingsNotRead(const QString& reason) {
    settingsErrorShown_ = true;
    Interaction().beep(Beep::Exclamation);
    Interaction().message(MessageKind::Warning,
                          "The settings cannot be read (" + reason +
                              "). Kestro starts with the default settings and without its "
                              "[PORTS] entries, and changes made in this run will not be kept.",
                          Buttons::Ok);
}

// Said once per run; the program goes on with the settings it has.
void TfrmMain::reportSettingsNotSaved(const QString& reason) {
    if (settingsErrorShown_)
        return;
    settingsErrorShown_ = true;
    Interaction().beep(Beep::Exclamation);
    Interaction().message(
        MessageKind::Warning,
        "The settings cannot be saved (" + reason + "). Changes made in this run will not be kept.",
        Buttons::Ok);
}

}  // namespace kestro
