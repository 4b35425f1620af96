#include "tests/support/ChildProcess.h"

#include <sys/prctl.h>

#include <csignal>

namespace kestro::test {

namespace {

constexpr int kStartMs = 10000;
constexpr int kLingerMs = 1500;
constexpr int kKillMs = 5000;

}  // namespace

ChildProcess::ChildProcess(const QString& program, const QStringList& args, End end,
                           const QString& outputFile)
    : end_(end) {
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!outputFile.isEmpty())
        process_.setStandardOutputFile(outputFile);
    process_.start(program, args);
    process_.waitForStarted(kStartMs);
}

ChildProcess::~ChildProcess() {
    if (end_ == End::CloseInput && running()) {
        process_.closeWriteChannel();
        process_.waitForFinished(kLingerMs);
    }
    killHard();
}

void ChildProcess::killHard() {
    if (!running())
        return;
    process_.kill();
    process_.waitForFinished(kKillMs);
}

const QStringList& ChildProcess::lines() {
    pending_ += QString::fromUtf8(process_.readAllStandardOutput());
    for (qsizetype end; (end = pending_.indexOf('\n')) >= 0; pending_.remove(0, end + 1))
        lines_ << pending_.left(end);
    return lines_;
}

bool ChildProcess::sawLine(const QString& line) {
    return lines().contains(line);
}

bool ChildProcess::sawLineWith(const QString& part) {
    for (const QString& line : lines()) {
        if (line.contains(part))
            return true;
    }
    return false;
}

}  // namespace kestro::test
