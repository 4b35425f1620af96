#include "config/SettingsFile.h"

#include "platform/IniStore.h"
#include "platform/core/PortMap.h"

namespace kestro {

namespace {

const QString kPort = "PORT";
const QString kConfig = "CONFIG";

}  // namespace

int PortNumberFromName(const QString& name) {
    const QChar last = name.isEmpty() ? QChar() : name.back();
    return last >= '0' && last <= '9' ? last.unicode() - '0' : 1;
}

bool ReadSettingsFile(const QString& file, IniRecord& settings, const QString& defaultPath,
                      QString* error) {
    IniStore store(file);
    // A missing or unreadable file gives every default.
    const bool read = store.Open();
    if (!read && error)
        *error = store.ErrorString();
    PortRecord& port = settings.Port;
    port.Name = store.ReadString(kPort, "Name", "COM1");
    port.PortNumber = PortNumberFromName(port.Name);
    port.Baud = store.ReadString(kPort, "Baud", "9600");
    port.Data = store.ReadString(kPort, "Data", "8");
    port.Stop = store.ReadString(kPort, "Stop", "1");
    port.Parity = store.ReadString(kPort, "Parity", "None");
    port.Interface = store.ReadString(kPort, "Interface", "RS232");
    settings.FileName = store.ReadString(kConfig, "FileName", "RVX82UNTITLED.CFG");
    settings.Path = store.ReadString(kConfig, "Path", defaultPath);
    return read;
}

bool WriteSettingsFile(const QString& file, const IniRecord& settings, QString* error) {
    IniStore store(file);
    store.Open();  // Close refuses to replace a file that could not be read
    const PortRecord& port = settings.Port;
    store.WriteString(kPort, "Name", port.Name);
    store.WriteString(kPort, "Baud", port.Baud);
    store.WriteString(kPort, "Data", port.Data);
    store.WriteString(kPort, "Stop", port.Stop);
    store.WriteString(kPort, "Parity", port.Parity);
    store.WriteString(kPort, "Interface", port.Interface);
    store.WriteString(kConfig, "FileName", settings.FileName);
    store.WriteString(kConfig, "Path", settings.Path);
    if (store.Close())
        return true;
    if (error)
        *error = store.ErrorString();
    return false;
}

std::vector<std::pair<int, QString>> ReadPortEntries(const QString& file) {
    IniStore store(file);
    store.Open();
    std::vector<std::pair<int, QString>> ports;
    for (const auto& [key, device] : store.ReadSection("PORTS")) {
        const int number = PortMap::portNumberFromKey(key.toStdString());
        if (number > 0 && !device.isEmpty())
            ports.emplace_back(number, device);
    }
    return ports;
}

}  // namespace kestro
