#pragma once
// A serial device server as the tests need it, on 127.0.0.1: one client at
// a time, whose bytes it gathers; it can write to the client in pieces,
// leave, and come back on the same TCP port.

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <string>
#include <vector>

namespace kestro::test {

class LoopbackServer {
  public:
    LoopbackServer();
    bool listening() const { return server_.isListening(); }
    quint16 port() const { return port_; }
    // "tcp://127.0.0.1:<port>", the [PORTS] entry that reaches this server.
    std::string address() const;

    bool waitForClient(int timeoutMs);
    bool hasClient() const {
        return client_ && client_->state() == QAbstractSocket::ConnectedState;
    }
    int clientsAccepted() const { return accepted_; }
    // Waits for `count` bytes from the client and takes them.
    std::vector<uint8_t> read(size_t count, int timeoutMs = 2000);
    // Writes at once and pushes the bytes out as a segment of their own.
    void write(const std::vector<uint8_t>& bytes);

    // Closes the client's connection and stops listening: the port is then
    // refused, as a server switched off.
    void leave();
    bool comeBack();

  private:
    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    std::vector<uint8_t> received_;
    quint16 port_ = 0;
    int accepted_ = 0;
};

// A listener whose queue of connections is full, so that the host never
// answers a connect: the SYNs are dropped, as those to a host that is
// switched off.
class UnansweringListener {
  public:
    UnansweringListener();
    ~UnansweringListener();
    bool ok() const { return filler_ >= 0; }
    std::string address() const;

  private:
    int listener_ = -1;
    int filler_ = -1;
    int port_ = 0;
};

}  // namespace kestro::test
