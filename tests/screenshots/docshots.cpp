// Takes the pictures of the user guide from the real windows on the
// offscreen platform: kestro_docshots <folder>. The analyzer is the
// simulator's device model on the virtual line, on the virtual clock and
// from a fixed moment, so a picture changes only when its window does.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "device/DeviceCommands.h"
#include "device/ReadingsSource.h"
#include "dialogs/Calibrate.h"
#include "dialogs/EUnits.h"
#include "modbus/DB_Modbus.h"
#include "modbus/Ports.h"
#include "platform/Regional.h"
#include "platform/UserInteraction.h"
#include "platform/virtual/VirtualPlatform.h"
#include "shell/Comselect.h"
#include "shell/Main.h"
#include "shell/Program.h"
#include "shell/StatusWin.h"
#include "sim/model/DeviceModel.h"
#include "sim/model/RtuResponder.h"
#include "tools/finder/FinderWindow.h"
#include "tools/recorder/RecordingControl.h"
#include "tools/traffic/TrafficWindow.h"
#include "tools/trend/TrendWindow.h"

using namespace kestro;

namespace {

// The moment the pictures show: the analyzer's clock starts here.
const QDateTime kMoment(QDate(2026, 12, 9), QTime(14, 35, 7));

// Nobody is there: every question is answered Yes, and nothing beeps.
class Agreeing : public UserInteraction {
  public:
    void beep(Beep) override {}
    Answer message(MessageKind, const QString&, Buttons buttons) override {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    std::optional<QString> chooseFile(const FileDialogRequest&) override { return std::nullopt; }
};

// A machine with three serial ports.
PortProbeResult ThreePorts(int n) {
    return {n == 1 || n == 3 || n == 12, QString("/dev/ttyS%1").arg(n - 1)};
}

class Pictures {
    // PNG quality 0: the strongest compression, for small files in git.
    static constexpr int kSmallest = 0;

  public:
    explicit Pictures(const QDir& folder) : folder_(folder) {}

    void take(QWidget& window, const char* name) {
        QApplication::processEvents();
        const QString file = folder_.filePath(QString(name) + ".png");
        const QImage picture = window.grab().toImage();
        const bool saved = !picture.isNull() && picture.save(file, "PNG", kSmallest);
        std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(file));
        ok_ &= saved;
    }
    bool ok() const { return ok_; }

  private:
    QDir folder_;
    bool ok_ = true;
};

// The program folder: settings naming a configuration file, and the file.
void WriteProgramFolder(const QDir& folder) {
    QFile ini(folder.filePath("Kestro.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[CONFIG]\nFileName=Feeder3.cfg\nPath=" + folder.path().toUtf8() + "/\n");
    QFile cfg(folder.filePath("Feeder3.cfg"));
    cfg.open(QIODevice::WriteOnly);
    cfg.write(
        "[SIGNATURE]\nValue=RVX82A Configuration File. V 1.10\n"
        "[SYSTEM]\nName=Feeder 3\nFirmware Version=RVX82A V1.10\nSlave ID=1\nBaud=9600\n"
        "[ENG]\nIr Input FS=5\nIs Input FS=5\nIt Input FS=5\nVr Input FS=400\n"
        "Ir Engineering FS=100\nIs Engineering FS=100\nIt Engineering FS=100\n"
        "Vr Engineering FS=400\nVs Engineering FS=400\nVt Engineering FS=400\n"
        "[CAL]\nIr Calibration Point=5\nIs Calibration Point=5\nIt Calibration Point=5\n"
        "Vr Calibration Point=230\nVs Calibration Point=230\nVt Calibration Point=230\n");
}

// The computer's clock fields show the pictures' moment, not today.
void ShowComputerClock(TfrmMain& window, int64_t elapsedMs) {
    const QDateTime now = kMoment.addMSecs(elapsedMs);
    window.edComputerDate->setText(ShortDateText(now));
    window.edComputerTime->setText(LongTimeText(now));
}

// The readings are stamped with the pictures' moment too.
TimeStamp PictureTime(int64_t elapsedMs) {
    const QDateTime now = kMoment.addMSecs(elapsedMs);
    return {now.toMSecsSinceEpoch(), int32_t(now.offsetFromUtc())};
}

// A recording opened as a table, as a spreadsheet shows it: the rows around
// the first gap, with the file's line numbers, the power columns hidden.
void ShowRecordingTable(QTableWidget& table, const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    const QStringList header = lines.value(0).split(',');
    qsizetype gap = 1;
    while (gap < lines.size() && !lines[gap].contains("No response"))
        ++gap;
    const qsizetype first = qMax<qsizetype>(1, gap - 4);
    const qsizetype end = qMin<qsizetype>(lines.size() - 1, first + 10);
    table.setColumnCount(int(header.size()));
    table.setRowCount(int(end - first));
    table.setHorizontalHeaderLabels(header);
    QStringList lineNumbers;
    for (qsizetype line = first; line < end; ++line) {
        lineNumbers << QString::number(line + 1);
        const QStringList fields = lines[line].split(',');
        for (int column = 0; column < fields.size(); ++column) {
            auto* item = new QTableWidgetItem(fields[column]);
            bool number = false;
            fields[column].toDouble(&number);
            if (number)  // as a spreadsheet aligns numbers
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table.setItem(int(line - first), column, item);
        }
    }
    table.setVerticalHeaderLabels(lineNumbers);
    const QStringList shown = {"Time",   "Ir [A]", "Is [A]",       "It [A]",    "Vr [V]",
                               "Vs [V]", "Vt [V]", "Device clock", "No reading"};
    for (int column = 0; column < header.size(); ++column)
        table.setColumnHidden(column, !shown.contains(header[column]));
    table.resizeColumnsToContents();
    table.resizeRowsToContents();
    table.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table.setFocusPolicy(Qt::NoFocus);
    const int frame = 2 * table.frameWidth();
    table.resize(
        table.verticalHeader()->sizeHint().width() + table.horizontalHeader()->length() + frame,
        table.horizontalHeader()->height() + table.verticalHeader()->length() + frame);
}

QPushButton* Button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(name);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Times on the trend's axis and in the recording are local times: the
    // pictures' zone is Central European, wherever they are taken.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    QApplication app(argc, argv);
    // A text cursor that does not blink is in every picture the same.
    QApplication::setCursorFlashTime(0);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QTemporaryDir programFolder;
    if (!QDir().mkpath(folder.path()) || !programFolder.isValid())
        return 1;
    WriteProgramFolder(QDir(programFolder.path()));
    Agreeing agreeing;
    SetInteraction(&agreeing);
    Pictures pictures(folder);

    VirtualPlatform platform;
    sim::DeviceModel model;
    model.setClock(sim::DeviceClock{26, 12, 9, 14, 35, 7, 3});
    sim::RtuResponder responder(model, platform.clock);
    platform.OnPortCreated = [&](VirtualPort& port) { responder.attach(port); };
    CommandHost.WaitForEngine = [&] {
        platform.clock.runUntil([] { return !(DB_Modbus.RequestPending && Ports.PortOpen); },
                                30000);
    };
    ComSelectProbe = ThreePorts;
    RunComSelect = [](TfrmComSelect& dialog) {
        dialog.accept();
        return dialog.result();
    };

    TfrmMain window(platform, programFolder.path());
    ConnectReadingsFeed(
        window.readings(), [&] { return window.cbSwapFloat->isChecked(); },
        [&] { return PictureTime(platform.clock.nowMs()); });
    window.show();
    TfrmEng eng;
    frmEng = &eng;
    TfrmCal cal;
    frmCal = &cal;

    platform.clock.advanceMs(3000);
    ShowComputerClock(window, platform.clock.nowMs());
    pictures.take(window, "main-window");

    // A line with faults: phase T gone, the sequence wrong, phase S feeding
    // back; then the analyzer stops answering.
    model.faults.phase[2].dropped = true;
    model.faults.sequenceFault = true;
    model.faults.phase[1].reverseP = true;
    platform.clock.advanceMs(2000);
    responder.OnReply = [](std::vector<uint8_t>&) { return false; };
    platform.clock.runUntil(
        [&] { return window.sbMainPanel(2)->text() == "No response from slave device."; }, 5000);
    ShowComputerClock(window, platform.clock.nowMs());
    pictures.take(window, "main-window-faults");
    model.faults = sim::LineFaults{};
    responder.OnReply = nullptr;
    platform.clock.advanceMs(2000);

    eng.show();
    pictures.take(eng, "configuration");
    Button(eng, "btnDownload")->click();
    pictures.take(eng, "configuration-downloaded");
    Button(eng, "btnStatClose")->click();
    eng.hide();

    FullMode = true;
    cal.show();
    Button(cal, "btnP")->click();
    pictures.take(cal, "calibration");
    Button(cal, "btnCal")->click();
    pictures.take(cal, "calibration-done");
    Button(cal, "btnStatClose")->click();
    cal.hide();

    // Five minutes of readings into the trend and a recording, with a few
    // seconds in the middle where the analyzer does not answer.
    TrendWindow& trend = window.trendWindow();
    const QString recording = QDir(programFolder.path()).filePath("readings.csv");
    window.recordingControl().start(recording);
    platform.clock.advanceMs(150000);
    responder.OnReply = [](std::vector<uint8_t>&) { return false; };
    platform.clock.advanceMs(9000);
    responder.OnReply = nullptr;
    platform.clock.advanceMs(141000);
    window.recordingControl().stop();
    for (Quantity q : {Quantity::Ir, Quantity::Vr})
        trend.checkBoxOf(q)->setChecked(true);
    trend.resize(900, 600);
    trend.show();
    pictures.take(trend, "trend");
    trend.hide();
    QTableWidget table;
    ShowRecordingTable(table, recording);
    table.show();
    pictures.take(table, "recording-table");
    table.hide();

    TfrmComSelect ports(nullptr, ThreePorts);
    ports.show();
    pictures.take(ports, "port-selection");
    ports.hide();
    TfrmStatus about;
    about.show();
    pictures.take(about, "about");
    about.hide();

    // The traffic since the start, ending with a corrupted answer and an
    // exception answer among the valid ones.
    int replies = 0;
    responder.OnReply = [&replies](std::vector<uint8_t>& frame) {
        ++replies;
        if (replies == 1)
            frame[3] ^= 0xFF;
        if (replies == 3)
            frame = {0x01, 0x84, 0x02, 0xC2, 0xC1};  // exception 2, illegal data address
        return true;
    };
    platform.clock.advanceMs(9000);
    responder.OnReply = nullptr;
    window.bbTrafficMonitor->trigger();
    TrafficWindow& traffic = window.trafficWindow();
    traffic.resize(1180, 620);
    platform.clock.advanceMs(200);
    QApplication::processEvents();
    traffic.frameView->scrollToBottom();
    pictures.take(traffic, "traffic-monitor");
    traffic.hide();

    // The finder after a search of every rate, with the analyzer moved to
    // 19200 baud by a download: found there and offered the way back.
    model.setBaud(19200);
    responder.checkLineSpeed = true;
    {
        FinderWindow finder(platform, nullptr, &window);
        finder.allRates->setChecked(true);
        finder.show();
        finder.startButton->click();
        platform.clock.runUntil([&] { return !finder.running(); }, 3600000);
        pictures.take(finder, "finder");
    }
    model.setBaud(9600);
    responder.checkLineSpeed = false;

    window.close();
    frmEng = nullptr;
    frmCal = nullptr;
    SetInteraction(nullptr);
    return pictures.ok() ? 0 : 1;
}
