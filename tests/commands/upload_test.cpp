// The configuration dialog's Upload and Download as the main window runs
// them: the file an upload goes to, the offer to save first, and what the
// analyzer receives.
#include <QLabel>
#include <QPushButton>

#include "device/Utility.h"
#include "tests/commands/CommandsFixture.h"

namespace kestro::test {
namespace {

class UploadTest : public CommandsTest {
  protected:
    UploadTest() { model.setAddress(sample().SlaveID); }

    QString press(const char* button) { return pressInConfigDialog(button); }
};

TEST_F(UploadTest, CancelInTheTargetDialogUploadsNothingAndChangesNothing) {
    startProgramWith("plant.cfg", sample());
    interaction.files = {std::nullopt};

    EXPECT_EQ(press("btnUpload"), "");

    ASSERT_EQ(interaction.dialogs.size(), 1u);
    const FileDialogRequest& target = interaction.dialogs[0];
    EXPECT_EQ(target.title, "Upload Configuration to ...");
    EXPECT_EQ(target.folder, programPath());
    EXPECT_EQ(target.fileName, "plant.cfg");
    EXPECT_EQ(target.filter, "Configuration (*.cfg)");
    EXPECT_EQ(target.defaultSuffix, "cfg");
    EXPECT_TRUE(target.confirmCreate);
    EXPECT_FALSE(target.save);
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_EQ(Settings.FileName, "plant.cfg");
    EXPECT_EQ(window->sbMainPanel(1)->text(), "PLANT.CFG");
    EXPECT_EQ(describe(Config), describe(sample()));
    EXPECT_TRUE(ConfigSaved);
}

TEST_F(UploadTest, AConfirmedUploadFillsTheConfigurationAndLeavesTheFileToALaterSave) {
    startProgramWith("plant.cfg", sample());
    interaction.files = {inProgram("device.cfg")};

    EXPECT_EQ(press("btnUpload"), "Configuration uploaded.");

    EXPECT_EQ(Settings.FileName, "device.cfg");
    EXPECT_EQ(Settings.Path, programPath());
    EXPECT_EQ(window->sbMainPanel(1)->text(), "DEVICE.CFG");
    EXPECT_EQ(Config.Baud, 9600);
    EXPECT_EQ(Config.InpIr, 5.0f);
    EXPECT_EQ(Config.EngVt, 500.0f);
    EXPECT_TRUE(Config.FirmwareVersion.startsWith("RVX82A V1.10"));
    EXPECT_EQ(Config.Name, "Feeder 3");
    EXPECT_EQ(Config.CalIr, sample().CalIr);
    EXPECT_TRUE(ConfigSaved);
    EXPECT_FALSE(QFile::exists(inProgram("device.cfg")));

    close();
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_FALSE(QFile::exists(inProgram("device.cfg")));
}

TEST_F(UploadTest, UnsavedChangesAreOfferedForSavingFirst) {
    struct Case {
        Answer answer;
        bool savedFirst;
        bool uploaded;
    };
    for (const Case& c : {Case{Answer::Yes, true, true}, Case{Answer::No, false, true},
                          Case{Answer::Cancel, false, false}}) {
        SCOPED_TRACE(int(c.answer));
        startProgramWith("plant.cfg", sample());
        Config.Name = "edited";
        ConfigSaved = false;
        interaction.answers = {c.answer};
        interaction.files = {inProgram("device.cfg")};

        const QString status = press("btnUpload");

        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(interaction.messages[0].text, "Current configuration not saved. Save ?");
        EXPECT_EQ(interaction.messages[0].buttons, Buttons::YesNoCancel);
        EXPECT_EQ(section(inProgram("plant.cfg"), "SYSTEM").value("Name"),
                  c.savedFirst ? "edited" : "Feeder 3");
        EXPECT_EQ(interaction.dialogs.size(), c.uploaded ? 1u : 0u);
        EXPECT_EQ(status, c.uploaded ? "Configuration uploaded." : "");
        EXPECT_EQ(Settings.FileName, c.uploaded ? "device.cfg" : "plant.cfg");
        EXPECT_EQ(ConfigSaved, c.savedFirst);

        ConfigSaved = true;
        window.reset();
        interaction.messages.clear();
        interaction.dialogs.clear();
        interaction.files.clear();
    }
}

class DownloadTest : public LocaleCommandsTest {
  protected:
    DownloadTest() { model.setAddress(sample().SlaveID); }
};

TEST_P(DownloadTest, SwapWordsDoesNotChangeTheWordOrderOfADownload) {
    ConfigRecord record = sample();
    record.InpIr = 2.5f;  // 40200000h
    startProgramWith("plant.cfg", record);
    for (const bool swap : {true, false}) {
        SCOPED_TRACE(swap ? "Swap Words checked" : "Swap Words cleared");
        window->cbSwapFloat->setChecked(swap);
        const size_t before = writes().size();
        interaction.answers = {Answer::Yes};  // the sample's 19200 baud
        EXPECT_EQ(pressInConfigDialog("btnDownload"), "Configuration downloaded.");
        const std::vector<PresetWrite> sent = writes();
        ASSERT_EQ(sent.size(), before + 1);
        EXPECT_EQ(sent.back().address, 0);
        ASSERT_EQ(sent.back().values.size(), 27u);
        EXPECT_EQ(sent.back().values[3], 0x4020);
        EXPECT_EQ(sent.back().values[4], 0x0000);
    }
}

KESTRO_POINT_AND_COMMA_LOCALES(DownloadTest);

}  // namespace
}  // namespace kestro::test
