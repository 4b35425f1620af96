// Start-up and polling figures of the program on a pseudo-terminal that
// answers like an analyzer: time to the port selection dialog, and resident
// memory while polling. Not a test; prints its figures.
//
//   kestro_startup_bench [seconds of polling, default 10]
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "modbus/Crc.h"
#include "platform/QtPlatform.h"
#include "shell/Comselect.h"
#include "shell/Program.h"

using namespace kestro;

namespace {

long ResidentKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Milliseconds since the process was started, to within a clock tick.
double MsSinceExec() {
    QFile stat("/proc/self/stat"), uptime("/proc/uptime");
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();  // field 22 of the whole line
    const double now = uptime.readAll().split(' ').first().toDouble();
    return (now - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

// The analyzer's side of the line: answers every read of input registers.
class Responder {
  public:
    explicit Responder(int master) : master_(master), notifier_(master, QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { take(); });
    }
    int answered = 0;

  private:
    void take() {
        uint8_t chunk[256];
        ssize_t n;
        while ((n = ::read(master_, chunk, sizeof chunk)) > 0)
            pending_.insert(pending_.end(), chunk, chunk + n);
        while (pending_.size() >= 8) {
            pending_.erase(pending_.begin(), pending_.begin() + 8);
            answer();
        }
    }
    void answer() {
        std::vector<uint8_t> body = {0x01, 0x04, 88};
        body.resize(3 + 88, 0);
        const std::vector<uint8_t> frame = WithCrc(body);
        if (::write(master_, frame.data(), frame.size()) == ssize_t(frame.size()))
            ++answered;
    }
    int master_;
    QSocketNotifier notifier_;
    std::vector<uint8_t> pending_;
};

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString(argv[1]).toInt() : 10;

    termios raw{};
    cfmakeraw(&raw);
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, &raw, nullptr) != 0)
        return 1;
    ::close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    QTemporaryDir programFolder;
    QFile ini(QDir(programFolder.path()).filePath("Kestro.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write(QByteArray("[PORTS]\nCOM1=") + name + "\n");
    ini.close();

    double dialogAfterExec = 0, dialogAfterMain = 0;
    RunComSelect = [&](TfrmComSelect& dialog) {
        dialog.show();
        QApplication::processEvents();
        dialogAfterMain = sinceMain.nsecsElapsed() / 1e6;
        dialogAfterExec = MsSinceExec();
        dialog.accept();
        return dialog.result();
    };
    Responder analyzer(master);
    QtPlatform platform;
    Program program(platform, programFolder.path());
    const long residentAtStart = ResidentKiB();

    QTimer::singleShot(seconds * 1000, &app, [&] { program.mainWindow().close(); });
    QApplication::exec();
    const long residentPolling = ResidentKiB();

    std::printf("port dialog shown: %.1f ms after main(), %.0f ms after exec\n", dialogAfterMain,
                dialogAfterExec);
    std::printf("resident memory: %ld KiB polling starts, %ld KiB after %d s polling\n",
                residentAtStart, residentPolling, seconds);
    std::printf("responses answered: %d (%.1f per second), status: %s\n", analyzer.answered,
                analyzer.answered / double(seconds),
                qPrintable(program.mainWindow().sbMainPanel(2)->text()));
    ::close(master);
    return 0;
}
