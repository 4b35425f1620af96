#include "platform/PortAvailability.h"

#include <QtGlobal>

#include "platform/RemoteLineProbe.h"
#include "platform/core/PortMap.h"
#include "platform/core/RemoteLine.h"

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#elif defined(Q_OS_WIN)
#include "platform/WinComDevice.h"
#endif

namespace kestro {

bool IsPortAvailable(int portNumber) {
    return IsDeviceAvailable(PortMap::devicePath(portNumber));
}

namespace {

#if defined(Q_OS_UNIX)

// Non-blocking, so that a line without carrier does not hold the list up,
// and without becoming the controlling terminal. A port held exclusively by
// another program refuses with EBUSY; EACCES and EPERM are a port this user
// may not open. All three count as present.
bool isSerialDeviceAvailable(const std::string& device) {
    if (device.empty())
        return false;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM || errno == EBUSY;
    struct stat info {};
    const bool isDevice = ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode);
    ::close(fd);
    return isDevice;
}

#elif defined(Q_OS_WIN)

// A port held by another program refuses with access denied (or, under
// Wine, a sharing violation); a name that opens but takes no line settings
// is no serial port.
bool isSerialDeviceAvailable(const std::string& device) {
    if (device.empty())
        return false;
    const HANDLE handle = OpenComDevice(WinDeviceName(device), 0);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    const bool isPort = GetCommState(handle, &dcb);
    CloseHandle(handle);
    return isPort;
}

#endif

}  // namespace

bool IsDeviceAvailable(const std::string& device) {
    if (IsRemoteLine(device)) {
        const auto line = ParseRemoteLine(device);
        return line && IsRemoteLineAnswering(*line);
    }
    return isSerialDeviceAvailable(device);
}

}  // namespace kestro
