// Writing: values replaced in place with every other byte kept, new keys
// and sections added where they belong, and values that could break the
// line structure written so that they read back unchanged.

#include "tests/inistore/IniFixture.h"

namespace kestro::test {
namespace {

using IniWrite = IniFixture;

TEST_F(IniWrite, ReplacesInPlaceAndKeepsEverythingElse) {
    const QByteArray before =
        "\xEF\xBB\xBF; written by hand\r\n"
        "[SYSTEM]\r\n"
        "name = Old name\r\n"
        "Extra=kept\r\n"
        "\r\n"
        "[USER]\r\n"
        "Name=not this one\r\n";
    IniStore store = storeOn(before);
    store.WriteString("SYSTEM", "Name", "New name");
    ASSERT_TRUE(store.Close());
    EXPECT_EQ(take(),
              "\xEF\xBB\xBF; written by hand\r\n"
              "[SYSTEM]\r\n"
              "name =New name\r\n"
              "Extra=kept\r\n"
              "\r\n"
              "[USER]\r\n"
              "Name=not this one\r\n");
}

TEST_F(IniWrite, AddsKeysToTheirSectionAndSectionsAtTheEnd) {
    IniStore store = storeOn("[SYSTEM]\nName=A\n\n; next\n[ENG]\nIr Input FS=2");
    store.WriteInteger("SYSTEM", "Baud", 4800);
    store.WriteString("ENG", "Is Input FS", "3");
    store.WriteString("CAL", "Ir Calibration Point", "5");
    ASSERT_TRUE(store.Close());
    EXPECT_EQ(take(),
              "[SYSTEM]\nName=A\nBaud=4800\n\n; next\n[ENG]\nIr Input FS=2\nIs Input FS=3\n"
              "\n[CAL]\nIr Calibration Point=5\n");
}

TEST_F(IniWrite, CreatesAMissingFileInWriteOrder) {
    IniStore store(path("new.cfg"));
    ASSERT_TRUE(store.Open());
    store.WriteString("SIGNATURE", "Value", "sig");
    store.WriteString("SYSTEM", "Name", "");
    store.WriteInteger("SYSTEM", "Slave ID", 3);
    ASSERT_TRUE(store.Close());
    EXPECT_EQ(take("new.cfg"), "[SIGNATURE]\nValue=sig\n\n[SYSTEM]\nName=\nSlave ID=3\n");
}

TEST_F(IniWrite, NothingWrittenWithoutAChange) {
    IniStore store(path("never.ini"));
    ASSERT_TRUE(store.Open());
    EXPECT_TRUE(store.Close());
    EXPECT_FALSE(QFile::exists(path("never.ini")));
}

TEST_F(IniWrite, EveryValueReadsBackAndKeepsOneLinePerKey) {
    const QString values[] = {
        "plain text",
        "C:\\Kestro\\",
        "\\n is not a line break here",
        "first\nsecond",
        "cr\rlf\r\n",
        QString("zero") + QChar(0) + "byte",
        QString(QChar(0)),
        " leading and trailing ",
        "\ttab",
        "\"quoted\"",
        "\"",
        "half \"quoted",
        "\\x41 and \\\"",
        QString("bell") + QChar(7) + QChar(0x7f),
        QString::fromUtf8("Größe °C"),
        "key=value; [section]",
        "",
        QString(QChar(0xFEFF)) + "= a byte-order mark first",
    };
    IniStore store(path());
    ASSERT_TRUE(store.Open());
    for (size_t i = 0; i < std::size(values); ++i)
        store.WriteString("S", QString("K%1").arg(int(i)), values[i]);
    ASSERT_TRUE(store.Close());

    const QByteArray bytes = take();
    EXPECT_EQ(bytes.count('\n'), 1 + std::size(values)) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains('\r'));
    EXPECT_FALSE(bytes.contains('\0'));
    EXPECT_TRUE(bytes.contains("\nK0=plain text\n")) << "plain text is written as it stands";
    EXPECT_TRUE(bytes.contains("\nK1=C:\\Kestro\\\n"));
    EXPECT_TRUE(bytes.contains("\nK11=half \"quoted\n"));

    IniStore again(path());
    ASSERT_TRUE(again.Open());
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(again.ReadString("S", QString("K%1").arg(int(i)), "missing"), values[i]) << i;
    }
}

TEST_F(IniWrite, RewritingAnEscapedValueReplacesItsOneLine) {
    IniStore store(path());
    ASSERT_TRUE(store.Open());
    store.WriteString("S", "A", "x\ny");
    store.WriteString("S", "B", "b");
    ASSERT_TRUE(store.Close());
    ASSERT_TRUE(store.Open());
    store.WriteString("S", "A", "plain");
    ASSERT_TRUE(store.Close());
    EXPECT_EQ(take(), "[S]\nA=plain\nB=b\n");
}

}  // namespace
}  // namespace kestro::test
