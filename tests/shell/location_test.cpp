// Where Kestro.ini lives: the program's folder, or the user's folder when
// the program's folder cannot be written.
#include <QFile>
#include <QTemporaryDir>

#include "config/Configuration.h"
#include "shell/SettingsLocation.h"
#include "tests/shell/Capabilities.h"
#include "tests/shell/ShellFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

void MakeReadOnly(const QDir& folder, bool readOnly) {
    QFile::setPermissions(
        folder.path(), readOnly
                           ? QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                           : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class LocationTest : public ShellTest {
  protected:
    void TearDown() override {
        ShellTest::TearDown();
        MakeReadOnly(programDir, false);
        MakeReadOnly(userConfigDir, false);
    }
    QString userFolder() const { return FolderWithSeparator(userConfigDir.filePath("Kestro")); }
    QString userIni() const { return userFolder() + "Kestro.ini"; }
};

}  // namespace

TEST_F(LocationTest, AWritableProgramFolderHoldsTheSettings) {
    start({PressOk()});
    EXPECT_EQ(window->settingsLocation().writeFile, iniFile());
    EXPECT_TRUE(QFile::exists(iniFile()));
    EXPECT_FALSE(QFile::exists(userIni()));
    EXPECT_EQ(Settings.Path, programPath());
}

TEST_F(LocationTest, AReadOnlyProgramFolderMovesSettingsAndConfigurationsToTheUsersFolder) {
    MakeReadOnly(programDir, true);
    WithoutFileOverrides asUser;
    start({PressOk()});

    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_FALSE(QFile::exists(iniFile()));
    ASSERT_TRUE(QFile::exists(userIni()));
    EXPECT_EQ(section(userIni(), "CONFIG").value("Path"), userFolder());
    EXPECT_EQ(Settings.Path, userFolder());
    // A new configuration saved under its default name lands there.
    Settings.FileName = "RVX82AUNTITLED.CFG";
    SetDefaultConfig();
    window->SaveConfig();
    EXPECT_TRUE(QFile::exists(userFolder() + "RVX82AUNTITLED.CFG"));
    EXPECT_TRUE(ConfigSaved);
}

TEST_F(LocationTest, ASystemWideSettingsFileBecomesTheUsersFirstSettings) {
    writeIni(programDir.path(), "[PORT]\nBaud=19200\n[PORTS]\nCOM2=/dev/ttyUSB0\n");
    MakeReadOnly(programDir, true);
    WithoutFileOverrides asUser;
    start({PressOk()});

    EXPECT_EQ(Settings.Port.Baud, "19200");
    EXPECT_EQ(section(userIni(), "PORT").value("Baud"), "19200");
    EXPECT_EQ(section(userIni(), "PORTS").value("COM2"), "/dev/ttyUSB0");
}

TEST_F(LocationTest, NoWritableFolderIsSaidOnceAndTheProgramGoesOn) {
    MakeReadOnly(programDir, true);
    MakeReadOnly(userConfigDir, true);
    WithoutFileOverrides asUser;
    start({PressOk()});

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].kind, MessageKind::Warning);
    EXPECT_TRUE(interaction.messages[0].text.startsWith("The settings cannot be saved"));
    EXPECT_TRUE(window->tmrPoll->enabled());
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM1,9600,N,8,1");
    reselect(PressOk("COM3"));
    close();
    EXPECT_EQ(interaction.messages.size(), 1u);
    EXPECT_FALSE(QFile::exists(iniFile()));
    EXPECT_FALSE(QFile::exists(userIni()));
}

TEST(SystemInstallTest, SettingsOfAProgramUnderUsrGoToTheUsersFolderEvenForRoot) {
    QTemporaryDir home;
    const SettingsLocation location = [&] {
        EnvScope xdgConfig("XDG_CONFIG_HOME", home.path().toUtf8());
        return LocateSettings("/usr/bin");
    }();
    const QString user = FolderWithSeparator(QDir(home.path()).filePath("Kestro"));
    EXPECT_EQ(location.writeFile, user + "Kestro.ini");
    EXPECT_EQ(location.defaultPath, user);
}
