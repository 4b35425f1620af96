#include "platform/QtTcpPort.h"

#include <QEventLoop>
#include <algorithm>
#include <string>

#include "platform/core/PortMap.h"

namespace kestro {

namespace {

// Why the server cannot be reached, in the terms every port component uses.
// A network has no plug for the user to push in, so every reason is said in
// its own words, with what the user can do about it.
PortProblem connectProblem(const std::string& device, QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return {PortFault::Other, device, "the server refused the connection",
                    "Another program may be connected to it, or the TCP port is wrong."};
        case QAbstractSocket::HostNotFoundError:
            return {PortFault::Other, device, "the host is not known",
                    "Check the address in the [PORTS] section of Kestro.ini."};
        case QAbstractSocket::RemoteHostClosedError:
            return {PortFault::Other, device, "the server closed the connection",
                    "Kestro connects again by itself."};
        default:
            return {PortFault::Other, device, "the server does not answer",
                    "Check that it is switched on and reachable over the network."};
    }
}

}  // namespace

QtTcpPort::QtTcpPort(int outBufferSize)
    : outBufferSize_(outBufferSize),
      triggers_([this] { deliverAvailable(); },
                [this](TriggerHandle handle) { fire(OnTriggerTimer, handle); }) {
    QObject::connect(&socket_, &QTcpSocket::connected, &socket_, [this] { onConnected(); });
    QObject::connect(&socket_, &QTcpSocket::stateChanged, &socket_,
                     [this](QAbstractSocket::SocketState state) { onStateChanged(state); });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, &socket_,
                     [this](QAbstractSocket::SocketError error) { onError(error); });
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] { onReadyRead(); });
    reconnectTimer_.setInterval(kReconnectMs);
    QObject::connect(&reconnectTimer_, &QTimer::timeout, &reconnectTimer_, [this] { tryAgain(); });
    connectTimeout_.setSingleShot(true);
    connectTimeout_.setInterval(kConnectTimeoutMs);
    // A host that never answers: give the attempt up.
    QObject::connect(&connectTimeout_, &QTimer::timeout, &connectTimeout_, [this] {
        if (connected_)
            return;
        setProblem(connectProblem(device_, QAbstractSocket::SocketTimeoutError));
        socket_.abort();
    });
}

QtTcpPort::~QtTcpPort() {
    // Closing still emits signals; nothing of this object may answer them.
    QObject::disconnect(&socket_, nullptr, nullptr, nullptr);
    socket_.abort();
}

void QtTcpPort::setOpen(bool open) {
    wantOpen_ = open;
    if (open && !connected_) {
        device_ = PortMap::devicePath(settings().comNumber);
        line_ = ParseRemoteLine(device_);
        if (line_)
            waitForConnect();
        else
            setProblem({PortFault::Other, device_, "not an address of the form tcp://host:port",
                        "Correct the [PORTS] section of Kestro.ini."});
    } else if (!open) {
        reconnectTimer_.stop();
        connectTimeout_.stop();
        const bool wasConnected = connected_;
        connected_ = false;
        availPending_ = false;
        // What is still queued goes out before the connection ends.
        socket_.disconnectFromHost();
        if (wasConnected)
            fire(OnPortClose);
    }
}

void QtTcpPort::startConnect() {
    socket_.abort();
    socket_.connectToHost(QString::fromStdString(line_->host), quint16(line_->port));
    connectTimeout_.start();
}

// The port opens in one call, as a serial port does; a server on the other
// side of the world may take a while to answer, and the window keeps
// painting and its timers keep running meanwhile. User input waits, so that
// nothing else starts while the port is half open.
void QtTcpPort::waitForConnect() {
    QEventLoop loop;
    QObject::connect(&socket_, &QTcpSocket::stateChanged, &loop,
                     [&loop](QAbstractSocket::SocketState state) {
                         if (state == QAbstractSocket::ConnectedState ||
                             state == QAbstractSocket::UnconnectedState)
                             loop.quit();
                     });
    startConnect();
    const auto state = socket_.state();
    if (state != QAbstractSocket::ConnectedState && state != QAbstractSocket::UnconnectedState)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void QtTcpPort::onConnected() {
    connectTimeout_.stop();
    // Trying a port on this computer that nobody listens on can, now and
    // then, connect the socket to itself; that is no server.
    const bool toItself = socket_.localPort() == socket_.peerPort() &&
                          socket_.localAddress() == socket_.peerAddress();
    if (!wantOpen_ || toItself) {
        socket_.abort();
        return;
    }
    reconnectTimer_.stop();
    // A request is one small write that should leave at once.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connected_ = true;
    setProblem({});
    fire(OnPortOpen);
}

void QtTcpPort::onStateChanged(QAbstractSocket::SocketState state) {
    if (state == QAbstractSocket::UnconnectedState && connected_)
        connectionLost(QAbstractSocket::RemoteHostClosedError);
}

// A failed attempt ends in the unconnected state and waits for the next
// one; an error on an open connection ends it.
void QtTcpPort::onError(QAbstractSocket::SocketError error) {
    if (connected_) {
        connectionLost(error);
        return;
    }
    setProblem(connectProblem(device_, error));
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.abort();
}

void QtTcpPort::connectionLost(QAbstractSocket::SocketError error) {
    setProblem(connectProblem(device_, error));
    connected_ = false;
    availPending_ = false;
    socket_.abort();
    if (wantOpen_)
        reconnectTimer_.start();
    fire(OnPortClose);
}

void QtTcpPort::tryAgain() {
    if (!wantOpen_ || connected_) {
        reconnectTimer_.stop();
        return;
    }
    if (socket_.state() == QAbstractSocket::UnconnectedState)
        startConnect();
}

// Data-available events come from the event loop, never from inside the
// socket's own signal: a handler may wait with the event loop running, and
// the bytes arriving meanwhile get an event of their own.
void QtTcpPort::onReadyRead() {
    if (availPending_)
        return;
    availPending_ = true;
    QTimer::singleShot(0, &socket_, [this] { deliverAvailable(); });
}

void QtTcpPort::deliverAvailable() {
    if (!availPending_)
        return;
    availPending_ = false;
    const qint64 waiting = connected_ ? socket_.bytesAvailable() : 0;
    if (waiting > 0)
        fire(OnTriggerAvail, int(waiting));
}

TriggerHandle QtTcpPort::addTimerTrigger() {
    return triggers_.add();
}

void QtTcpPort::setTimerTrigger(TriggerHandle handle, int ticks, bool activate) {
    triggers_.set(handle, ticks, activate);
}

int QtTcpPort::outBuffFree() const {
    if (!connected_)
        return outBufferSize_;
    return std::max(0, outBufferSize_ - int(socket_.bytesToWrite()));
}

void QtTcpPort::writeBlock(const uint8_t* data, int length) {
    if (!connected_ || length <= 0)
        return;
    socket_.write(reinterpret_cast<const char*>(data), length);
}

int QtTcpPort::getBlock(uint8_t* data, int length) {
    if (!connected_ || length <= 0)
        return 0;
    return int(std::max<qint64>(0, socket_.read(reinterpret_cast<char*>(data), length)));
}

}  // namespace kestro
