#pragma once
// Test helpers around the rvx82a-sim program: the process with its JSON
// event lines, and a raw 9600 8N1 terminal client that timestamps what
// arrives.

#include <sys/types.h>
#include <termios.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestro::sim::test {

class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();  // kills the process if it still runs
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Waits until an event line containing `needle` has been printed since
    // the last call that found one; returns that line, or "" after the time-out.
    std::string waitFor(const std::string& needle, int timeoutMs);
    // Every line printed so far.
    const std::vector<std::string>& lines();
    // Waits for the exit; the exit code, or -1 when the process did not
    // exit in time (then it is killed) or died of a signal.
    int wait(int timeoutMs);
    // SIGTERM, then wait().
    int terminate(int timeoutMs = 3000);
    void killHard();
    bool running();

  private:
    void pump(int timeoutMs);
    pid_t pid_ = -1;
    int out_ = -1;
    std::string partial_;
    std::vector<std::string> lines_;
    size_t searched_ = 0;
};

struct Arrival {
    int64_t us;  // since the request was sent
    std::vector<uint8_t> bytes;
};

class RawLink {
  public:
    ~RawLink() { close(); }
    bool open(const std::string& path);
    void close();
    // Sets the rate of the master's terminal, as a serial port does.
    void setSpeed(speed_t speed);
    // Sends the frame with its CRC appended.
    void send(const std::vector<uint8_t>& frame);
    // What arrives until `silenceMs` pass without a byte, waiting at most
    // `firstByteMs` for the first one.
    std::vector<Arrival> receive(int firstByteMs = 1500, int silenceMs = 200);
    std::vector<uint8_t> transact(const std::vector<uint8_t>& frame, int firstByteMs = 1500);

  private:
    int fd_ = -1;
    int64_t sentUs_ = 0;
};

std::vector<uint8_t> joined(const std::vector<Arrival>& arrivals);
bool crcOk(const std::vector<uint8_t>& frame);
int64_t monotonicUs();

// A fresh folder under /tmp, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

  private:
    std::string dir_;
};

}  // namespace kestro::sim::test
