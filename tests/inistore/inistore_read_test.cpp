// Reading: names with blanks in any letter case, defaults for what is
// missing, integers, and the line forms the store meets in the field.

#include "tests/inistore/IniFixture.h"

namespace kestro::test {
namespace {

using IniRead = IniFixture;

const QByteArray kFile =
    "; Kestro configuration\n"
    "[SIGNATURE]\n"
    "Value=RVX82A Configuration File. V 1.10\n"
    "\n"
    "[SYSTEM]\n"
    "  Firmware Version  =  V 2.03  \n"
    "Name=\n"
    "# Slave ID=99\n"
    "Slave ID=7\n"
    "Slave ID=8\n"
    "Path=C:\\Program Files\\Kestro\\\n"
    "Quoted=\"a\\nb\"\n";

TEST_F(IniRead, FindsNamesWithBlanksInAnyCase) {
    const IniStore store = storeOn(kFile);
    EXPECT_EQ(store.ReadString("SIGNATURE", "Value", ""), "RVX82A Configuration File. V 1.10");
    EXPECT_EQ(store.ReadString("signature", "VALUE", ""), "RVX82A Configuration File. V 1.10");
    EXPECT_EQ(store.ReadString("System", "firmware version", "-"), "V 2.03");
    EXPECT_EQ(store.ReadInteger("SYSTEM", "slave id", 1), 7) << "comment skipped, first entry wins";
}

TEST_F(IniRead, MissingKeysGiveTheDefault) {
    const IniStore store = storeOn(kFile);
    EXPECT_EQ(store.ReadString("SYSTEM", "Baud", "9600"), "9600");
    EXPECT_EQ(store.ReadString("ENG", "Ir Input FS", "1.0"), "1.0");
    EXPECT_EQ(store.ReadString("SYSTEM", "Name", "x"), "") << "present but empty is not missing";
    EXPECT_EQ(store.ReadString("SIGNATURE", "Name", "x"), "x") << "keys belong to their section";
}

TEST_F(IniRead, PlainValuesKeepBackslashesQuotedOnesAreUnescaped) {
    const IniStore store = storeOn(kFile);
    EXPECT_EQ(store.ReadString("SYSTEM", "Path", ""), "C:\\Program Files\\Kestro\\");
    EXPECT_EQ(store.ReadString("SYSTEM", "Quoted", ""), "a\nb");
}

TEST_F(IniRead, IntegersOnlyFromDecimalText) {
    const std::pair<const char*, int32_t> cases[] = {
        {"12", 12},
        {" -7 ", -7},
        {"+5", 5},
        {"", 99},
        {"12a", 99},
        {"1.5", 99},
        {"0x10", 99},
        {"- 3", 99},
        {"2147483647", 2147483647},
        {"2147483648", 99},
        {"-2147483648", INT32_MIN},
        {"99999999999999999999", 99},
        {"-", 99},
    };
    for (const auto& [text, value] : cases) {
        const IniStore store = storeOn(QByteArray("[SYSTEM]\nBaud=") + text + "\n");
        EXPECT_EQ(store.ReadInteger("SYSTEM", "Baud", 99), value) << '"' << text << '"';
    }
    EXPECT_EQ(storeOn("").ReadInteger("SYSTEM", "Baud", 9600), 9600);
}

TEST_F(IniRead, LineEndingsMarkAndTruncationReadAlike) {
    const QByteArray forms[] = {
        "[SYSTEM]\nName=Board 1\nBaud=4800\n", "[SYSTEM]\r\nName=Board 1\r\nBaud=4800\r\n",
        "\xEF\xBB\xBF[SYSTEM]\r\nName=Board 1\r\nBaud=4800",
        "[SYSTEM]\nName=Board 1\r\nBaud=4800",  // mixed, cut off before the line end
    };
    for (const QByteArray& bytes : forms) {
        const IniStore store = storeOn(bytes);
        EXPECT_EQ(store.ReadString("SYSTEM", "Name", ""), "Board 1") << bytes.toStdString();
        EXPECT_EQ(store.ReadInteger("SYSTEM", "Baud", 0), 4800) << bytes.toStdString();
    }
}

TEST_F(IniRead, EightBitTextReadsAsLatin1) {
    const IniStore store = storeOn(
        "[SYSTEM]\nName=Gr\xF6\xDF"
        "e\nOther=Gr\xC3\xB6\xC3\x9F"
        "e\n");
    EXPECT_EQ(store.ReadString("SYSTEM", "Name", ""), QString::fromUtf8("Größe"));
    EXPECT_EQ(store.ReadString("SYSTEM", "Other", ""), QString::fromUtf8("Größe"));
}

TEST_F(IniRead, SectionEntriesInFileOrder) {
    const IniStore store =
        storeOn("[PORT]\nName=COM1\n[PORTS]\nCOM5=/dev/ttyUSB0\ncom7 = /dev/pts/3\nCOM5=x\n");
    const std::vector<std::pair<QString, QString>> expected = {{"COM5", "/dev/ttyUSB0"},
                                                               {"com7", "/dev/pts/3"}};
    EXPECT_EQ(store.ReadSection("ports"), expected);
    EXPECT_TRUE(store.ReadSection("CONFIG").empty());
}

}  // namespace
}  // namespace kestro::test
