#include "platform/WinComDevice.h"

#include <QString>

namespace kestro {

std::string WinDeviceName(const std::string& device) {
    if (device.empty() || device.rfind("\\\\", 0) == 0)
        return device;
    return "\\\\.\\" + device;
}

HANDLE OpenComDevice(const std::string& deviceName, DWORD flags) {
    const std::wstring name = QString::fromStdString(deviceName).toStdWString();
    return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags,
                       nullptr);
}

}  // namespace kestro
