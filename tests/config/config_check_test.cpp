// Which files count as configuration files: the exact signature, and files
// of every odd form that must give the message or load, never harm.

#include <QDir>
#include <QFile>
#include <random>

#include "tests/config/ConfigFixture.h"

namespace kestro::test {
namespace {

using CheckConfigFileTest = ConfigFixture;

const QByteArray kSignatureLine = "Value=RVX82A Configuration File. V 1.10";

TEST_P(CheckConfigFileTest, MissingFileOrFolderIsNoFileAndSilent) {
    EXPECT_EQ(CheckConfigFile(path("absent.cfg")), 1);
    EXPECT_EQ(CheckConfigFile(path("no/such/folder/a.cfg")), 1);
    ASSERT_TRUE(QDir().mkdir(path("folder.cfg")));
    EXPECT_EQ(CheckConfigFile(path("folder.cfg")), 1);
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_P(CheckConfigFileTest, ValidInEveryLineForm) {
    const QByteArray forms[] = {
        "[SIGNATURE]\n" + kSignatureLine + "\n",
        "[SIGNATURE]\r\n" + kSignatureLine + "\r\n[SYSTEM]\r\nName=x\r\n",
        "\xEF\xBB\xBF[SIGNATURE]\r\n" + kSignatureLine,
        "; by hand\n[signature]\nvalue = RVX82A Configuration File. V 1.10 \n",
    };
    for (const QByteArray& bytes : forms) {
        put("test.cfg", bytes);
        EXPECT_EQ(CheckConfigFile(path("test.cfg")), 0) << bytes.toStdString();
    }
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_P(CheckConfigFileTest, AnythingElseIsNotValidWithTheMessage) {
    std::mt19937 random(11);
    QByteArray binary;
    for (int i = 0; i < 32 * 1024; ++i)
        binary += static_cast<char>(random());
    const QByteArray contents[] = {
        "[SIGNATURE]\nValue=rvx82a configuration file. v 1.10\n",  // letter case differs
        "[SIGNATURE]\nValue=RVX82A Configuration File. V 1.1\n",
        "[SIGNATURE]\nValue=RVX82A Configurat",  // cut off mid-line
        "[SYSTEM]\n" + kSignatureLine + "\n",    // key in the wrong section
        "[SIGNATURE]\nName=x\n",
        "",
        binary,
        QByteArray("[SIG\0NATURE]\n", 13) + kSignatureLine,
    };
    for (const QByteArray& bytes : contents) {
        put("My file.cfg", bytes);
        interaction.messages.clear();
        EXPECT_EQ(CheckConfigFile(path("My file.cfg")), -1) << bytes.left(40).toStdString();
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(interaction.messages[0].text, "My file.cfg is not a valid configuration file");
        EXPECT_EQ(interaction.messages[0].kind, MessageKind::Error);
        EXPECT_EQ(interaction.messages[0].buttons, Buttons::Ok);
    }
    expectSame(Config, sample());
}

// Far beyond anything Kestro writes: refused for its size, and said so.
TEST_P(CheckConfigFileTest, HugeFileIsRefusedAsTooLarge) {
    {
        QFile huge(path("huge.cfg"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        huge.write("[SIGNATURE]\n" + kSignatureLine + "\n");
        ASSERT_TRUE(huge.resize(64 * 1024 * 1024 + 1));
    }
    EXPECT_EQ(CheckConfigFile(path("huge.cfg")), -1);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text,
              "huge.cfg is too large to be a configuration file (over 64 MiB).");

    useFile("huge.cfg");
    EXPECT_FALSE(ReadConfigFile()) << "a file that cannot be read never loads";
    expectSame(Config, sample());
    EXPECT_FALSE(ConfigSaved);
}

TEST_P(CheckConfigFileTest, EachCheckAndLoadReadsTheFileItIsGiven) {
    put("first.cfg", "[SIGNATURE]\n" + kSignatureLine + "\n[SYSTEM]\nName=First\n");
    put("second.cfg", "[SIGNATURE]\n" + kSignatureLine + "\n[SYSTEM]\nName=Second\n");
    for (const QString name : {"first.cfg", "second.cfg"}) {
        ASSERT_EQ(CheckConfigFile(path(name)), 0);
        useFile(name);
        ASSERT_TRUE(ReadConfigFile());
    }
    EXPECT_EQ(Config.Name, "Second");
}

INSTANTIATE_TEST_SUITE_P(Locales, CheckConfigFileTest,
                         ::testing::Values(kPointLocale, kCommaLocale), LocaleName);

}  // namespace
}  // namespace kestro::test
