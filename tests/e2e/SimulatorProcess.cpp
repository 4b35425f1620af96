#include "SimulatorProcess.h"

#include <sys/prctl.h>

#include <QFileInfo>
#include <csignal>

#include "Waiting.h"

namespace kestro::test {

namespace {

constexpr int kStartMs = 10000;

}  // namespace

SimulatorProcess::SimulatorProcess(const QString& link, const QStringList& options) {
    // A test that dies takes its simulator with it.
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(RVX82A_SIM_PATH, QStringList{"--link", link} + options);
    started_ = process_.waitForStarted(kStartMs) &&
               waitUntil([&] { return sawEvent("\"event\":\"start\"") || !running(); }, kStartMs) &&
               running() && QFileInfo(link).isSymLink();
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
