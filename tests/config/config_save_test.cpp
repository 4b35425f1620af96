// Saving a configuration file: the layout and number form, the shared
// voltage input key, other content of the file kept, texts that could break
// the line structure, and saves that fail without harm.

#include <QDir>
#include <QFile>
#ifdef Q_OS_UNIX  // a full disk through the file-size limit; the superuser
#include <sys/resource.h>
#include <unistd.h>
#endif
#include <cfloat>
#include <csignal>
#include <functional>

#include "tests/config/ConfigFixture.h"

namespace kestro::test {
namespace {

using WriteConfigFileTest = ConfigFixture;

ConfigRecord layoutRecord() {
    ConfigRecord record;
    record.Name = "Main board";
    record.FirmwareVersion = "V 2.03";
    record.SlaveID = 7;
    record.Baud = 19200;
    const float values[] = {1.0f,  0.1f,    -2.5f,    100, 200,    300,  1 << 20, 0.5f, 0,
                            1e-3f, 0x1p70f, 0x1p-17f, 5,   12.75f, 1e6f, 230,     400,  -0.25f};
    for (size_t i = 0; i < ConfigFloats.size(); ++i)
        record.*ConfigFloats[i] = values[i];
    return record;
}

TEST_P(WriteConfigFileTest, FreshFileHasEveryKeyInOrder) {
    Config = layoutRecord();
    Settings.FileName = "layout.cfg";
    ASSERT_TRUE(WriteConfigFile());
    const QString expected =
        "[SIGNATURE]\nValue=RVX82A Configuration File. V 1.10\n\n"
        "[SYSTEM]\nName=Main board\nFirmware Version=V 2.03\nSlave ID=7\nBaud=19200\n\n"
        "[ENG]\nIr Input FS=1\nIs Input FS=" +
        local("0.100000001490116") + "\nIt Input FS=" + local("-2.5") +
        "\nVr Input FS=300\n"
        "Ir Engineering FS=1048576\nIs Engineering FS=" +
        local("0.5") + "\nIt Engineering FS=0\nVr Engineering FS=" + local("0.00100000004749745") +
        "\nVs Engineering FS=" + local("1.18059162071741E21") +
        "\nVt Engineering FS=" + local("7.62939453125E-6") +
        "\n\n"
        "[CAL]\nIr Calibration Point=5\nIs Calibration Point=" +
        local("12.75") +
        "\nIt Calibration Point=1000000\nVr Calibration Point=230\n"
        "Vs Calibration Point=400\nVt Calibration Point=" +
        local("-0.25") + "\n";
    EXPECT_EQ(QString::fromUtf8(take("layout.cfg")), expected);
    EXPECT_TRUE(ConfigSaved);
    EXPECT_EQ(shownFileNames, std::vector<QString>{"LAYOUT.CFG"});
    EXPECT_TRUE(slaveIds.empty()) << "saving leaves the Slave ID field alone";
}

TEST_P(WriteConfigFileTest, WhatIsSavedLoadsBack) {
    ConfigRecord saved = layoutRecord();
    saved.EngIt = -FLT_MAX;
    saved.CalIr = FLT_MIN;
    saved.CalIs = 3.4e-42f;  // subnormal
    Config = saved;
    ASSERT_TRUE(WriteConfigFile());
    Config = sample();
    ASSERT_TRUE(ReadConfigFile());
    saved.InpVr = saved.InpVs = saved.InpVt;  // one key holds the last of the three
    expectSame(Config, saved);
    EXPECT_EQ(Config.InpVr, 300);
}

TEST_P(WriteConfigFileTest, KeepsTheOtherContentOfTheFile) {
    const QByteArray before =
        "; site notes\r\n"
        "[SIGNATURE]\r\nValue=RVX82A Configuration File. V 1.10\r\n"
        "[SYSTEM]\r\nOperator=Jane Doe\r\nName=Old\r\n"
        "[ENG]\r\nIr Input FS=3\r\nUnit=A\r\n"
        "[NOTES]\r\nText=keep me\r\n";
    put("test.cfg", before);
    Config = layoutRecord();
    ASSERT_TRUE(WriteConfigFile());
    const QByteArray after = take("test.cfg");
    for (const char* kept : {"; site notes\r\n", "\r\nOperator=Jane Doe\r\nName=Main board\r\n",
                             "\r\nIr Input FS=1\r\nUnit=A\r\n", "[NOTES]\r\nText=keep me\r\n"}) {
        EXPECT_TRUE(after.contains(kept)) << kept << "\nin\n" << after.toStdString();
    }
    EXPECT_FALSE(after.contains("Old"));
    EXPECT_EQ(after.count("\r\n"), after.count('\n')) << "the file keeps its line ending";
}

TEST_P(WriteConfigFileTest, FirmwareTextWithZeroBytesAndLineBreaksRoundTrips) {
    Config = layoutRecord();
    Config.FirmwareVersion = QString::fromLatin1(
                                 "RVX\0"
                                 "82A\r\nV2\n",
                                 12) +
                             QChar(0xff);
    Config.Name = " Board\n2 \\n ";
    const ConfigRecord saved = Config;
    ASSERT_TRUE(WriteConfigFile());
    const QByteArray bytes = take("test.cfg");
    // Four sections of 1 + 1, 1 + 4, 1 + 10 and 1 + 6 lines, with blank lines between.
    EXPECT_EQ(bytes.count('\n'), 2 + 1 + 5 + 1 + 11 + 1 + 7) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains('\0'));
    Config = sample();
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(Config.FirmwareVersion, saved.FirmwareVersion);
    EXPECT_EQ(Config.Name, saved.Name);
}

TEST_P(WriteConfigFileTest, FirmwareTextIsSavedAsAtMost255Characters) {
    Config.FirmwareVersion = QString(300, 'x');
    ASSERT_TRUE(WriteConfigFile());
    EXPECT_TRUE(take("test.cfg").contains("Firmware Version=" + QByteArray(255, 'x') + "\n"));
}

TEST_P(WriteConfigFileTest, FailedSavesReportAndKeepEverything) {
    const QByteArray good = "[SIGNATURE]\nValue=RVX82A Configuration File. V 1.10\n";
    put("good.cfg", good);
    ASSERT_TRUE(QDir().mkdir(path("folder.cfg")));
    {
        QFile huge(path("huge.cfg"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(64 * 1024 * 1024 + 1));
    }
#ifdef Q_OS_UNIX
    // A disk that fills up: files cannot grow beyond 64 bytes during the save.
    const auto fullDisk = [] {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = WriteConfigFile();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        return saved;
    };
#endif
    const struct {
        QString folder;
        QString file;
        std::function<bool()> save;
    } cases[] = {
        {folder(), "folder.cfg", WriteConfigFile},
#ifdef Q_OS_UNIX
        {folder(), "good.cfg", fullDisk},
#endif
        {folder(), "huge.cfg", WriteConfigFile},
        {folder() + "missing/", "new.cfg", WriteConfigFile},
    };
    for (const auto& c : cases) {
        Settings.Path = c.folder;
        Settings.FileName = c.file;
        Config = layoutRecord();
        ConfigSaved = false;
        interaction.messages.clear();

        EXPECT_FALSE(c.save()) << c.file.toStdString();
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(interaction.messages[0].kind, MessageKind::Error);
        EXPECT_TRUE(interaction.messages[0].text.contains(c.folder + c.file))
            << interaction.messages[0].text.toStdString();
        EXPECT_FALSE(ConfigSaved);
        EXPECT_TRUE(shownFileNames.empty());
    }
    EXPECT_EQ(take("good.cfg"), good);
    EXPECT_EQ(QFileInfo(path("huge.cfg")).size(), 64 * 1024 * 1024 + 1);
    EXPECT_TRUE(QFileInfo(path("folder.cfg")).isDir());
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"good.cfg", "huge.cfg"}))
        << "no temporary file left behind";
}

#ifdef Q_OS_UNIX  // folder permissions
TEST_P(WriteConfigFileTest, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into read-only folders";
    const QByteArray good = "[SIGNATURE]\nValue=RVX82A Configuration File. V 1.10\n";
    put("test.cfg", good);
    QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner);
    const bool saved = WriteConfigFile();
    QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(saved);
    EXPECT_EQ(interaction.messages.size(), 1u);
    EXPECT_FALSE(ConfigSaved);
    EXPECT_EQ(take("test.cfg"), good);
}
#endif

INSTANTIATE_TEST_SUITE_P(Locales, WriteConfigFileTest,
                         ::testing::Values(kPointLocale, kCommaLocale), LocaleName);

}  // namespace
}  // namespace kestro::test
