#pragma once
// Opening a serial device on Windows by the name the port map gives it.

#include <windows.h>

#include <string>

namespace kestro {

// "COM12" -> "\\.\COM12". COM10 and above open only through the device
// namespace, which serves COM1-COM9 as well; names already in it stay.
std::string WinDeviceName(const std::string& device);

// CreateFile on the device for reading and writing, not shared, with
// `flags` (FILE_FLAG_OVERLAPPED or 0). INVALID_HANDLE_VALUE on failure,
// GetLastError() says why.
HANDLE OpenComDevice(const std::string& deviceName, DWORD flags);

}  // namespace kestro
