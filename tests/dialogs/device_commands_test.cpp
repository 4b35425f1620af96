// The device commands against the simulated analyzer: what reaches the
// device, and what the dialogs show and sound.
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "device/DeviceCommands.h"
#include "dialogs/Calibrate.h"
#include "dialogs/EUnits.h"
#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "platform/Regional.h"
#include "shell/MainState.h"
#include "tests/dialogs/DialogFixture.h"

namespace kestro::test {
namespace {

const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);

// The analyzer's replies to one function turned into an exception (code 4),
// given a wrong echo, or lost.
enum class ReplyFault { Exception, WrongEcho, NoAnswer };

std::function<bool(std::vector<uint8_t>&)> spoilReplies(uint8_t function, ReplyFault fault) {
    return [function, fault](std::vector<uint8_t>& frame) {
        if (frame[1] != function)
            return true;
        switch (fault) {
            case ReplyFault::Exception:
                frame = WithCrc({frame[0], uint8_t(function | 0x80), 0x04});
                return true;
            case ReplyFault::WrongEcho:
                frame = WithCrc(
                    {frame[0], frame[1], frame[2], frame[3], frame[4], uint8_t(frame[5] + 1)});
                return true;
            case ReplyFault::NoAnswer:
                return false;
        }
        return true;
    };
}

// Runs the scan until a 04h read is on its way, the moment at which a
// command's write has to wait for the read's answer first.
void untilReadInFlight(EngineHarness& rig) {
    ASSERT_TRUE(
        rig.runUntil([] { return Ports.AwaitingResponse && Ports.LastFunction == 0x04; }, 5000));
}

class ConfigCommandTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        NameEdited = false;
        waitingDialog = &dialog;
    }
    QPushButton& button(const char* name) { return *dialog.findChild<QPushButton*>(name); }
    QLineEdit& field(const char* name) { return *dialog.findChild<QLineEdit*>(name); }
    void download() {
        showActive(dialog);
        button("btnDownload").click();
    }

    TfrmEng dialog;
};

TEST_F(ConfigCommandTest, DownloadWritesTheConfigurationBlockInNormalWordOrder) {
    Config.Baud = 19200;
    Config.SlaveID = 5;
    // Each full-scale value its own, so that two swapped would show.
    Config.InpIr = 5.0f, Config.InpIs = 1.0f, Config.InpIt = 2.0f;
    Config.InpVr = 0.5f, Config.InpVs = 20.0f, Config.InpVt = 100.0f;
    Config.EngIr = 0.1f, Config.EngIs = 3.0f, Config.EngIt = 10.0f;
    Config.EngVr = 400.0f, Config.EngVs = 0.25f, Config.EngVt = 1.5f;
    interaction.answers.push_back(Answer::Yes);  // 19200 baud: asked first
    download();

    const auto sent = writes();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].address, 0);
    ASSERT_EQ(sent[0].values.size(), 27u);
    // The code word, the baud rate and the Slave ID, then the twelve values
    // as IEEE 754 singles, high word first.
    EXPECT_EQ(sent[0].values, (std::vector<uint16_t>{
                                  27081,  0x4B00, 0x0005,                          //
                                  0x40A0, 0x0000, 0x3F80, 0x0000, 0x4000, 0x0000,  // InpI r s t
                                  0x3F00, 0x0000, 0x41A0, 0x0000, 0x42C8, 0x0000,  // InpV r s t
                                  0x3DCC, 0xCCCD, 0x4040, 0x0000, 0x4120, 0x0000,  // EngI r s t
                                  0x43C8, 0x0000, 0x3E80, 0x0000, 0x3FC0, 0x0000,  // EngV r s t
                              }));
    const auto events = model.takeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].value("block"), "\"configuration\"");
    EXPECT_EQ(events[0].value("baud"), "19200");
}

// The analyzer answers at the downloaded address from then on: the Slave ID
// field (which steers the master) follows it after a download it took, and
// only then.
TEST_F(ConfigCommandTest, TheSlaveIdFieldFollowsADownloadedAddress) {
    std::vector<int> fieldSet;
    ConfigView.setSlaveId = [&](int id) {
        fieldSet.push_back(id);
        DB_Modbus.TargetSlave = id;
    };
    const auto downloadTo = [this](int address) {
        showActive(dialog);
        dialog.findChild<QSpinBox*>("seSlaveID")->setValue(address);
        button("btnDownload").click();
    };
    downloadTo(1);
    EXPECT_TRUE(fieldSet.empty()) << "the same address: the field stays";
    button("btnStatClose").click();

    field("meInpIr").setText("0");  // the analyzer refuses a full scale of 0
    downloadTo(9);
    EXPECT_TRUE(fieldSet.empty()) << "a refused download moves nothing";
    EXPECT_EQ(model.address(), 1);
    button("btnStatClose").click();

    field("meInpIr").setText("5");
    downloadTo(5);
    EXPECT_EQ(fieldSet, std::vector<int>{5});
    EXPECT_EQ(model.address(), 5);
    DB_Modbus.InputRegistersValid = false;
    EXPECT_TRUE(rig.runUntil([] { return DB_Modbus.InputRegistersValid; }, 5000))
        << "polling goes on at the new address";
    ConfigView.setSlaveId = nullptr;
}

TEST_F(ConfigCommandTest, DownloadShowsItsProgressAndItsSuccess) {
    download();
    ASSERT_EQ(whileWaiting.size(), 1u);
    EXPECT_TRUE(whileWaiting[0].visible);
    EXPECT_EQ(whileWaiting[0].text, "Downloading configuration... Please wait.");
    EXPECT_EQ(whileWaiting[0].title, kNavy);
    EXPECT_FALSE(whileWaiting[0].closeEnabled);
    EXPECT_FALSE(whileWaiting[0].buttonsEnabled);
    const PanelState done = panel(dialog);
    EXPECT_EQ(done.text, "Configuration downloaded.");
    EXPECT_EQ(done.title, kNavy);
    EXPECT_TRUE(done.closeEnabled);
    EXPECT_FALSE(done.buttonsEnabled);
    EXPECT_EQ(interaction.beeps, std::vector<Beep>{Beep::Default});
}

// The engine ends a command's wait on any exception answer, also on one to
// the scan's read that was under way when the command posted its request.
TEST_F(ConfigCommandTest, AnExceptionToTheScanReadIsNoOutcomeOfTheCommand) {
    const struct {
        const char* name;
        std::function<void()> command;
        const char* done;
    } commands[] = {
        {"download", [this] { button("btnDownload").click(); }, "Configuration downloaded."},
        {"upload", UploadConfig, "Configuration uploaded."}};
    showActive(dialog);
    for (const auto& c : commands) {
        bool spoiled = false;
        responder.OnReply = [&](std::vector<uint8_t>& frame) {
            if (frame[1] == 0x04 && !spoiled) {
                spoiled = true;
                frame = WithCrc({frame[0], 0x84, 0x06});  // busy
            }
            return true;
        };
        untilReadInFlight(rig);
        const size_t writesBefore = writes().size();
        c.command();
        EXPECT_TRUE(spoiled) << c.name;
        EXPECT_EQ(panel(dialog).text, c.done) << c.name;
        EXPECT_FALSE(DB_Modbus.PresetArmed) << c.name;
        EXPECT_EQ(writes().size() - writesBefore, c.name == std::string("download") ? 1u : 0u);
        button("btnStatClose").click();
    }
}

TEST_F(ConfigCommandTest, UploadReadsTheConfigurationIntoConfigAndTheDialog) {
    model.setAddress(17);
    DB_Modbus.TargetSlave = 17;
    model.setFirmware("RVX82A V2.21");
    Config.Baud = 1200;
    Config.SlaveID = 3;
    const ConfigRecord before = Config;
    ConfigSaved = false;
    showActive(dialog);
    UploadConfig();

    EXPECT_EQ(Config.Baud, 9600);
    EXPECT_EQ(Config.SlaveID, 17);
    // The analyzer's own full-scale values: 5 A for the currents, 500 V for
    // the voltages, on the input and on the engineering side.
    for (const float current :
         {Config.InpIr, Config.InpIs, Config.InpIt, Config.EngIr, Config.EngIs, Config.EngIt})
        EXPECT_EQ(current, 5.0f);
    for (const float voltage :
         {Config.InpVr, Config.InpVs, Config.InpVt, Config.EngVr, Config.EngVs, Config.EngVt})
        EXPECT_EQ(voltage, 500.0f);
    // Address 52 is not part of the read window: its two characters are zero.
    EXPECT_EQ(Config.FirmwareVersion,
              QString("RVX82A V2.21").leftJustified(50, ' ') + QChar(0) + QChar(0));
    EXPECT_EQ(Config.Name, before.Name);
    for (int i = 12; i < 18; ++i)
        EXPECT_EQ(Config.*ConfigFloats[i], before.*ConfigFloats[i]);
    EXPECT_FALSE(ConfigSaved);

    const QString point = QLocale().decimalPoint();
    EXPECT_EQ(field("meInpIr").text(), "5" + point + "00000");
    EXPECT_EQ(field("meEngVt").text(), "500" + point + "00000");
    EXPECT_EQ(dialog.findChild<QLabel*>("lblVersion")->text(), "RVX82A V2.21");
    ASSERT_EQ(whileWaiting.size(), 1u);
    EXPECT_EQ(whileWaiting[0].text, "Uploading configuration... Please wait.");
    EXPECT_EQ(whileWaiting[0].title, kNavy);
    EXPECT_FALSE(whileWaiting[0].closeEnabled);
    const PanelState done = panel(dialog);
    EXPECT_EQ(done.text, "Configuration uploaded.");
    EXPECT_EQ(done.title, kNavy);
    EXPECT_TRUE(done.closeEnabled);
    EXPECT_EQ(interaction.beeps, std::vector<Beep>{Beep::Default});
    EXPECT_EQ(DB_Modbus.HoldingReadCount, 0);
}

// A failed upload leaves Config and the dialog as they were, also when an
// earlier upload has left the engine's holding table valid.
TEST_F(ConfigCommandTest, AFailedUploadLeavesConfigAsItWas) {
    showActive(dialog);
    const struct {
        const char* name;
        std::function<void()> spoil;
    } cases[] = {
        {"no answer", [&] { responder.OnReply = spoilReplies(0x03, ReplyFault::NoAnswer); }},
        {"exception", [&] { responder.OnReply = spoilReplies(0x03, ReplyFault::Exception); }},
        {"port closed", [] { ClosePort(); }},
    };
    for (const auto& c : cases) {
        responder.OnReply = nullptr;
        UploadConfig();
        ASSERT_EQ(panel(dialog).text, "Configuration uploaded.") << c.name;
        dialog.findChild<QPushButton*>("btnStatClose")->click();

        Config = sample();
        const std::string before = describe(Config);
        field("meInpIr").setText("typed");
        interaction.beeps.clear();
        c.spoil();
        UploadConfig();
        EXPECT_EQ(describe(Config), before) << c.name;
        EXPECT_EQ(field("meInpIr").text(), "typed") << c.name;
        const PanelState shown = panel(dialog);
        EXPECT_EQ(shown.text, "Configuration upload failed.") << c.name;
        EXPECT_EQ(shown.title, kRed) << c.name;
        EXPECT_TRUE(shown.closeEnabled) << c.name;
        EXPECT_EQ(interaction.beeps, std::vector<Beep>{Beep::Exclamation}) << c.name;
        dialog.findChild<QPushButton*>("btnStatClose")->click();
    }
}

// Download and calibration end alike: their own texts on their own dialog.
struct WriteCommand {
    const char* name;
    const char* failed;
    bool onCalibrationDialog;
    std::function<void()> run;
};

class WriteOutcomeTest : public DialogTest, public ::testing::WithParamInterface<WriteCommand> {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        ConfigSaved = true;
        dialog_ = GetParam().onCalibrationDialog ? static_cast<QDialog*>(&cal) : &eng;
        waitingDialog = dialog_;
        showActive(*dialog_);
    }
    void expectEnd(const QString& text, const QColor& title, Beep beep) {
        const PanelState shown = panel(*dialog_);
        EXPECT_TRUE(shown.visible);
        EXPECT_EQ(shown.text, text);
        EXPECT_EQ(shown.title, title);
        EXPECT_TRUE(shown.closeEnabled);
        EXPECT_FALSE(shown.buttonsEnabled);
        EXPECT_EQ(interaction.beeps, std::vector<Beep>{beep});
    }
    TfrmEng eng;
    TfrmCal cal;
    QDialog* dialog_ = nullptr;
};

TEST_P(WriteOutcomeTest, AFailedWriteIsReportedInRed) {
    for (ReplyFault fault : {ReplyFault::Exception, ReplyFault::WrongEcho, ReplyFault::NoAnswer}) {
        SCOPED_TRACE(int(fault));
        interaction.beeps.clear();
        responder.OnReply = spoilReplies(0x10, fault);
        GetParam().run();
        expectEnd(GetParam().failed, kRed, Beep::Exclamation);
        EXPECT_TRUE(DB_Modbus.PresetFailed);
    }
}

TEST_P(WriteOutcomeTest, WithThePortClosedTheComportIsNotAvailable) {
    ClosePort();
    GetParam().run();
    expectEnd("Comport is not available.", kRed, Beep::Exclamation);
    EXPECT_LE(whileWaiting.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, WriteOutcomeTest,
    ::testing::Values(WriteCommand{"Download", "Configuration download failed.", false,
                                   DownloadConfig},
                      WriteCommand{"Calibration", "Calibration failed.", true, CalibrateDevice}),
    [](const auto& info) { return std::string(info.param.name); });

class PostedCommandTest : public DialogTest {
  protected:
    TfrmEng eng;
    TfrmCal cal;
};

TEST_F(PostedCommandTest, EnergyResetsWriteTheCodeWordAndTheMeterAndShowNothing) {
    const struct {
        void (*command)();
        uint16_t selector;
    } cases[] = {{ResetKVarh, 2}, {ResetKWh, 1}};
    for (const auto& c : cases) {
        const size_t before = writes().size();
        c.command();
        rig.runTicks(20);
        const auto sent = writes();
        ASSERT_EQ(sent.size(), before + 1);
        EXPECT_EQ(sent.back().address, 200);
        EXPECT_EQ(sent.back().values, (std::vector<uint16_t>{40617, c.selector}));
    }
    EXPECT_LT(model.reactiveEnergy(), 1.0);  // from 312.8 kVarh
    EXPECT_LT(model.activeEnergy(), 1.0);    // from 1523.4 kWh
    EXPECT_TRUE(interaction.beeps.empty());
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_FALSE(panel(eng).visible);
    EXPECT_FALSE(panel(cal).visible);
}

// The clock block comes from the moment itself, so every regional date and
// time format gives the same registers.
TEST_F(PostedCommandTest, TheClockBlockIsTheSameUnderEveryDateFormat) {
    const struct {
        QDateTime moment;
        std::vector<uint16_t> block;
    } moments[] = {
        {QDateTime(QDate(2026, 12, 9), QTime(14, 35, 7)), {0x3507, 0x1403, 0x1209, 0x0026}},
        {QDateTime(QDate(2027, 2, 7), QTime(9, 5, 0)), {0x0500, 0x0907, 0x0207, 0x0027}},
    };
    const QLocale locales[] = {QLocale(QLocale::German, QLocale::Germany),
                               QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::Swedish, QLocale::Sweden)};
    for (const auto& m : moments) {
        CommandHost.CurrentDateTime = [&] { return m.moment; };
        for (const QLocale& locale : locales) {
            const LocaleScope scope(locale);
            SetDeviceClock();
            rig.runTicks(20);
            const auto sent = writes();
            ASSERT_FALSE(sent.empty());
            EXPECT_EQ(sent.back().address, 300);
            EXPECT_EQ(sent.back().values, m.block) << ShortDateText(m.moment).toStdString() << " "
                                                   << LongTimeText(m.moment).toStdString();
            EXPECT_EQ(model.clock().weekday, m.block[1] & 0xFF);
        }
    }
    EXPECT_TRUE(interaction.beeps.empty());
    EXPECT_FALSE(panel(eng).visible);
}

}  // namespace
}  // namespace kestro::test
