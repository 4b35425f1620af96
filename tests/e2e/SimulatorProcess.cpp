#include "SimulatorProcess.h"

#include <sys/prctl.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>

#include "Waiting.h"

namespace kestro::test {

namespace {

constexpr int kStartMs = 10000;

}  // namespace

SimulatorProcess::SimulatorProcess(const QString& link, const QStringList& options) {
    started_ = start(QStringList{"--link", link} + options) && QFileInfo(link).isSymLink();
}

SimulatorProcess::SimulatorProcess(quint16 port, const QStringList& options) {
    started_ = start(QStringList{"--tcp", QString::number(port)} + options) && tcpPort() != 0;
}

bool SimulatorProcess::start(const QStringList& arguments) {
    // A test that dies takes its simulator with it.
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(RVX82A_SIM_PATH, arguments);
    return process_.waitForStarted(kStartMs) &&
           waitUntil([&] { return sawEvent("\"event\":\"start\"") || !running(); }, kStartMs) &&
           running();
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

SimulatorProcess::~SimulatorProcess() {
    killHard();
}

void SimulatorProcess::killHard() {
    if (!running())
        return;
    process_.kill();
    process_.waitForFinished(5000);
}

QStringList SimulatorProcess::events() {
    pending_ += QString::fromUtf8(process_.readAllStandardOutput());
    qsizetype end;
    while ((end = pending_.indexOf('\n')) >= 0) {
        events_ << pending_.left(end);
        pending_.remove(0, end + 1);
    }
    return events_;
}

bool SimulatorProcess::sawEvent(const QString& needle) {
    for (const QString& line : events()) {
        if (line.contains(needle))
            return true;
    }
    return false;
}

}  // namespace kestro::test
