#include "SimulatorProcess.h"

#include <QFile>
#include <QFileInfo>

#include "Waiting.h"

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

bool SimulatorProcess::sawStart() {
    if (eventFile_.isEmpty())
        return sawEvent(kStartEvent);
    QFile file(eventFile_);
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(kStartEvent);
}

}  // namespace kestro::test
