#include "tests/support/SimulatorProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "tests/support/Waiting.h"

namespace kestro::test {

namespace {

constexpr int kStartMs = 10000;
constexpr char kStartEvent[] = "\"event\":\"start\"";

QStringList withLink(const QString& link, const QStringList& options) {
    QFile::remove(link);  // what a killed simulator left behind
    return QStringList{"--link", link} + options;
}

QString emptied(const QString& file) {
    if (!file.isEmpty())
        QFile::remove(file);
    return file;
}

}  // namespace

SimulatorProcess::SimulatorProcess(const QString& link, const QStringList& options,
                                   const QString& eventFile)
    : eventFile_(emptied(eventFile)),
      process_(RVX82A_SIM_PATH, withLink(link, options), ChildProcess::End::Kill, eventFile_) {
    started_ = waitUntil([&] { return sawStart() || !running(); }, kStartMs) && running() &&
               QFileInfo(link).isSymLink();
}

SimulatorProcess::SimulatorProcess(quint16 port, const QStringList& options)
    : process_(RVX82A_SIM_PATH, QStringList{"--tcp", QString::number(port)} + options) {
    started_ = waitUntil([&] { return sawStart() || !running(); }, kStartMs) && running() &&
               tcpPort() != 0;
}

// From the start event: {"event":"start","tcp":"127.0.0.1:4001",...}.
quint16 SimulatorProcess::tcpPort() {
    static const QRegularExpression address(R"re("tcp":"127\.0\.0\.1:(\d+)")re");
    for (const QString& line : events()) {
        const QRegularExpressionMatch match = address.match(line);
        if (match.hasMatch())
            return quint16(match.captured(1).toUInt());
    }
    return 0;
}

bool SimulatorProcess::sawStart() {
    if (eventFile_.isEmpty())
        return sawEvent(kStartEvent);
    QFile file(eventFile_);
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(kStartEvent);
}

}  // namespace kestro::test
