// Arbitrary bytes as a configuration file and as the settings file, through
// the INI store and the configuration loader: CheckConfigFile, ReadConfigFile,
// ReadSettingsFile and ReadPortEntries. Whatever loads must also save back
// into the same file, beside everything else it holds, and load again as the
// same record: a save that changes what a file says is as bad as a crash.
//
// Input: the file, read with the German comma as decimal separator when its
// size is odd and with the English point when even: one locale per run,
// as each run saves four files and so is slow enough that twice the runs
// are worth more than both locales every time.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/Configuration.h"
#include "config/SettingsFile.h"
#include "platform/IniStore.h"
#include "platform/UserInteraction.h"
#include "shell/MainState.h"

using namespace kestro;

namespace {

// The messages a bad file brings up are expected; nothing may wait for a
// user.
class SilentInteraction : public UserInteraction {
  public:
    void beep(Beep) override {}
    Answer message(MessageKind, const QString&, Buttons) override { return Answer::Ok; }
    std::optional<QString> chooseFile(const FileDialogRequest&) override { return std::nullopt; }
};

void fail(const char* what) {
    std::fprintf(stderr, "fuzz_config_load: %s\n", what);
    std::abort();
}

// Minus zero saves as "0": the same value to every user of the record.
bool sameFloat(float a, float b) {
    return std::isnan(a) ? std::isnan(b) : a == b;
}

// Tells which field differs, for the crash report.
bool sameRecord(const ConfigRecord& a, const ConfigRecord& b) {
    if (a.Name != b.Name || a.FirmwareVersion != b.FirmwareVersion || a.SlaveID != b.SlaveID ||
        a.Baud != b.Baud) {
        std::fprintf(
            stderr,
            "name, firmware, slave or baud: \"%s\" \"%s\" %d %d, then \"%s\" \"%s\" %d %d\n",
            qPrintable(a.Name), qPrintable(a.FirmwareVersion), a.SlaveID, a.Baud,
            qPrintable(b.Name), qPrintable(b.FirmwareVersion), b.SlaveID, b.Baud);
        return false;
    }
    for (size_t i = 0; i < ConfigFloats.size(); ++i) {
        if (!sameFloat(a.*ConfigFloats[i], b.*ConfigFloats[i])) {
            std::fprintf(stderr, "float %zu: %.9g, then %.9g\n", i, double(a.*ConfigFloats[i]),
                         double(b.*ConfigFloats[i]));
            return false;
        }
    }
    return true;
}

QString describe(const IniRecord& s) {
    const PortRecord& p = s.Port;
    return QStringList{p.Name,      QString::number(p.PortNumber),
                       p.Baud,      p.Data,
                       p.Stop,      p.Parity,
                       p.Interface, s.FileName,
                       s.Path}
        .join('|');
}

// Tells what differs, for the crash report.
bool sameSettings(const IniRecord& a, const IniRecord& b) {
    if (describe(a) == describe(b))
        return true;
    std::fprintf(stderr, "settings: \"%s\", then \"%s\"\n", qPrintable(describe(a)),
                 qPrintable(describe(b)));
    return false;
}

struct Workspace {
    Workspace() {
        static int argc = 1;
        static char name[] = "fuzz_config_load";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        static SilentInteraction silent;
        SetInteraction(&silent);
    }
    QTemporaryDir dir;
};

void put(const QString& path, const uint8_t* data, size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fail("cannot write the input file");
}

void checkConfiguration(const QDir& dir) {
    Settings.Path = dir.path() + "/";
    Settings.FileName = "fuzz.cfg";
    const QString path = CurrentConfigFile();
    const int check = CheckConfigFile(path);
    if (check == kConfigMissing)
        fail("CheckConfigFile says an existing file is missing");

    Config = ConfigRecord();
    if (!ReadConfigFile())
        return;
    const ConfigRecord loaded = Config;
    if (!WriteConfigFile())
        fail("a configuration that loaded could not be saved");
    if (CheckConfigFile(path) != kConfigValid)
        fail("a saved configuration has no signature");
    Config = ConfigRecord();
    if (!ReadConfigFile() || !sameRecord(Config, loaded))
        fail("the saved configuration loads as another record");
}

void checkSettings(const QDir& dir) {
    const QString path = dir.filePath("Kestro.ini");
    IniRecord loaded;
    ReadSettingsFile(path, loaded, "C:\\Default\\");
    ReadPortEntries(path);
    QString error;
    if (!WriteSettingsFile(path, loaded, &error))
        fail("settings that loaded could not be saved");
    IniRecord again;
    ReadSettingsFile(path, again, "C:\\Default\\");
    if (!sameSettings(loaded, again))
        fail("the saved settings load as other settings");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (qint64(size) > IniStore::MaxFileSize)
        return 0;
    static Workspace workspace;
    const QDir dir(workspace.dir.path());
    QLocale::setDefault(size % 2 ? QLocale(QLocale::German, QLocale::Germany)
                                 : QLocale(QLocale::English, QLocale::UnitedStates));
    put(dir.filePath("fuzz.cfg"), data, size);
    put(dir.filePath("Kestro.ini"), data, size);
    checkConfiguration(dir);
    checkSettings(dir);
    return 0;
}
