#include "sim/PtyLink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace kestro::sim {

namespace {

// A new terminal in raw mode: without it the line discipline would echo
// and edit the bytes until the other party sets its own mode.
bool openPty(Pty& pty, std::string& error) {
    pty.control = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (pty.control < 0 || grantpt(pty.control) != 0 || unlockpt(pty.control) != 0) {
        error = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    pty.terminal = ptsname(pty.control);
    const int fd = open(pty.terminal.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        error = "cannot open " + pty.terminal + ": " + std::strerror(errno);
        return false;
    }
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
    close(fd);
    return true;
}

}  // namespace

PtyLink::~PtyLink() {
    if (!linkPath_.empty()) {
        // Only our own link is removed: a newer simulator may own the path.
        char target[PATH_MAX];
        const ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, size_t(n)) == master_.terminal)
            unlink(linkPath_.c_str());
    }
    if (deviceHold_ >= 0)
        close(deviceHold_);
    if (master_.control >= 0)
        close(master_.control);
    if (device_.control >= 0)
        close(device_.control);
}

bool PtyLink::create(const std::string& linkPath, std::string& error) {
    if (!openPty(master_, error) || !openPty(device_, error))
        return false;
    deviceHold_ = open(device_.terminal.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (deviceHold_ < 0) {
        error = "cannot open " + device_.terminal + ": " + std::strerror(errno);
        return false;
    }
    if (linkPath.empty())
        return true;
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = linkPath + " exists and is not a symbolic link";
            return false;
        }
        unlink(linkPath.c_str());
    }
    if (symlink(master_.terminal.c_str(), linkPath.c_str()) != 0) {
        error = "cannot create " + linkPath + ": " + std::strerror(errno);
        return false;
    }
    linkPath_ = linkPath;
    return true;
}

}  // namespace kestro::sim
