// Kestro.ini: defaults, the port number taken from the port name, values
// carried unchanged, and the [PORTS] section kept and read.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "config/SettingsFile.h"

namespace kestro {
namespace {

class SettingsFileTest : public ::testing::Test {
  protected:
    QString file() const { return dir_.filePath("Kestro.ini"); }
    void put(const QByteArray& bytes) const {
        QFile out(file());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    QByteArray take() const {
        QFile in(file());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
};

TEST_F(SettingsFileTest, MissingFileGivesTheDefaultsAndIsCreatedWithAllEightKeys) {
    IniRecord settings;
    ReadSettingsFile(file(), settings, "/opt/kestro/");
    EXPECT_EQ(settings.Port.Name, "COM1");
    EXPECT_EQ(settings.Port.PortNumber, 1);
    EXPECT_EQ(settings.Port.Baud, "9600");
    EXPECT_EQ(settings.Port.Data, "8");
    EXPECT_EQ(settings.Port.Stop, "1");
    EXPECT_EQ(settings.Port.Parity, "None");
    EXPECT_EQ(settings.Port.Interface, "RS232");
    EXPECT_EQ(settings.FileName, "RVX82UNTITLED.CFG");
    EXPECT_EQ(settings.Path, "/opt/kestro/");

    ASSERT_TRUE(WriteSettingsFile(file(), settings));
    EXPECT_EQ(take(),
              "[PORT]\nName=COM1\nBaud=9600\nData=8\nStop=1\nParity=None\nInterface=RS232\n\n"
              "[CONFIG]\nFileName=RVX82UNTITLED.CFG\nPath=/opt/kestro/\n");
}

TEST_F(SettingsFileTest, ValuesAreCarriedUnchangedAndOtherSectionsKept) {
    const QByteArray before =
        "[PORT]\r\nName=COM7\r\nBaud=19200\r\nData=7\r\nStop=2\r\nParity=Even\r\n"
        "Interface=RS485\r\n[CONFIG]\r\nFileName=site a.cfg\r\nPath=C:\\Kestro\\\r\n"
        "[PORTS]\r\nCOM7=/dev/ttyUSB0\r\n; the bench adapter\r\ncom20 = /dev/serial/by-id/x\r\n";
    put(before);
    IniRecord settings;
    ReadSettingsFile(file(), settings, "/unused/");
    EXPECT_EQ(settings.Port.Name, "COM7");
    EXPECT_EQ(settings.Port.PortNumber, 7);
    EXPECT_EQ(settings.Port.Baud, "19200");
    EXPECT_EQ(settings.Path, "C:\\Kestro\\");
    ASSERT_TRUE(WriteSettingsFile(file(), settings));
    EXPECT_EQ(take(), before);

    settings.Port.PortNumber = 3;  // a port chosen in the dialog does not change the name
    settings.FileName = "other.cfg";
    ASSERT_TRUE(WriteSettingsFile(file(), settings));
    QByteArray expected = before;
    expected.replace("site a.cfg", "other.cfg");
    EXPECT_EQ(take(), expected);
}

TEST_F(SettingsFileTest, PortNumberIsTheLastCharacterOfTheName) {
    const std::pair<const char*, int> cases[] = {
        {"COM1", 1}, {"COM7", 7}, {"COM12", 2}, {"COM", 1}, {"", 1}, {"COM0", 0}, {"COM٣", 1},
    };
    for (const auto& [name, number] : cases)
        EXPECT_EQ(PortNumberFromName(name), number) << name;
}

TEST_F(SettingsFileTest, PortEntriesNameANumberAndADevice) {
    put("[PORT]\nName=COM1\n[PORTS]\nCOM5=/dev/ttyUSB0\ncom12 = /dev/pts/3\nLPT1=/dev/lp0\n"
        "COM6=\nCOMX=/dev/null\nCOM5=/dev/second\n");
    const std::vector<std::pair<int, QString>> expected = {{5, "/dev/ttyUSB0"}, {12, "/dev/pts/3"}};
    EXPECT_EQ(ReadPortEntries(file()), expected);
    EXPECT_TRUE(ReadPortEntries(dir_.filePath("absent.ini")).empty());
}

TEST_F(SettingsFileTest, AnUnreadableFileGivesDefaultsAndIsNeverOverwritten) {
    {
        QFile huge(file());
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        huge.write("[PORT]\nName=COM4\n");
        ASSERT_TRUE(huge.resize(64 * 1024 * 1024 + 1));
    }
    IniRecord settings;
    QString readError;
    EXPECT_FALSE(ReadSettingsFile(file(), settings, "/p/", &readError));
    EXPECT_TRUE(readError.contains("too large")) << readError.toStdString();
    EXPECT_EQ(settings.Port.Name, "COM1");
    QString error;
    EXPECT_FALSE(WriteSettingsFile(file(), settings, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QFileInfo(file()).size(), 64 * 1024 * 1024 + 1);
}

}  // namespace
}  // namespace kestro
