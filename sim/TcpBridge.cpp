#include "sim/TcpBridge.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestro::sim {

namespace {

constexpr int kStopCheckMs = 100;

// Writes all of `length` bytes to a non-blocking descriptor, waiting for
// room when it is full. SIGPIPE is ignored: a client gone fails the write.
bool writeAll(int fd, const uint8_t* data, ssize_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, data, size_t(length));
        if (written < 0) {
            if (errno != EAGAIN && errno != EINTR)
                return false;
            pollfd out{fd, POLLOUT, 0};
            poll(&out, 1, kStopCheckMs);
            continue;
        }
        data += written;
        length -= written;
    }
    return true;
}

std::string peerText(const sockaddr_in& peer) {
    char address[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, address, sizeof address);
    return std::string(address) + ":" + std::to_string(ntohs(peer.sin_port));
}

}  // namespace

TcpBridge::~TcpBridge() {
    for (int fd : {client_, terminal_, listener_}) {
        if (fd >= 0)
            close(fd);
    }
}

bool TcpBridge::listen(int port, std::string& error) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int on = 1;
    // A simulator started again takes its port back at once.
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    socklen_t size = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    port_ = ntohs(address.sin_port);
    return true;
}

void TcpBridge::run(const std::string& terminal, const std::atomic<bool>& stop, EventLog& log) {
    // The master's end stays open for as long as the bridge runs: clients
    // come and go faster than a terminal is opened and closed again.
    terminal_ = open(terminal.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (terminal_ < 0) {
        log.print(Event("error").withText("reason", terminal + ": " + std::strerror(errno)));
        return;
    }
    while (!stop) {
        pollfd fds[3] = {{listener_, POLLIN, 0}, {client_, POLLIN, 0}, {terminal_, POLLIN, 0}};
        if (poll(fds, 3, kStopCheckMs) <= 0)
            continue;
        // A client that left makes room before the next one is let in: a
        // master often looks whether the server is there and connects at
        // once afterwards.
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && !carry(client_, terminal_))
            drop(log);
        if (fds[2].revents & POLLIN)
            carry(terminal_, client_);
        if (fds[0].revents & POLLIN)
            accept(log);
    }
}

void TcpBridge::accept(EventLog& log) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    const int fd =
        accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    if (client_ >= 0) {
        close(fd);
        log.print(Event("tcp_busy").withText("peer", peerText(peer)));
        return;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    client_ = fd;
    log.print(Event("tcp_connect").withText("peer", peerText(peer)));
}

// The client left: what it sent last and what was on its way to it die
// with the connection, as when a port closes.
void TcpBridge::drop(EventLog& log) {
    close(client_);
    client_ = -1;
    tcflush(terminal_, TCIOFLUSH);
    log.print(Event("tcp_disconnect"));
}

// False when `from` has ended or `to` is gone. Without a client, what the
// device sends is lost, as on a line nobody listens to.
bool TcpBridge::carry(int from, int to) {
    uint8_t buffer[512];
    const ssize_t n = read(from, buffer, sizeof buffer);
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    return n > 0 && (to < 0 || writeAll(to, buffer, n));
}

}  // namespace kestro::sim
