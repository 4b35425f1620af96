#include "device/DeviceCommands.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "config/Configuration.h"
#include "device/Quantities.h"
#include "device/RegisterMap.h"
#include "device/Utility.h"
#include "modbus/Driver_Modbus.h"
#include "platform/UserInteraction.h"

namespace kestro {

DeviceCommandHost CommandHost;

namespace {

using regmap::CommandBlock;

// The function code of the command blocks' writes.
constexpr int kPresetMultipleRegisters = 0x10;

// Config's floats in record order: the twelve full-scale values in their
// register order, then the six calibration points.
constexpr int kCalPointsFirst = regmap::kFullScaleCount;
static_assert(ConfigFloats.size() == regmap::kFullScaleCount + regmap::kCalPointCount);

// A new posting replaces the request fields of a write not yet ended: the
// journal must not give that one the new write's outcome.
void supersedePostedWrite() {
    ActionRecord* posted = CommandHost.journal.awaitingOutcome();
    if (posted && DB_Modbus.PresetArmed) {
        posted->outcome = "Replaced by the next command before its answer came.";
        posted->failed = true;
    }
}

// A command block as it is about to be posted; indexed by address.
struct BlockValues {
    explicit BlockValues(CommandBlock block) : block(block) {}
    uint16_t& at(int address) { return values[address - block.address()]; }
    void putFloat(int address, float value) {
        FloatToRegs(values, address - block.address(), value);
    }
    void post() const {
        supersedePostedWrite();
        PostPresetWrite(block.presetStart, block.presetCount, values);
    }

    CommandBlock block;
    uint16_t values[regmap::kBlockConfiguration.presetCount] = {};  // the largest block
};

void show(CommandDialog* dialog, const QString& text, bool closeEnabled, const QColor& colour) {
    if (dialog)
        dialog->ShowStatus(text, closeEnabled, colour);
}

void fail(CommandDialog* dialog, const QString& text, ActionRecord* record = nullptr) {
    Interaction().beep(Beep::Exclamation);
    show(dialog, text, true, clRed);
    if (record) {
        record->outcome = text.toStdString();
        record->failed = true;
    }
}

void succeed(CommandDialog* dialog, const QString& text, ActionRecord* record = nullptr) {
    Interaction().beep(Beep::Default);
    show(dialog, text, true, clNavy);
    if (record)
        record->outcome = text.toStdString();
}

TimeStamp now() {
    const QDateTime moment = CommandHost.CurrentDateTime();
    return TimeStamp{moment.toMSecsSinceEpoch(), moment.offsetFromUtc()};
}

ActionRecord startRecord(ActionKind kind) {
    ActionRecord record;
    record.at = now();
    record.kind = kind;
    return record;
}

ConfigurationBlock configurationOf(const ConfigRecord& config) {
    ConfigurationBlock block;
    block.baud = config.Baud;
    block.slaveId = config.SlaveID;
    for (int i = 0; i < regmap::kFullScaleCount; ++i)
        block.fullScale[i] = config.*ConfigFloats[i];
    return block;
}

// Waits until the engine has ended the command's own transaction, or the
// port has closed. The engine also clears RequestPending on an exception
// answer to another function (a read of the scan that was still under way
// when the command posted); that must not pass for the command's outcome, so
// the wait goes on until `stillOpen` says the command's request has ended.
void awaitOwnRequest(bool (*stillOpen)()) {
    do {
        DB_Modbus.RequestPending = true;
        CommandHost.WaitForEngine();
    } while (Ports.PortOpen && stillOpen());
}

bool writeStillArmed() {
    return DB_Modbus.PresetArmed;
}

bool holdingReadStillOpen() {
    return !DB_Modbus.HoldingRegistersValid && Ports.LastFunction != 0x03;
}

// Posts the block, waits and reports the outcome of the write; true when
// the analyzer took it.
bool runWrite(const BlockValues& block, CommandDialog* dialog, const QString& failed,
              const QString& done, ActionRecord& record) {
    block.post();
    awaitOwnRequest(writeStillArmed);
    bool taken = false;
    if (!Ports.PortOpen) {
        fail(dialog, "Comport is not available.", &record);
    } else if (DB_Modbus.PresetFailed) {
        fail(dialog, failed, &record);
    } else {
        succeed(dialog, done, &record);
        taken = true;
    }
    CommandHost.journal.append(record);
    return taken;
}

void postEnergyReset(uint16_t selector, EnergyMeter meter, Quantity reading) {
    ActionRecord record = startRecord(ActionKind::EnergyReset);
    record.meter = meter;
    if (const ReadingSnapshot* latest = CommandHost.LatestReading())
        record.meterBefore = latest->value(reading);
    BlockValues block(regmap::kBlockEnergyReset);
    block.at(block.block.address()) = regmap::kCodeEnergyReset;
    block.at(regmap::kEnergySelector) = selector;
    block.post();
    CommandHost.journal.append(record);
}

// A number from 0 to 99 as one BCD byte.
uint16_t bcd(int value) {
    return BcdByte(QString::asprintf("%02d", value).toStdString());
}

ConfigurationBlock decodeConfiguration(const uint16_t* table) {
    ConfigurationBlock block;
    block.baud = RegWord(table, regmap::kHoldBaud);
    block.slaveId = RegWord(table, regmap::kHoldSlaveID);
    for (int i = 0; i < regmap::kFullScaleCount; ++i)
        block.fullScale[i] = RegFloat(table, regmap::kHoldFullScale + 2 * i, false);
    block.firmware = FirmwareText(table);
    return block;
}

void storeConfiguration(const ConfigurationBlock& block) {
    Config.Baud = block.baud;
    Config.SlaveID = block.slaveId;
    for (int i = 0; i < regmap::kFullScaleCount; ++i)
        Config.*ConfigFloats[i] = block.fullScale[i];
    Config.FirmwareVersion = QString::fromLatin1(block.firmware.data(), int(block.firmware.size()));
}

// The 03h read of the configuration block; nothing when no answer came.
std::optional<ConfigurationBlock> readConfiguration() {
    // Only an answer to this read may count: a table left valid by an
    // earlier one would otherwise pass for it when no answer comes.
    DB_Modbus.HoldingRegistersValid = false;
    OpenHoldingRead(regmap::kHoldingReadStart, regmap::kHoldingReadCount);
    awaitOwnRequest(holdingReadStillOpen);
    CloseHoldingRead();
    if (!DB_Modbus.HoldingRegistersValid)
        return std::nullopt;
    return decodeConfiguration(DB_Modbus.HoldingRegisterTable);
}

// The time the clock block carries, as the analyzer will hold it.
DeviceClock clockOf(const QDateTime& moment) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    DeviceClock clock;
    clock.valid = true;
    clock.year = date.year(), clock.month = date.month(), clock.day = date.day();
    clock.hour = time.hour(), clock.minute = time.minute(), clock.second = time.second();
    clock.weekday = date.dayOfWeek();
    return clock;
}

}  // namespace

void WaitForEngineOnQt() {
    while (DB_Modbus.RequestPending && Ports.PortOpen)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void DownloadConfig() {
    CommandDialog* dialog = CommandHost.configDialog;
    show(dialog, "Downloading configuration... Please wait.", false, clNavy);
    BlockValues block(regmap::kBlockConfiguration);
    block.at(block.block.address()) = regmap::kCodeConfiguration;
    block.at(regmap::kHoldBaud) = uint16_t(Config.Baud);
    block.at(regmap::kHoldSlaveID) = uint16_t(Config.SlaveID);
    for (int i = 0; i < regmap::kFullScaleCount; ++i)
        block.putFloat(regmap::kHoldFullScale + 2 * i, Config.*ConfigFloats[i]);
    ActionRecord record = startRecord(ActionKind::Download);
    record.configurationName = Config.Name.toStdString();
    record.configuration = configurationOf(Config);
    const bool taken = runWrite(block, dialog, "Configuration download failed.",
                                "Configuration downloaded.", record);
    // The analyzer answers at its new address from now on: the master
    // follows it there rather than time out at the old one.
    if (taken && Config.SlaveID != DB_Modbus.TargetSlave && ConfigView.setSlaveId)
        ConfigView.setSlaveId(Config.SlaveID);
}

void UploadConfig() {
    CommandDialog* dialog = CommandHost.configDialog;
    show(dialog, "Uploading configuration... Please wait.", false, clNavy);
    ActionRecord record = startRecord(ActionKind::Upload);
    const std::optional<ConfigurationBlock> block = readConfiguration();
    if (!block) {
        fail(dialog, "Configuration upload failed.", &record);
        CommandHost.journal.append(record);
        return;
    }
    storeConfiguration(*block);
    record.configuration = *block;
    CommandHost.journal.noteReadBack({record.at, *block});
    if (dialog)
        dialog->RecordToForm();
    succeed(dialog, "Configuration uploaded.", &record);
    CommandHost.journal.append(record);
}

void CalibrateDevice() {
    CommandDialog* dialog = CommandHost.calibrationDialog;
    show(dialog, "Calibrating unit... Please wait.", false, clNavy);
    BlockValues block(regmap::kBlockCalibration);
    block.at(block.block.address()) = regmap::kCodeCalibration;
    block.at(regmap::kCalControl) = Config.CalControl;
    for (int i = 0; i < regmap::kCalPointCount; ++i)
        block.putFloat(regmap::kCalPoints + 2 * i, Config.*ConfigFloats[kCalPointsFirst + i]);
    ActionRecord record = startRecord(ActionKind::Calibration);
    record.calControl = Config.CalControl;
    for (int i = 0; i < regmap::kCalPointCount; ++i)
        record.appliedInputs[i] = Config.*ConfigFloats[kCalPointsFirst + i];
    runWrite(block, dialog, "Calibration failed.", "Calibration success.", record);
}

void ResetKWh() {
    postEnergyReset(regmap::kSelectKWh, EnergyMeter::KWh, Quantity::ActiveEnergy);
}

void ResetKVarh() {
    postEnergyReset(regmap::kSelectKVarh, EnergyMeter::KVarh, Quantity::ReactiveEnergy);
}

// The digits come from the local date and time themselves, not from their
// regional texts, so that every date and time format gives the same block;
// the block is complete before it is armed.
void SetDeviceClock() {
    const QDateTime now = CommandHost.CurrentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    BlockValues block(regmap::kBlockClock);
    block.at(regmap::kClockMinSec) = uint16_t(bcd(time.minute()) << 8 | bcd(time.second()));
    block.at(regmap::kClockHourWeekday) = uint16_t(bcd(time.hour()) << 8 | date.dayOfWeek());
    block.at(regmap::kClockMonthDay) = uint16_t(bcd(date.month()) << 8 | bcd(date.day()));
    block.at(regmap::kClockYear) = bcd(date.year() % 100);
    block.post();
    ActionRecord record;
    record.at = TimeStamp{now.toMSecsSinceEpoch(), now.offsetFromUtc()};
    record.kind = ActionKind::ClockSetting;
    record.clockSet = clockOf(now);
    CommandHost.journal.append(record);
}

// A query being sent says nothing yet; the next text about the write is its
// answer, its exception or its time-out.
void NoteStatusLine(const std::string& text, bool red) {
    ActionRecord* posted = CommandHost.journal.awaitingOutcome();
    const bool querySent = text.rfind("Query <", 0) == 0 && !red;
    if (!posted || querySent || Ports.LastFunction != kPresetMultipleRegisters)
        return;
    posted->outcome = text;
    posted->failed = red;
}

std::optional<ConfigurationReadBack> ReadConfigurationBlock(std::string* failure) {
    const TimeStamp at = now();
    if (!Ports.PortOpen) {
        if (failure)
            *failure = "the port is not open";
        return std::nullopt;
    }
    const std::optional<ConfigurationBlock> block = readConfiguration();
    if (!block) {
        if (failure)
            *failure = Ports.PortOpen ? "the analyzer did not answer the read"
                                      : "the port closed during the read";
        return std::nullopt;
    }
    return ConfigurationReadBack{at, *block};
}

}  // namespace kestro
