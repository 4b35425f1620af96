#pragma once
// A pseudo-terminal standing in for a serial device: the port under test
// opens the slave through a link in a temporary folder, the test plays the
// other end of the line on the master side.

#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

namespace kestro::test {

class Pty {
  public:
    Pty();  // raw line; the slave is closed until the port opens it
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& slaveName() const { return slaveName_; }
    int masterFd() const { return master_; }

    // The other end goes away: the slave sees a hang-up.
    void closeMaster();
    void write(const std::vector<uint8_t>& bytes);
    // Reads what is waiting now, without blocking.
    std::vector<uint8_t> readAvailable();
    // Reads until `count` bytes came or `timeoutMs` passed, with the event
    // loop running (the port writes from the event loop).
    std::vector<uint8_t> read(size_t count, int timeoutMs = 1000);

  private:
    int master_ = -1;
    std::string slaveName_;
};

// A device path in a temporary folder that links to a pty's slave, like a
// /dev/serial/by-id link to the adapter of the moment.
class DeviceLink {
  public:
    DeviceLink();
    const std::string& path() const { return path_; }
    void pointTo(const Pty& pty);
    // The adapter is gone, and its link with it (as udev removes it); the pty
    // number is then free for any other process's pty.
    void remove();

  private:
    QTemporaryDir dir_;
    std::string path_;
};

}  // namespace kestro::test
