#include "tests/sim/SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "modbus/Crc.h"
#include "sim/model/RtuResponder.h"

extern char** environ;

namespace kestro::sim::test {

int64_t monotonicUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    out_ = pipeFds[0];
    fcntl(out_, F_SETFL, O_NONBLOCK);
}

SimProcess::~SimProcess() {
    killHard();
    if (out_ >= 0)
        ::close(out_);
}

void SimProcess::pump(int timeoutMs) {
    pollfd fd{out_, POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) <= 0)
        return;
    char buffer[4096];
    ssize_t n;
    while ((n = read(out_, buffer, sizeof buffer)) > 0) {
        partial_.append(buffer, size_t(n));
        size_t end;
        while ((end = partial_.find('\n')) != std::string::npos) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
        }
    }
}

std::string SimProcess::waitFor(const std::string& needle, int timeoutMs) {
    const int64_t deadline = monotonicUs() + int64_t(timeoutMs) * 1000;
    for (;;) {
        for (; searched_ < lines_.size(); ++searched_) {
            if (lines_[searched_].find(needle) != std::string::npos)
                return lines_[searched_++];
        }
        const int64_t left = deadline - monotonicUs();
        if (left <= 0)
            return {};
        pump(int(left / 1000) + 1);
    }
}

const std::vector<std::string>& SimProcess::lines() {
    pump(0);
    return lines_;
}

bool SimProcess::running() {
    return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
}

int SimProcess::terminate(int timeoutMs) {
    if (pid_ > 0)
        ::kill(pid_, SIGTERM);
    return wait(timeoutMs);
}

int SimProcess::wait(int timeoutMs) {
    if (pid_ <= 0)
        return -1;
    const int64_t deadline = monotonicUs() + int64_t(timeoutMs) * 1000;
    while (monotonicUs() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            pump(0);
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        usleep(10000);
    }
    killHard();
    return -1;
}

void SimProcess::killHard() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool RawLink::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return false;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd_, TCSANOW, &tio);
    return true;
}

void RawLink::setSpeed(speed_t speed) {
    termios tio{};
    tcgetattr(fd_, &tio);
    cfsetspeed(&tio, speed);
    tcsetattr(fd_, TCSANOW, &tio);
}

void RawLink::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void RawLink::send(const std::vector<uint8_t>& frame) {
    const auto bytes = WithCrc(frame);
    sentUs_ = monotonicUs();
    if (write(fd_, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        sentUs_ = -1;
}

std::vector<Arrival> RawLink::receive(int firstByteMs, int silenceMs) {
    std::vector<Arrival> arrivals;
    for (;;) {
        pollfd fd{fd_, POLLIN, 0};
        if (poll(&fd, 1, arrivals.empty() ? firstByteMs : silenceMs) <= 0)
            break;
        uint8_t buffer[512];
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        arrivals.push_back({monotonicUs() - sentUs_, std::vector<uint8_t>(buffer, buffer + n)});
    }
    return arrivals;
}

std::vector<uint8_t> RawLink::transact(const std::vector<uint8_t>& frame, int firstByteMs) {
    send(frame);
    return joined(receive(firstByteMs));
}

std::vector<uint8_t> joined(const std::vector<Arrival>& arrivals) {
    std::vector<uint8_t> all;
    for (const Arrival& a : arrivals)
        all.insert(all.end(), a.bytes.begin(), a.bytes.end());
    return all;
}

bool crcOk(const std::vector<uint8_t>& frame) {
    return frame.size() >= 4 && WithCrc({frame.begin(), frame.end() - 2}) == frame;
}

TempDir::TempDir() {
    char pattern[] = "/tmp/rvx82a-sim-test.XXXXXX";
    dir_ = mkdtemp(pattern) ? pattern : "";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!dir_.empty())
        std::filesystem::remove_all(dir_, ignored);
}

}  // namespace kestro::sim::test
