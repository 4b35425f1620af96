#pragma once
// The port component on a TCP connection to a serial device server, for a
// port whose [PORTS] entry is "tcp://host:port". The server carries the RTU
// frames unchanged between the connection and its serial line, whose line
// settings are its own affair: those of this port are not used.
//
// Everything else is as on a serial port: 55 ms timer triggers, an output
// buffer, data-available events, and the end of a frame found by the link
// layer as a tick of silence, which also joins the pieces TCP may cut a
// frame into. Opening connects and waits for at most kConnectTimeoutMs,
// handling events meanwhile (user input excepted). A connection that drops
// is a device that went away: the port closes once and tries again about
// once a second; when a connection is made, OnPortOpen fires and traffic
// resumes. While it is not open, problem() says why: refused, no answer,
// an unknown host, or the connection lost.

#include <QTcpSocket>
#include <QTimer>
#include <optional>
#include <string>

#include "modbus/PortComponent.h"
#include "platform/PortEvents.h"
#include "platform/core/RemoteLine.h"

namespace kestro {

class QtTcpPort : public PortComponent {
  public:
    explicit QtTcpPort(int outBufferSize = 4096);
    ~QtTcpPort() override;

    void setOpen(bool open) override;
    bool isOpen() const override { return connected_; }
    TriggerHandle addTimerTrigger() override;
    void setTimerTrigger(TriggerHandle handle, int ticks, bool activate) override;
    int outBuffFree() const override;
    int getBlock(uint8_t* data, int length) override;

    static constexpr int kConnectTimeoutMs = 3000;
    static constexpr int kReconnectMs = 1000;

  protected:
    void writeBlock(const uint8_t* data, int length) override;

  private:
    void startConnect();
    void waitForConnect();
    void onConnected();
    void onStateChanged(QAbstractSocket::SocketState state);
    void onError(QAbstractSocket::SocketError error);
    void connectionLost(QAbstractSocket::SocketError error);
    void tryAgain();
    void onReadyRead();
    void deliverAvailable();

    QTcpSocket socket_;
    int outBufferSize_;
    std::string device_;
    std::optional<RemoteLine> line_;
    bool wantOpen_ = false;
    bool connected_ = false;
    bool availPending_ = false;
    PortTriggers triggers_;
    QTimer reconnectTimer_;
    QTimer connectTimeout_;
};

}  // namespace kestro
