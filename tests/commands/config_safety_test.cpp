// Ways a configuration could be lost or changed without the user knowing:
// a file that fails to load at start, a Download of changed values, a
// calibration point typed with the other decimal separator, a file the user
// may not write, files of every size Kestro writes, and keys typed while a
// command waits.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#ifdef Q_OS_UNIX  // file owners and modes, and an ordinary user to run as
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "device/DeviceCommands.h"
#include "modbus/Driver_Modbus.h"
#include "tests/commands/CommandsFixture.h"

namespace kestro::test {
namespace {

const QString kPrompt = "Current configuration not saved. Save ?";

#ifdef Q_OS_UNIX
// Runs `check` as an ordinary user: in a child process that has dropped to
// "nobody" when the tests run as root (who may write any file), in this
// process otherwise. The child's exit code is its result; 0 means passed.
// Empty result: no ordinary user to become.
std::optional<int> AsOrdinaryUser(const std::function<int()>& check) {
    if (::geteuid() != 0)
        return check();
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        return std::nullopt;
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(100);
        ::_exit(check());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 99;
    return WEXITSTATUS(status);
}
#endif

class ConfigSafetyTest : public CommandsTest {
  protected:
    ConfigSafetyTest() { model.setAddress(sample().SlaveID); }
    void SetUp() override {
        CommandsTest::SetUp();
        NameEdited = false;  // as at program start
    }
};

TEST_F(ConfigSafetyTest, ALastConfigurationThatFailsToLoadCannotBeSavedOver) {
    writeConfigFile(inProgram("plant.cfg"), sample());
    QByteArray text = readFile(inProgram("plant.cfg"));
    ASSERT_TRUE(text.contains("Is Input FS=2.5"));
    text.replace("Is Input FS=2.5", "Is Input FS=abc");
    writeText(inProgram("plant.cfg"), text);
    writeIni(programDir.path(),
             "[CONFIG]\nFileName=plant.cfg\nPath=" + programPath().toUtf8() + "\n");

    startProgram();

    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "'abc' is not a valid floating point value");
    EXPECT_FALSE(window->bbSaveConfiguration->isEnabled());
    EXPECT_FALSE(window->bbSaveConfigurationAs->isEnabled());
    EXPECT_FALSE(window->siConfiguration->menuAction()->isEnabled());
    close();
    EXPECT_EQ(readFile(inProgram("plant.cfg")), text);
}

TEST_F(ConfigSafetyTest, ADownloadOfChangedValuesLeavesThemUnsaved) {
    startProgramWith("plant.cfg", sample());
    bool savedAfterUnchanged = false;
    bool savedAfterChanged = true;
    // The sample's 19200 baud is asked about at each download.
    interaction.answers = {Answer::Yes, Answer::Yes};
    whileShown(*window->bbEditConfig, *eng, [&] {
        // The record as loaded: nothing to save.
        eng->findChild<QPushButton*>("btnDownload")->click();
        savedAfterUnchanged = ConfigSaved;
        eng->findChild<QPushButton*>("btnStatClose")->click();
        // Ir input FS from 1.5 to 5, the name untouched.
        eng->findChild<QLineEdit*>("meInpIr")->setText("5");
        eng->findChild<QPushButton*>("btnDownload")->click();
        EXPECT_EQ(eng->findChild<QLabel*>("lblStatus")->text(), "Configuration downloaded.");
        savedAfterChanged = ConfigSaved;
        eng->findChild<QPushButton*>("btnStatClose")->click();
        eng->findChild<QPushButton*>("btnClose")->click();
    });
    EXPECT_TRUE(savedAfterUnchanged);
    EXPECT_FALSE(savedAfterChanged);

    interaction.answers = {Answer::No};
    close();
    ASSERT_FALSE(interaction.messages.empty());
    EXPECT_EQ(interaction.messages.back().text, kPrompt);
}

// Typing while a command waits must not reach a field: before, the focus
// fell from the disabled button to the name, whose text a key replaced.
TEST_F(ConfigSafetyTest, KeysTypedWhileACommandWaitsChangeNoField) {
    startProgramWith("plant.cfg", sample());
    activate();
    QWidget* focusWhileWaiting = nullptr;
    QString nameAfterwards;
    const auto wait = CommandHost.WaitForEngine;
    CommandHost.WaitForEngine = [&] {
        focusWhileWaiting = eng->focusWidget();
        if (focusWhileWaiting)
            QTest::keyClicks(focusWhileWaiting, "x");
        wait();
    };
    interaction.answers = {Answer::Yes};  // the sample's 19200 baud
    whileShown(*window->bbEditConfig, *eng, [&] {
        auto* download = eng->findChild<QPushButton*>("btnDownload");
        download->setFocus();
        QTest::keyClick(download, Qt::Key_Space);
        nameAfterwards = eng->findChild<QLineEdit*>("edConfigName")->text();
        eng->findChild<QPushButton*>("btnStatClose")->click();
        eng->findChild<QPushButton*>("btnClose")->click();
    });
    ASSERT_NE(focusWhileWaiting, nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit*>(focusWhileWaiting), nullptr)
        << focusWhileWaiting->objectName().toStdString();
    EXPECT_EQ(qobject_cast<QAbstractSpinBox*>(focusWhileWaiting), nullptr)
        << focusWhileWaiting->objectName().toStdString();
    EXPECT_EQ(nameAfterwards, sample().Name);
}

#ifdef Q_OS_UNIX  // Unix owners and modes
TEST_F(ConfigSafetyTest, ATargetTheUserMayNotWriteIsRefusedAndStaysAsItWas) {
    // A folder an ordinary user may write, holding a file of mode 0444.
    QFile::setPermissions(temp.path(),
                          QFile::permissions(temp.path()) | QFile::ExeOther | QFile::ReadOther);
    const QString folder = temp.filePath("shared");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    const QString path = folder + "/plant.cfg";
    writeConfigFile(path, sample());
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const QByteArray before = readFile(path);

    Settings.Path = folder + "/";
    Settings.FileName = "plant.cfg";
    Config = sample();
    Config.Name = "changed";
    const std::optional<int> result = AsOrdinaryUser([&] {
        if (WriteConfigFile())
            return 1;
        if (interaction.messages.empty() ||
            !interaction.messages.back().text.startsWith("The configuration could not be saved"))
            return 2;
        return 0;
    });
    if (!result)
        GTEST_SKIP() << "no ordinary user to run as";
    EXPECT_EQ(*result, 0) << "1: saved over a read-only file; 2: no write error shown";
    EXPECT_EQ(readFile(path), before);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST_F(ConfigSafetyTest, ASaveKeepsTheFilesOwnerAndMode) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another owner";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const QString path = temp.filePath("plant.cfg");
    writeConfigFile(path, sample());
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::chown(name.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(name.constData(), 0640), 0);

    Settings.Path = temp.path() + "/";
    Settings.FileName = "plant.cfg";
    Config = sample();
    Config.Name = "changed";
    ASSERT_TRUE(WriteConfigFile());

    struct stat info {};
    ASSERT_EQ(::stat(name.constData(), &info), 0);
    EXPECT_EQ(info.st_uid, nobody->pw_uid);
    EXPECT_EQ(info.st_gid, nobody->pw_gid);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(readFile(path).contains("Name=changed"));
}
#endif

// Kestro reads every file it writes: a name of two million characters is
// saved and loaded back. Only what is absurdly large is refused, and then
// for its size.
TEST_F(ConfigSafetyTest, LargeFilesAreReadAndOnlyAbsurdOnesRefusedForTheirSize) {
    startProgram();
    ConfigRecord large = sample();
    large.Name = QString(2 * 1024 * 1024, 'n');
    writeConfigFile(inProgram("large.cfg"), large);
    ASSERT_GT(QFileInfo(inProgram("large.cfg")).size(), 2 * 1024 * 1024);

    interaction.files = {inProgram("large.cfg")};
    window->bbOpenConfig->trigger();
    EXPECT_TRUE(interaction.messages.empty()) << interaction.messages[0].text.toStdString();
    EXPECT_EQ(Config.Name.size(), large.Name.size());
    EXPECT_EQ(Settings.FileName, "large.cfg");

    QFile huge(inProgram("huge.cfg"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write("[SIGNATURE]\nValue=RVX82A Configuration File. V 1.10\n");
    ASSERT_TRUE(huge.resize(64 * 1024 * 1024 + 1));  // sparse: costs no disk
    huge.close();
    interaction.files = {inProgram("huge.cfg")};
    window->bbOpenConfig->trigger();
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text,
              "huge.cfg is too large to be a configuration file (over 64 MiB).");
    EXPECT_EQ(Settings.FileName, "large.cfg");
}

TEST_F(ConfigSafetyTest, AKestroIniTooLargeToReadIsSaidAtStart) {
    writeIni(programDir.path(), "[PORTS]\nCOM1=/dev/null\n");
    QFile ini(iniFile());
    ASSERT_TRUE(ini.open(QIODevice::ReadWrite));
    ASSERT_TRUE(ini.resize(64 * 1024 * 1024 + 1));
    ini.close();

    startProgram();

    ASSERT_FALSE(interaction.messages.empty());
    const QString said = interaction.messages[0].text;
    EXPECT_TRUE(
        said.startsWith("The settings cannot be read (" + QDir::toNativeSeparators(iniFile())))
        << said.toStdString();
    EXPECT_TRUE(said.contains("too large")) << said.toStdString();
    EXPECT_TRUE(said.contains("[PORTS]")) << said.toStdString();
    close();
    // Said once: the settings not being saved is part of it.
    EXPECT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(QFileInfo(iniFile()).size(), 64 * 1024 * 1024 + 1);
}

// A point typed into a calibration field stays as typed: one the locale
// reads is taken, the other is refused with the conversion message, and
// nothing reaches the analyzer.
class CalibrationSeparatorTest : public LocaleCommandsTest {
  protected:
    CalibrationSeparatorTest() { model.setAddress(sample().SlaveID); }
};

TEST_P(CalibrationSeparatorTest, ASeparatorIsNeverDroppedFromACalibrationPoint) {
    startProgramWith("plant.cfg", sample());
    window->EnterFullMode();
    const QChar own = QLocale().decimalPoint().at(0);
    const QString foreign = own == '.' ? "1,5" : "1.5";
    const QString local = QString("1") + own + "5";
    QString shownForeign, shownLocal;
    const size_t writesBefore = writes().size();
    whileShown(*window->bbEditCalibration, *cal, [&] {
        auto* field = cal->findChild<QLineEdit*>("meCalIs");
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, foreign);
        shownForeign = field->text();
        interaction.answers = {Answer::Yes};
        cal->findChild<QPushButton*>("btnCal")->click();

        field->selectAll();
        QTest::keyClicks(field, local);
        shownLocal = field->text();
        interaction.answers = {Answer::Yes};
        cal->findChild<QPushButton*>("btnCal")->click();
        cal->findChild<QPushButton*>("btnStatClose")->click();
        cal->findChild<QPushButton*>("btnClose")->click();
    });
    EXPECT_EQ(shownForeign, foreign);
    EXPECT_EQ(shownLocal, local);
    std::vector<QString> texts;
    for (const ShownMessage& m : interaction.messages)
        texts.push_back(m.text);
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        "'" + foreign + "' is not a valid floating point value"),
              texts.end());
    // One calibration only, the one with 1.5 A.
    ASSERT_EQ(writes().size(), writesBefore + 1);
    EXPECT_EQ(Config.CalIs, 1.5f);
}

KESTRO_POINT_AND_COMMA_LOCALES(CalibrationSeparatorTest);

}  // namespace
}  // namespace kestro::test
