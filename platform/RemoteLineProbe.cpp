#include "platform/RemoteLineProbe.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

namespace kestro {

bool IsRemoteLineAnswering(const RemoteLine& line, int timeoutMs) {
    QTcpSocket socket;
    QEventLoop loop;
    bool answered = false;
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] {
        answered = true;
        loop.quit();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop,
                     [&](QAbstractSocket::SocketError error) {
                         answered = error == QAbstractSocket::ConnectionRefusedError;
                         loop.quit();
                     });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    socket.connectToHost(QString::fromStdString(line.host), quint16(line.port));
    if (socket.state() != QAbstractSocket::UnconnectedState && !answered)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    socket.abort();
    return answered;
}

}  // namespace kestro
