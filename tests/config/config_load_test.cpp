// Loading a configuration file: defaults for what is missing, the number
// forms of both locales, and a load that fails changing nothing.

#include <QFile>

#include "tests/config/ConfigFixture.h"

namespace kestro::test {
namespace {

using ReadConfigFileTest = ConfigFixture;

const QByteArray kSignature = "[SIGNATURE]\nValue=RVX82A Configuration File. V 1.10\n";

TEST_P(ReadConfigFileTest, SignatureOnlyGivesTheDefaults) {
    put("lower name 7.cfg", kSignature);
    useFile("lower name 7.cfg");
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(Config.Name, "");
    EXPECT_EQ(Config.FirmwareVersion, "");
    EXPECT_EQ(Config.SlaveID, 1);
    EXPECT_EQ(Config.Baud, 9600);
    for (const auto field : ConfigFloats)
        EXPECT_EQ(Config.*field, 1.0f);
    EXPECT_EQ(Config.CalControl, 0);
    EXPECT_EQ(shownFileNames, std::vector<QString>{"LOWER NAME 7.CFG"});
    EXPECT_EQ(slaveIds, std::vector<int>{1});
    EXPECT_TRUE(ConfigSaved);
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_P(ReadConfigFileTest, ReadsNumbersInTheLocaleForm) {
    put("test.cfg", kSignature + local("[SYSTEM]\nSlave ID=12\nBaud=4800\n"
                                       "[ENG]\nIr Input FS=0.100000001490116\nIs Input FS=1E20\n"
                                       "It Input FS=9E-6\nVr Input FS=-230.5\n"
                                       "Vt Engineering FS=  7.25  \n")
                                     .toUtf8());
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(Config.InpIr, 0.1f);
    EXPECT_EQ(Config.InpIs, 1e20f);
    EXPECT_EQ(Config.InpIt, 9e-6f);
    EXPECT_EQ(Config.InpVr, -230.5f) << "the three voltage inputs share one key";
    EXPECT_EQ(Config.InpVs, -230.5f);
    EXPECT_EQ(Config.InpVt, -230.5f);
    EXPECT_EQ(Config.EngVt, 7.25f);
    EXPECT_EQ(Config.EngVs, 1.0f);
    EXPECT_EQ(Config.SlaveID, 12);
    EXPECT_EQ(Config.Baud, 4800);
    EXPECT_EQ(slaveIds, std::vector<int>{12});
}

TEST_P(ReadConfigFileTest, IntegersThatDoNotConvertTakeTheirDefaultsSilently) {
    put("test.cfg", kSignature + "[SYSTEM]\nSlave ID=twelve\nBaud=\n");
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(Config.SlaveID, 1);
    EXPECT_EQ(Config.Baud, 9600);
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_P(ReadConfigFileTest, FirmwareTextIsCutTo255Characters) {
    const QByteArray text(300, 'F');
    put("test.cfg", kSignature + "[SYSTEM]\nFirmware Version=" + text + "\n");
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(Config.FirmwareVersion, QString(255, 'F'));
}

TEST_P(ReadConfigFileTest, ABadNumberChangesNothingAtAll) {
    const char other = GetParam().separator == '.' ? ',' : '.';
    const std::pair<QByteArray, QString> cases[] = {
        {"[ENG]\nIr Input FS=2\nIs Input FS=abc\n", "abc"},
        {"[CAL]\nVt Calibration Point=\n", ""},
        {"[ENG]\nIr Input FS=1" + QByteArray(1, other) + "5\n", QString("1") + other + "5"},
        {"[ENG]\nIr Engineering FS=1E\n", "1E"},  // cut off mid-number
        {"[ENG]\nVr Input FS=1E39\n", "1E39"},    // beyond a float
    };
    for (const auto& [section, text] : cases) {
        put("other.cfg", kSignature + "[SYSTEM]\nName=New\nSlave ID=9\n" + section);
        useFile("other.cfg");
        Config = sample();
        ConfigSaved = false;
        interaction.messages.clear();

        EXPECT_FALSE(ReadConfigFile()) << section.toStdString();
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(interaction.messages[0].text,
                  "'" + text + "' is not a valid floating point value");
        EXPECT_EQ(interaction.messages[0].kind, MessageKind::Error);
        expectSame(Config, sample());
        EXPECT_FALSE(ConfigSaved);
        EXPECT_TRUE(shownFileNames.empty());
        EXPECT_TRUE(slaveIds.empty());
    }
}

TEST_P(ReadConfigFileTest, DefaultsReplaceEverything) {
    Settings.FileName = "rvx82a untitled-ä.cfg";
    ConfigSaved = true;
    SetDefaultConfig();
    ConfigRecord defaults;
    defaults.SlaveID = 1;
    defaults.Baud = 9600;
    for (const auto field : ConfigFloats)
        defaults.*field = 1.0f;
    expectSame(Config, defaults);
    EXPECT_EQ(shownFileNames, std::vector<QString>{"RVX82A UNTITLED-ä.CFG"});
    EXPECT_EQ(slaveIds, std::vector<int>{1});
    EXPECT_FALSE(ConfigSaved);
    EXPECT_FALSE(QFile::exists(path(Settings.FileName))) << "no file is written";
}

INSTANTIATE_TEST_SUITE_P(Locales, ReadConfigFileTest, ::testing::Values(kPointLocale, kCommaLocale),
                         LocaleName);

}  // namespace
}  // namespace kestro::test
