#include "LinkRig.h"

#include <sys/prctl.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <csignal>
#include <ctime>

#include "Comselect.h"
#include "Configuration.h"
#include "Main.h"
#include "MainState.h"
#include "PortMap.h"

namespace kestro::endurance {

namespace {

constexpr int kStartMs = 10000;

bool fileHolds(const QString& path, const QByteArray& needle) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(needle);
}

int chooseCom1(TfrmComSelect& dialog) {
    const int com1 = dialog.cbComPorts->findText("COM1");
    if (com1 < 0)
        return int(QDialog::Rejected);
    dialog.cbComPorts->setCurrentIndex(com1);
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    return dialog.result();
}

}  // namespace

Simulator::Simulator(const QString& link, const QString& eventFile, const QStringList& options) {
    QFile::remove(eventFile);
    QFile::remove(link);  // what a killed simulator left behind
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.setStandardOutputFile(eventFile);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(RVX82A_SIM_PATH, QStringList{"--link", link} + options);
    started_ = process_.waitForStarted(kStartMs) &&
               waitUntil(
                   [&] {
                       return process_.state() != QProcess::Running ||
                              fileHolds(eventFile, "\"event\":\"start\"");
                   },
                   kStartMs) &&
               process_.state() == QProcess::Running && QFileInfo(link).isSymLink();
}

void Simulator::killHard() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(5000);
}

StatusCounter::StatusCounter(QLabel* panel) : panel_(panel) {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { sample(); });
    timer_.start(5);
}

void StatusCounter::sample() {
    if (!panel_ || panel_->text() == last_)
        return;
    last_ = panel_->text();
    ++counts_[last_];
    if (last_ == kValid) {
        longestGapMs_ = std::max(longestGapMs_, sinceValidMs());
        lastValidMs_ = clock_.elapsed();
    }
}

LinkRig::LinkRig() {
    QDir root(dir_.path());
    root.mkpath("program");
    root.mkpath("config");
    qputenv("HOME", dir_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit());
    PortMap::clear();
    RunComSelect = chooseCom1;
}

LinkRig::~LinkRig() {
    status_.reset();
    program_.reset();
    simulator_.reset();
    RunComSelect = nullptr;
}

bool LinkRig::startSimulator(const QStringList& options) {
    simulator_.reset();
    simulator_ = std::make_unique<Simulator>(dir_.filePath("rvx82a"), eventFile(), options);
    return simulator_->started();
}

bool LinkRig::startProgram() {
    const QString programDir = QDir(dir_.path()).filePath("program");
    QFile ini(programDir + "/Kestro.ini");
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[PORTS]\nCOM1=" + dir_.filePath("rvx82a").toUtf8() + "\n");
    ini.close();
    program_ = std::make_unique<Program>(platform_, programDir);
    status_ = std::make_unique<StatusCounter>(program_->mainWindow().sbMainPanel(2));
    return program_->mainWindow().tmrPoll->enabled();
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        runFor(5);
    }
    return true;
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long residentKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

}  // namespace kestro::endurance
