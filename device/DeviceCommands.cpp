#include "device/DeviceCommands.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "config/Configuration.h"
#include "device/RegisterMap.h"
#include "device/Utility.h"
#include "modbus/Driver_Modbus.h"
#include "platform/UserInteraction.h"

namespace kestro {

DeviceCommandHost CommandHost;

namespace {

using regmap::CommandBlock;

// Config's floats in record order: the twelve full-scale values in their
// register order, then the six calibration points.
constexpr int kCalPointsFirst = regmap::kFullScaleCount;
static_assert(ConfigFloats.size() == regmap::kFullScaleCount + regmap::kCalPointCount);

// A command block as it is about to be posted; indexed by address.
struct BlockValues {
    explicit BlockValues(CommandBlock block) : block(block) {}
    uint16_t& at(int address) { return values[address - block.address()]; }
    void putFloat(int address, float value) {
        FloatToRegs(values, address - block.address(), value);
    }
    void post() const { PostPresetWrite(block.presetStart, block.presetCount, values); }

    CommandBlock block;
    uint16_t values[regmap::kBlockConfiguration.presetCount] = {};  // the largest block
};

void show(CommandDialog* dialog, const QString& text, bool closeEnabled, const QColor& colour) {
    if (dialog)
        dialog->ShowStatus(text, closeEnabled, colour);
}

void fail(CommandDialog* dialog, const QString& text) {
    Interaction().beep(Beep::Exclamation);
    show(dialog, text, true, clRed);
}

void succeed(CommandDialog* dialog, const QString& text) {
    Interaction().beep(Beep::Default);
    show(dialog, text, true, clNavy);
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

// Posts the block, waits and reports the outcome of the write.
void runWrite(const BlockValues& block, CommandDialog* dialog, const QString& failed,
              const QString& done) {
    block.post();
    awaitOwnRequest(writeStillArmed);
    if (!Ports.PortOpen)
        fail(dialog, "Comport is not available.");
    else if (DB_Modbus.PresetFailed)
        fail(dialog, failed);
    else
        succeed(dialog, done);
}

void postEnergyReset(uint16_t selector) {
    BlockValues block(regmap::kBlockEnergyReset);
    block.at(block.block.address()) = regmap::kCodeEnergyReset;
    block.at(regmap::kEnergySelector) = selector;
    block.post();
}

// A number from 0 to 99 as one BCD byte.
uint16_t bcd(int value) {
    return BcdByte(QString::asprintf("%02d", value).toStdString());
}

void decodeConfiguration(const uint16_t* table) {
    Config.Baud = RegWord(table, regmap::kHoldBaud);
    Config.SlaveID = RegWord(table, regmap::kHoldSlaveID);
    for (int i = 0; i < regmap::kFullScaleCount; ++i)
        Config.*ConfigFloats[i] = RegFloat(table, regmap::kHoldFullScale + 2 * i, false);
    const std::string text = FirmwareText(table);
    Config.FirmwareVersion = QString::fromLatin1(text.data(), int(text.size()));
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
    runWrite(block, dialog, "Configuration download failed.", "Configuration downloaded.");
}

void UploadConfig() {
    CommandDialog* dialog = CommandHost.configDialog;
    show(dialog, "Uploading configuration... Please wait.", false, clNavy);
    // Only an answer to this upload may count: a table left valid by an
    // earlier one would otherwise pass for it when no answer comes.
    DB_Modbus.HoldingRegistersValid = false;
    OpenHoldingRead(regmap::kHoldingReadStart, regmap::kHoldingReadCount);
    awaitOwnRequest(holdingReadStillOpen);
    CloseHoldingRead();
    if (!DB_Modbus.HoldingRegistersValid) {
        fail(dialog, "Configuration upload failed.");
        return;
    }
    decodeConfiguration(DB_Modbus.HoldingRegisterTable);
    if (dialog)
        dialog->RecordToForm();
    succeed(dialog, "Configuration uploaded.");
}

void CalibrateDevice() {
    CommandDialog* dialog = CommandHost.calibrationDialog;
    show(dialog, "Calibrating unit... Please wait.", false, clNavy);
    BlockValues block(regmap::kBlockCalibration);
    block.at(block.block.address()) = regmap::kCodeCalibration;
    block.at(regmap::kCalControl) = Config.CalControl;
    for (int i = 0; i < regmap::kCalPointCount; ++i)
        block.putFloat(regmap::kCalPoints + 2 * i, Config.*ConfigFloats[kCalPointsFirst + i]);
    runWrite(block, dialog, "Calibration failed.", "Calibration success.");
}

void ResetKWh() {
    postEnergyReset(regmap::kSelectKWh);
}

void ResetKVarh() {
    postEnergyReset(regmap::kSelectKVarh);
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
}

}  // namespace kestro
