#include "tests/endurance/LinkRig.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include "config/Configuration.h"
#include "platform/core/PortMap.h"
#include "shell/Comselect.h"
#include "shell/Main.h"
#include "shell/MainState.h"

namespace kestro::endurance {

namespace {

int chooseCom1(TfrmComSelect& dialog) {
    const int com1 = dialog.cbComPorts->findText("COM1");
    if (com1 < 0)
        return int(QDialog::Rejected);
    dialog.cbComPorts->setCurrentIndex(com1);
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    return dialog.result();
}

}  // namespace

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
    simulator_ =
        std::make_unique<test::SimulatorProcess>(dir_.filePath("rvx82a"), options, eventFile());
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
