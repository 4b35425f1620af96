// Saves cut short by SIGKILL: a child saves a configuration (WriteConfigFile)
// and the settings (WriteSettingsFile, what the main window's WriteSettings
// calls) in a loop, switching between two known contents; the parent kills
// it at random moments and checks that each file left behind is whole and
// is one of the two contents, byte for byte and as loaded.
//
//   endurance_saves [--saves N] [--seed S] [--max-delay-ms MS]   (the parent)
//
// Each kill comes 0 to MS ms (default 20) after the child started saving;
// a save takes well under a millisecond on tmpfs and tens of milliseconds
// on a disk that syncs, so the delay should span a few saves. The files
// are saved in the temporary folder (TMPDIR).
//   endurance_saves --child FOLDER              (the saving loop)
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <random>
#include <utility>

#include "config/Configuration.h"
#include "config/SettingsFile.h"
#include "platform/FileReplace.h"
#include "platform/UserInteraction.h"
#include "shell/MainState.h"

using namespace kestro;

namespace {

const QString kConfigName = "TORTURE.CFG";
const QString kSettingsName = "Kestro.ini";

class SilentInteraction : public UserInteraction {
  public:
    void beep(Beep) override {}
    Answer message(MessageKind, const QString& text, Buttons) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
    std::optional<QString> chooseFile(const FileDialogRequest&) override { return std::nullopt; }
};

ConfigRecord record(int which) {
    ConfigRecord r;
    r.Name = which ? "Bravo feeder, the one with the longer name" : "Alpha";
    r.FirmwareVersion = which ? "RVX82A V1.10" : "V0.9";
    r.SlaveID = which ? 247 : 1;
    r.Baud = which ? 19200 : 9600;
    float value = which ? 12345.678f : 0.5f;
    for (const auto field : ConfigFloats)
        r.*field = value += which ? 1111.25f : 0.125f;
    // The file has one key for the three input voltages.
    r.InpVr = r.InpVs = r.InpVt;
    return r;
}

IniRecord settings(int which) {
    IniRecord s;
    s.Port = {which ? "COM12" : "COM1",
              which ? 2 : 1,
              which ? "19200" : "9600",
              "8",
              "1",
              which ? "Even" : "None",
              which ? "RS485" : "RS232"};
    s.FileName = kConfigName;
    s.Path = which ? "/a/much/longer/folder/for/configurations/" : "/c/";
    return s;
}

bool save(const QDir& dir, int which) {
    Settings.Path = dir.path() + "/";
    Settings.FileName = kConfigName;
    Config = record(which);
    return WriteConfigFile() && WriteSettingsFile(dir.filePath(kSettingsName), settings(which));
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool sameRecord(const ConfigRecord& a, const ConfigRecord& b) {
    bool same = a.Name == b.Name && a.FirmwareVersion == b.FirmwareVersion &&
                a.SlaveID == b.SlaveID && a.Baud == b.Baud;
    for (const auto field : ConfigFloats)
        same = same && a.*field == b.*field;
    return same;
}

bool sameSettings(const IniRecord& a, const IniRecord& b) {
    return a.Port.Name == b.Port.Name && a.Port.Baud == b.Port.Baud &&
           a.Port.Parity == b.Port.Parity && a.Port.Interface == b.Port.Interface &&
           a.FileName == b.FileName && a.Path == b.Path;
}

int childLoop(const QString& folder) {
    const QDir dir(folder);
    std::printf("ready\n");
    std::fflush(stdout);
    for (int which = 1;; which ^= 1) {
        if (!save(dir, which))
            return 3;
    }
}

struct Known {
    QByteArray config[2], settings[2];
};

// Which of the two contents each file holds, by bytes and as loaded; -1
// when a file is neither (torn, empty, missing).
int configHeld(const QDir& dir, const Known& known) {
    const QByteArray bytes = bytesOf(dir.filePath(kConfigName));
    Settings.Path = dir.path() + "/";
    Settings.FileName = kConfigName;
    for (int which = 0; which < 2; ++which) {
        if (bytes == known.config[which])
            return ReadConfigFile() && sameRecord(Config, record(which)) ? which : -1;
    }
    return -1;
}

int settingsHeld(const QDir& dir, const Known& known) {
    const QByteArray bytes = bytesOf(dir.filePath(kSettingsName));
    for (int which = 0; which < 2; ++which) {
        if (bytes == known.settings[which]) {
            IniRecord loaded;
            ReadSettingsFile(dir.filePath(kSettingsName), loaded, "/");
            return sameSettings(loaded, settings(which)) ? which : -1;
        }
    }
    return -1;
}

// The two contents as the saves leave them: saved over each other, both
// ways, so that they are the bytes the loop produces.
bool learn(const QDir& dir, Known& known) {
    if (!save(dir, 0) || !save(dir, 1))
        return false;
    known.config[1] = bytesOf(dir.filePath(kConfigName));
    known.settings[1] = bytesOf(dir.filePath(kSettingsName));
    if (!save(dir, 0))
        return false;
    known.config[0] = bytesOf(dir.filePath(kConfigName));
    known.settings[0] = bytesOf(dir.filePath(kSettingsName));
    return save(dir, 1) && bytesOf(dir.filePath(kConfigName)) == known.config[1] &&
           bytesOf(dir.filePath(kSettingsName)) == known.settings[1];
}

// What the folder holds besides the two files: a save killed before its
// rename leaves its file of the saving name (at most one per file, cleared
// by the next save); anything else is a stray that should never be.
struct Leftovers {
    int saving = 0, strays = 0;
};

Leftovers leftoversIn(const QDir& dir) {
    static bool shown = false;
    Leftovers found;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        if (name == kConfigName || name == kSettingsName)
            continue;
        const bool saving =
            name == kConfigName + SavingSuffix || name == kSettingsName + SavingSuffix;
        ++(saving ? found.saving : found.strays);
        if (!saving && !std::exchange(shown, true))
            std::printf("saves: STRAY: %s\n", qPrintable(name));
    }
    return found;
}

int parent(const QString& self, int saves, unsigned seed, int maxDelayMs) {
    QTemporaryDir temp;
    const QDir dir(temp.path());
    Known known;
    if (!temp.isValid() || !learn(dir, known)) {
        std::printf("saves: FAILED: the two contents could not be saved and saved back\n");
        return 1;
    }
    // The check itself must see a cut file.
    QFile cut(dir.filePath(kConfigName));
    if (!cut.open(QIODevice::WriteOnly) || cut.write(known.config[1].left(40)) != 40)
        return 1;
    cut.close();
    if (configHeld(dir, known) != -1) {
        std::printf("saves: FAILED: a cut file passed the check\n");
        return 1;
    }
    save(dir, 1);

    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> delayUs(0, maxDelayMs * 1000);
    int torn = 0, savingKills = 0, strays = 0, changed = 0, childFailures = 0;
    int last[2] = {1, 1};
    for (int trial = 1; trial <= saves; ++trial) {
        QProcess child;
        child.start(self, {"--child", dir.path()});
        if (!child.waitForStarted(5000) || !child.waitForReadyRead(5000)) {
            std::printf("saves: FAILED: trial %d: the saving child did not start\n", trial);
            return 1;
        }
        usleep(useconds_t(delayUs(rng)));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(5000);
        if (child.exitStatus() != QProcess::CrashExit) {
            ++childFailures;  // it stopped saving by itself: a save failed
            std::printf("saves: trial %d: the child ended by itself (code %d)\n", trial,
                        child.exitCode());
        }
        const int held[2] = {configHeld(dir, known), settingsHeld(dir, known)};
        for (int file = 0; file < 2; ++file) {
            if (held[file] < 0) {
                ++torn;
                std::printf("saves: TORN: trial %d: %s is neither content\n", trial,
                            qPrintable(file ? kSettingsName : kConfigName));
                save(dir, last[file] = 1);
            } else {
                changed += held[file] != last[file];
                last[file] = held[file];
            }
        }
        const Leftovers left = leftoversIn(dir);
        savingKills += left.saving > 0;
        strays += left.strays;
    }
    // The next save clears what the last kill left.
    const bool cleared = save(dir, 1) && leftoversIn(dir).saving == 0;
    std::printf(
        "saves: %d kills during the save loop (seed %u, 0-%d ms after it began, in %s), "
        "%d torn files\n",
        saves, seed, maxDelayMs, qPrintable(QDir::tempPath()), torn);
    std::printf(
        "saves: %d times a file was found changed; %d kills left a file of the saving name, "
        "%s by the next save; %d other files left\n",
        changed, savingKills, cleared ? "cleared" : "NOT CLEARED", strays);
    if (childFailures)
        std::printf("saves: %d children stopped saving by themselves\n", childFailures);
    return torn == 0 && strays == 0 && cleared && childFailures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    static SilentInteraction silent;
    SetInteraction(&silent);
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (args.value(0) == "--child")
        return childLoop(args.value(1));
    QCoreApplication app(argc, argv);
    const qsizetype savesAt = args.indexOf("--saves"), seedAt = args.indexOf("--seed");
    const int saves = savesAt >= 0 ? args.value(savesAt + 1).toInt() : 1000;
    const unsigned seed = seedAt >= 0 ? args.value(seedAt + 1).toUInt() : 20261211u;
    const qsizetype delayAt = args.indexOf("--max-delay-ms");
    const int maxDelayMs = delayAt >= 0 ? args.value(delayAt + 1).toInt() : 20;
    return parent(QCoreApplication::applicationFilePath(), saves, seed, maxDelayMs);
}
