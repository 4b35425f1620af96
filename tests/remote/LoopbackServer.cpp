#include "tests/remote/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/Waiting.h"

namespace kestro::test {

LoopbackServer::LoopbackServer() {
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
        while (QTcpSocket* next = server_.nextPendingConnection()) {
            ++accepted_;
            if (hasClient()) {
                next->abort();
                next->deleteLater();
                continue;
            }
            client_ = next;
            client_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QObject::connect(client_, &QTcpSocket::readyRead, client_, [this] {
                const QByteArray bytes = client_->readAll();
                received_.insert(received_.end(), bytes.begin(), bytes.end());
            });
        }
    });
    server_.listen(QHostAddress::LocalHost);
    port_ = server_.serverPort();
}

std::string LoopbackServer::address() const {
    return "tcp://127.0.0.1:" + std::to_string(port_);
}

bool LoopbackServer::waitForClient(int timeoutMs) {
    return waitUntil([this] { return hasClient(); }, timeoutMs);
}

std::vector<uint8_t> LoopbackServer::read(size_t count, int timeoutMs) {
    waitUntil([&] { return received_.size() >= count; }, timeoutMs);
    const size_t n = std::min(count, received_.size());
    std::vector<uint8_t> bytes(received_.begin(), received_.begin() + long(n));
    received_.erase(received_.begin(), received_.begin() + long(n));
    return bytes;
}

void LoopbackServer::write(const std::vector<uint8_t>& bytes) {
    if (!hasClient())
        return;
    client_->write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    client_->flush();
}

void LoopbackServer::leave() {
    server_.close();
    if (client_) {
        client_->close();
        client_->deleteLater();
    }
    received_.clear();
}

bool LoopbackServer::comeBack() {
    return server_.listen(QHostAddress::LocalHost, port_);
}

UnansweringListener::UnansweringListener() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    // A backlog of 0 holds one connection, which the filler takes; it is
    // never accepted.
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 0) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    port_ = ntohs(address.sin_port);
    const int filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(filler, reinterpret_cast<sockaddr*>(&address), size) == 0)
        filler_ = filler;
    else
        close(filler);
}

UnansweringListener::~UnansweringListener() {
    for (int fd : {filler_, listener_}) {
        if (fd >= 0)
            close(fd);
    }
}

std::string UnansweringListener::address() const {
    return "tcp://127.0.0.1:" + std::to_string(port_);
}

}  // namespace kestro::test
