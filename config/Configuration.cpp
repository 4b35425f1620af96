#include "config/Configuration.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <optional>

#include "platform/IniStore.h"
#include "platform/Regional.h"
#include "platform/UserInteraction.h"
#include "shell/MainState.h"

namespace kestro {

ConfigRecord Config;
ConfigurationView ConfigView;

namespace {

// The record as the current file holds it, as far as this run knows.
std::optional<ConfigRecord> FileRecord;

const QString kSignatureSection = "SIGNATURE";
const QString kSystem = "SYSTEM";

struct FloatKey {
    const char* section;
    const char* key;
    float ConfigRecord::*field;
};

// The numbers in file order. The three voltage input values share one key:
// loading gives all three its value, saving leaves InpVt in it.
const FloatKey kFloatKeys[] = {
    {"ENG", "Ir Input FS", &ConfigRecord::InpIr},
    {"ENG", "Is Input FS", &ConfigRecord::InpIs},
    {"ENG", "It Input FS", &ConfigRecord::InpIt},
    {"ENG", "Vr Input FS", &ConfigRecord::InpVr},
    {"ENG", "Vr Input FS", &ConfigRecord::InpVs},
    {"ENG", "Vr Input FS", &ConfigRecord::InpVt},
    {"ENG", "Ir Engineering FS", &ConfigRecord::EngIr},
    {"ENG", "Is Engineering FS", &ConfigRecord::EngIs},
    {"ENG", "It Engineering FS", &ConfigRecord::EngIt},
    {"ENG", "Vr Engineering FS", &ConfigRecord::EngVr},
    {"ENG", "Vs Engineering FS", &ConfigRecord::EngVs},
    {"ENG", "Vt Engineering FS", &ConfigRecord::EngVt},
    {"CAL", "Ir Calibration Point", &ConfigRecord::CalIr},
    {"CAL", "Is Calibration Point", &ConfigRecord::CalIs},
    {"CAL", "It Calibration Point", &ConfigRecord::CalIt},
    {"CAL", "Vr Calibration Point", &ConfigRecord::CalVr},
    {"CAL", "Vs Calibration Point", &ConfigRecord::CalVs},
    {"CAL", "Vt Calibration Point", &ConfigRecord::CalVt},
};

// Only a to z become capitals; digits, blanks and accented letters stay.
QString upperCaseFileName(const QString& name) {
    QString upper = name;
    for (QChar& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return upper;
}

void showSlaveId(int slaveId) {
    if (ConfigView.setSlaveId)
        ConfigView.setSlaveId(slaveId);
}

void showError(const QString& text) {
    Interaction().message(MessageKind::Error, text, Buttons::Ok);
}

// A missing key reads as 1. Its text is "1", which converts under every
// locale, where "1.0" would not convert with a comma as separator.
float readFloat(const IniStore& store, const FloatKey& number) {
    const QString text = store.ReadString(number.section, number.key, "1");
    const float value = static_cast<float>(StrToFloat(text));
    // A value no float can hold would be kept as infinity, and saved as a
    // text that reads back nowhere. (The largest float written with 15 digits
    // is a little larger than the float, and rounds back to it.)
    if (std::isinf(value)) {
        throw EConvertError("'" + text.toStdString() + "' is not a valid floating point value");
    }
    return value;
}

// Throws EConvertError at the first number that does not convert.
ConfigRecord readRecord(const IniStore& store) {
    ConfigRecord record;
    record.Name = store.ReadString(kSystem, "Name", "");
    record.FirmwareVersion =
        store.ReadString(kSystem, "Firmware Version", "").left(MaxFirmwareVersion);
    record.SlaveID = store.ReadInteger(kSystem, "Slave ID", 1);
    record.Baud = store.ReadInteger(kSystem, "Baud", 9600);
    for (const FloatKey& number : kFloatKeys)
        record.*number.field = readFloat(store, number);
    record.CalControl = 0;
    return record;
}

void writeRecord(IniStore& store, const ConfigRecord& record) {
    store.WriteString(kSignatureSection, "Value", ConfigSignature);
    store.WriteString(kSystem, "Name", record.Name);
    store.WriteString(kSystem, "Firmware Version", record.FirmwareVersion.left(MaxFirmwareVersion));
    store.WriteInteger(kSystem, "Slave ID", record.SlaveID);
    store.WriteInteger(kSystem, "Baud", record.Baud);
    for (const FloatKey& number : kFloatKeys) {
        store.WriteString(number.section, number.key, FormatGeneral(record.*number.field));
    }
}

// The fields a file keeps; CalControl is not among them.
bool sameInFile(const ConfigRecord& a, const ConfigRecord& b) {
    if (a.Name != b.Name || a.FirmwareVersion != b.FirmwareVersion || a.SlaveID != b.SlaveID ||
        a.Baud != b.Baud)
        return false;
    for (const auto field : ConfigFloats) {
        if (a.*field != b.*field)
            return false;
    }
    return true;
}

void reportNotValid(const QString& path) {
    showError(QFileInfo(path).fileName() + " is not a valid configuration file");
}

// A file refused for its size is no configuration file either, but the
// user is told why it was not read.
void reportUnreadable(const QString& path, const IniStore& store) {
    if (store.TooLarge())
        showError(QString("%1 is too large to be a configuration file (over %2 MiB).")
                      .arg(QFileInfo(path).fileName())
                      .arg(IniStore::MaxFileSize / (1024 * 1024)));
    else
        reportNotValid(path);
}

}  // namespace

void ShowCurrentFileName() {
    if (ConfigView.showFileName)
        ConfigView.showFileName(upperCaseFileName(Settings.FileName));
}

int CheckConfigFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return kConfigMissing;
    IniStore store(path);
    // A file that cannot be read has no signature.
    if (store.Open() && store.ReadString(kSignatureSection, "Value", "") == ConfigSignature)
        return kConfigValid;
    reportUnreadable(path, store);
    return kConfigNotValid;
}

bool ReadConfigFile() {
    const QString path = CurrentConfigFile();
    IniStore store(path);
    if (!store.Open()) {
        reportUnreadable(path, store);
        return false;
    }
    try {
        Config = readRecord(store);
    } catch (const EConvertError& error) {
        showError(QString::fromStdString(error.what()));
        return false;
    }
    FileRecord = Config;
    ShowCurrentFileName();
    showSlaveId(Config.SlaveID);
    ConfigSaved = true;
    return true;
}

bool WriteConfigFile() {
    const QString path = CurrentConfigFile();
    IniStore store(path);
    store.Open();  // Close refuses to replace a file that could not be read
    writeRecord(store, Config);
    if (!store.Close()) {
        showError(QString("The configuration could not be saved to %1: %2.")
                      .arg(QDir::toNativeSeparators(path), store.ErrorString()));
        return false;
    }
    FileRecord = Config;
    ShowCurrentFileName();
    ConfigSaved = true;
    return true;
}

void SetDefaultConfig() {
    ConfigRecord defaults;
    defaults.SlaveID = 1;
    defaults.Baud = 9600;
    for (const auto field : ConfigFloats)
        defaults.*field = 1.0f;
    Config = defaults;
    FileRecord.reset();
    ShowCurrentFileName();
    showSlaveId(Config.SlaveID);
    ConfigSaved = false;
}

bool ConfigMatchesFile() {
    return FileRecord && sameInFile(Config, *FileRecord);
}

void ForgetFileRecord() {
    FileRecord.reset();
}

}  // namespace kestro
