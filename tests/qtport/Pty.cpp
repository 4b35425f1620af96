#include "tests/qtport/Pty.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "tests/support/Waiting.h"

namespace kestro::test {

// The line starts out at other settings than the port's (19200, 7E2), so a
// port that does not apply its own settings shows.
Pty::Pty() {
    termios raw{};
    cfmakeraw(&raw);
    raw.c_cflag = (raw.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    cfsetspeed(&raw, B19200);
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, &raw, nullptr) != 0) {
        master_ = -1;
        return;
    }
    slaveName_ = name;
    ::close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
    closeMaster();
}

void Pty::closeMaster() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void Pty::write(const std::vector<uint8_t>& bytes) {
    if (master_ >= 0 && !bytes.empty())
        (void)::write(master_, bytes.data(), bytes.size());
}

std::vector<uint8_t> Pty::readAvailable() {
    std::vector<uint8_t> bytes;
    uint8_t chunk[256];
    ssize_t n;
    while (master_ >= 0 && (n = ::read(master_, chunk, sizeof chunk)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    return bytes;
}

std::vector<uint8_t> Pty::read(size_t count, int timeoutMs) {
    std::vector<uint8_t> bytes;
    waitUntil(
        [&] {
            const auto more = readAvailable();
            bytes.insert(bytes.end(), more.begin(), more.end());
            return bytes.size() >= count;
        },
        timeoutMs);
    return bytes;
}

DeviceLink::DeviceLink() : path_(dir_.filePath("ttyKestro").toStdString()) {}

void DeviceLink::pointTo(const Pty& pty) {
    std::remove(path_.c_str());
    (void)::symlink(pty.slaveName().c_str(), path_.c_str());
}

void DeviceLink::remove() {
    std::remove(path_.c_str());
}

}  // namespace kestro::test
