// New, Open, Save and Save As from the File menu: which file becomes the
// current one, what is asked, what reaches the disk, and what a cancel or a
// failure leaves as it was.
#include <QFile>

#include "tests/commands/CommandsFixture.h"

namespace kestro::test {
namespace {

const QString kPrompt = "Current configuration not saved. Save ?";

bool ConfigCommandsEnabled(const TfrmMain& w) {
    return w.bbSaveConfiguration->isEnabled() && w.bbSaveConfigurationAs->isEnabled() &&
           w.siConfiguration->menuAction()->isEnabled();
}

// What the program holds as the current configuration.
struct Current {
    QString fileName, path, panel;
    std::string config;
    bool saved;
    bool operator==(const Current& o) const {
        return fileName == o.fileName && path == o.path && panel == o.panel && config == o.config &&
               saved == o.saved;
    }
};

void PrintTo(const Current& c, std::ostream* os) {
    *os << c.fileName.toStdString() << " in " << c.path.toStdString() << ", panel "
        << c.panel.toStdString() << ", saved " << c.saved << ", " << c.config;
}

class FileCommandsTest : public CommandsTest {
  protected:
    Current current() const {
        return {Settings.FileName, Settings.Path, window->sbMainPanel(1)->text(), describe(Config),
                ConfigSaved};
    }
    static std::string defaults() {
        ConfigRecord record;
        record.SlaveID = 1;
        record.Baud = 9600;
        for (const auto field : ConfigFloats)
            record.*field = 1.0f;
        return describe(record);
    }
};

TEST_F(FileCommandsTest, NewAsksToSaveUnsavedChangesAndGoesOnUnlessCancelled) {
    struct Case {
        const char* name;
        Answer answer;
        bool newGoesOn;
    };
    for (const Case& c : {Case{"Yes, then Cancel in the save dialog", Answer::Yes, true},
                          Case{"No", Answer::No, true}, Case{"Cancel", Answer::Cancel, false}}) {
        SCOPED_TRACE(c.name);
        startProgramWith("plant.cfg", sample());
        const QByteArray onDisk = readFile(inProgram("plant.cfg"));
        Config.Name = "changed";
        ConfigSaved = false;
        const Current before = current();
        interaction.answers = {c.answer};
        interaction.files = {std::nullopt};

        window->bbNewConfig->trigger();

        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(interaction.messages[0].text, kPrompt);
        EXPECT_EQ(interaction.messages[0].buttons, Buttons::YesNoCancel);
        if (c.answer == Answer::Yes) {
            ASSERT_EQ(interaction.dialogs.size(), 1u);
            const FileDialogRequest& save = interaction.dialogs[0];
            EXPECT_EQ(save.title, "Save Configuration");
            EXPECT_EQ(save.folder, programPath());
            EXPECT_EQ(save.fileName, "plant.cfg");
            EXPECT_TRUE(save.save && save.confirmOverwrite);
            EXPECT_EQ(save.filter, "Configuration (*.cfg)");
            EXPECT_EQ(save.defaultSuffix, "cfg");
        } else {
            EXPECT_TRUE(interaction.dialogs.empty());
        }
        if (c.newGoesOn) {
            EXPECT_EQ(current(), (Current{"RVX82AUNTITLED.CFG", programPath(), "RVX82AUNTITLED.CFG",
                                          defaults(), false}));
            EXPECT_EQ(window->seSlaveID->value(), 1);
        } else {
            EXPECT_EQ(current(), before);
        }
        EXPECT_EQ(readFile(inProgram("plant.cfg")), onDisk);
        EXPECT_FALSE(QFile::exists(inProgram("RVX82AUNTITLED.CFG")));

        ConfigSaved = true;  // nothing to ask at the close
        window.reset();
        interaction.messages.clear();
        interaction.dialogs.clear();
        interaction.files.clear();
    }
}

TEST_F(FileCommandsTest, NewWithYesSavesTheChangesWhereTheDialogSaysThenStartsAfresh) {
    startProgramWith("plant.cfg", sample());
    const QByteArray onDisk = readFile(inProgram("plant.cfg"));
    Config.SlaveID = 23;
    ConfigSaved = false;
    interaction.answers = {Answer::Yes};
    interaction.files = {inProgram("kept.cfg")};

    window->bbNewConfig->trigger();

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, kPrompt);
    ASSERT_EQ(interaction.dialogs.size(), 1u);
    EXPECT_EQ(interaction.dialogs[0].title, "Save Configuration");
    EXPECT_EQ(section(inProgram("kept.cfg"), "SYSTEM").value("Slave ID"), "23");
    EXPECT_EQ(readFile(inProgram("plant.cfg")), onDisk);
    EXPECT_EQ(current(), (Current{"RVX82AUNTITLED.CFG", programPath(), "RVX82AUNTITLED.CFG",
                                  defaults(), false}));
    EXPECT_EQ(window->seSlaveID->value(), 1);
    ConfigSaved = true;  // nothing to ask at the close
}

TEST_F(FileCommandsTest, NewThenSaveWritesTheUntitledFileWithoutADialog) {
    startProgram();
    ASSERT_FALSE(ConfigCommandsEnabled(*window));

    window->bbNewConfig->trigger();
    EXPECT_TRUE(ConfigCommandsEnabled(*window));
    EXPECT_FALSE(window->siCalibration->menuAction()->isEnabled());
    EXPECT_FALSE(QFile::exists(inProgram("RVX82AUNTITLED.CFG")));

    window->bbSaveConfiguration->trigger();
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_TRUE(interaction.dialogs.empty());
    EXPECT_TRUE(ConfigSaved);
    const auto system = section(inProgram("RVX82AUNTITLED.CFG"), "SYSTEM");
    EXPECT_EQ(system.value("Slave ID"), "1");
    EXPECT_EQ(system.value("Baud"), "9600");
    EXPECT_EQ(section(inProgram("RVX82AUNTITLED.CFG"), "ENG").value("Ir Input FS"), "1");
}

TEST_F(FileCommandsTest, OpenOfAMissingFileAgreedToCreateStartsDefaultsUnderItsName) {
    startProgram();
    interaction.files = {inProgram("fresh.cfg")};

    window->bbOpenConfig->trigger();

    ASSERT_EQ(interaction.dialogs.size(), 1u);
    const FileDialogRequest& open = interaction.dialogs[0];
    EXPECT_EQ(open.title, "Open Configuration");
    EXPECT_EQ(open.folder, programPath());
    EXPECT_EQ(open.fileName, "");
    EXPECT_EQ(open.filter, "Configuration (*.cfg)");
    EXPECT_EQ(open.defaultSuffix, "cfg");
    EXPECT_TRUE(open.confirmCreate);
    EXPECT_FALSE(open.save);
    EXPECT_EQ(current(), (Current{"fresh.cfg", programPath(), "FRESH.CFG", defaults(), false}));
    EXPECT_TRUE(ConfigCommandsEnabled(*window));
    EXPECT_FALSE(QFile::exists(inProgram("fresh.cfg")));
    EXPECT_TRUE(interaction.messages.empty());

    window->bbSaveConfiguration->trigger();
    EXPECT_TRUE(QFile::exists(inProgram("fresh.cfg")));
}

TEST_F(FileCommandsTest, OpenOfAWrongSignatureWhileNothingIsLoadedEnablesTheCommands) {
    startProgram();
    writeText(inProgram("other.cfg"), "[SIGNATURE]\nValue=rvx82a configuration file. v 1.10\n");
    const Current before = current();
    interaction.files = {inProgram("other.cfg")};

    window->bbOpenConfig->trigger();

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "other.cfg is not a valid configuration file");
    EXPECT_EQ(current(), before);
    EXPECT_TRUE(ConfigCommandsEnabled(*window));
    EXPECT_FALSE(window->siCalibration->menuAction()->isEnabled());
}

TEST_F(FileCommandsTest, ACancelledDialogChangesNothing) {
    startProgramWith("plant.cfg", sample());
    ConfigSaved = false;
    const Current before = current();
    const QByteArray onDisk = readFile(inProgram("plant.cfg"));
    interaction.files = {std::nullopt, std::nullopt};

    window->bbOpenConfig->trigger();
    window->bbSaveConfigurationAs->trigger();

    ASSERT_EQ(interaction.dialogs.size(), 2u);
    const FileDialogRequest& saveAs = interaction.dialogs[1];
    EXPECT_EQ(saveAs.title, "Save Configuration");
    EXPECT_EQ(saveAs.folder, programPath());
    EXPECT_EQ(saveAs.fileName, "*.cfg");
    EXPECT_TRUE(saveAs.save && saveAs.confirmOverwrite);
    EXPECT_EQ(current(), before);
    EXPECT_EQ(readFile(inProgram("plant.cfg")), onDisk);
    EXPECT_EQ(QDir(programPath()).entryList({"*.cfg"}), QStringList({"plant.cfg"}));
    ConfigSaved = true;
}

TEST_F(FileCommandsTest, SaveAsMakesTheChosenFileCurrent) {
    startProgramWith("plant.cfg", sample());
    QDir(programPath()).mkdir("archive");
    const QString chosen = programDir.filePath("archive/copy.cfg");
    interaction.files = {chosen};

    window->bbSaveConfigurationAs->trigger();

    EXPECT_EQ(current(), (Current{"copy.cfg", programDir.filePath("archive") + "/", "COPY.CFG",
                                  describe(sample()), true}));
    EXPECT_EQ(section(chosen, "SYSTEM").value("Name"), "Feeder 3");
}

// A save that fails keeps the file that is current, so that the settings
// and a later Save still name the file the configuration came from.
TEST_F(FileCommandsTest, AFailedSaveAsKeepsTheCurrentFile) {
    startProgramWith("plant.cfg", sample());
    ConfigSaved = false;
    const Current before = current();
    interaction.files = {programDir.filePath("no such folder/copy.cfg")};

    window->bbSaveConfigurationAs->trigger();

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(current(), before);
    ConfigSaved = true;
}

class OpenTest : public LocaleCommandsTest {
  protected:
    Current current() const {
        return {Settings.FileName, Settings.Path, window->sbMainPanel(1)->text(), describe(Config),
                ConfigSaved};
    }
};

TEST_P(OpenTest, OpensTheChosenFileAndPollsItsSlave) {
    startProgramWith("plant.cfg", sample());
    ConfigRecord other = sample();
    other.Name = "Feeder 4";
    other.SlaveID = 5;
    other.InpIr = 2.5f;
    QDir(programPath()).mkdir("site");
    const QString chosen = programDir.filePath("site/Other.cfg");
    writeConfigFile(chosen, other);
    ASSERT_EQ(section(chosen, "ENG").value("Ir Input FS"), local("2.5"));
    interaction.files = {chosen};

    window->bbOpenConfig->trigger();

    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_EQ(current(), (Current{"Other.cfg", programDir.filePath("site") + "/", "OTHER.CFG",
                                  describe(other), true}));
    EXPECT_EQ(window->seSlaveID->value(), 5);
    EXPECT_EQ(nextRequest().at(0), 5);
}

// The load stops at a number that does not convert and changes nothing:
// the configuration, its file and the Slave ID stay those of the file
// loaded before, and a Save writes that file, not the one that failed.
TEST_P(OpenTest, ALoadThatStopsAtABadNumberLeavesTheCurrentConfigurationAsItWas) {
    startProgramWith("plant.cfg", sample());
    const QString broken = inProgram("broken.cfg");
    const QByteArray brokenText =
        "[SIGNATURE]\nValue=RVX82A Configuration File. V 1.10\n"
        "[SYSTEM]\nName=Broken\nSlave ID=5\n[ENG]\nIr Input FS=" +
        local("2.5").toUtf8() + "\nIs Input FS=2..5\n";
    writeText(broken, brokenText);
    const Current before = current();
    interaction.files = {broken};

    window->bbOpenConfig->trigger();

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "'2..5' is not a valid floating point value");
    EXPECT_EQ(current(), before);
    EXPECT_EQ(window->seSlaveID->value(), 17);
    EXPECT_TRUE(ConfigCommandsEnabled(*window));

    Config.Name = "Feeder 3, checked";
    window->bbSaveConfiguration->trigger();
    EXPECT_EQ(readFile(broken), brokenText);
    EXPECT_EQ(section(inProgram("plant.cfg"), "SYSTEM").value("Name"), "Feeder 3, checked");
}

KESTRO_POINT_AND_COMMA_LOCALES(OpenTest);

}  // namespace
}  // namespace kestro::test
