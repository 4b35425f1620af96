#include "PortAvailability.h"

#include <QtGlobal>

#include "PortMap.h"
#include "platform/RemoteLineProbe.h"
#include "platform/core/RemoteLine.h"

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#else
#include <QSerialPort>
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

#else

bool isSerialDeviceAvailable(const std::string& device) {
    if (device.empty())
        return false;
    QSerialPort port(QString::fromStdString(device));
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return true;
    }
    return port.error() == QSerialPort::PermissionError;
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
