// Files the store must survive, and saves that fail: the old file stays
// whole, the caller hears of the failure, and no file is held open.

#include <QDir>
#include <QFile>
#ifdef Q_OS_UNIX  // a pipe; a full disk through the file-size limit; the superuser
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <csignal>
#include <random>

#include "platform/FileReplace.h"
#include "tests/inistore/IniFixture.h"

namespace kestro::test {
namespace {

using IniFiles = IniFixture;

const QByteArray kGood = "[SYSTEM]\nName=Board\nBaud=4800\n";

TEST_F(IniFiles, OddContentReadsWithoutHarm) {
    std::mt19937 random(7);
    QByteArray binary;
    for (int i = 0; i < 64 * 1024; ++i)
        binary += static_cast<char>(random());
    const QByteArray contents[] = {
        "",
        binary,
        QByteArray(200 * 1024, '\n'),
        QByteArray(200 * 1024, '['),
        QByteArray(200 * 1024, '='),
        QByteArray("[SYSTEM]\nName=Boa"),
        QByteArray("[SYSTEM\nName=x\n"),
        QByteArray("\xEF\xBB"),
    };
    for (const QByteArray& bytes : contents) {
        IniStore store = storeOn(bytes);
        EXPECT_EQ(store.ReadInteger("SYSTEM", "Baud", 9600), 9600);
        store.WriteString("SYSTEM", "Baud", "2400");
        ASSERT_TRUE(store.Close());
        ASSERT_TRUE(store.Open());
        EXPECT_EQ(store.ReadInteger("SYSTEM", "Baud", 0), 2400) << bytes.left(20).toStdString();
    }
}

TEST_F(IniFiles, TooLargeOrNotAFileIsUnreadableAndNeverOverwritten) {
    {
        QFile huge(path("huge.ini"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.write(kGood) == kGood.size() && huge.resize(64 * 1024 * 1024 + 1));
    }
    ASSERT_TRUE(QDir().mkdir(path("folder.ini")));
    QStringList names = {"huge.ini", "folder.ini"};
#ifdef Q_OS_UNIX
    ASSERT_EQ(mkfifo(path("fifo.ini").toLocal8Bit().constData(), 0600), 0);
    names << "fifo.ini";
#endif
    for (const QString& name : names) {
        IniStore store(path(name));
        EXPECT_FALSE(store.Open()) << name.toStdString();
        EXPECT_FALSE(store.ErrorString().isEmpty());
        EXPECT_EQ(store.ReadString("SYSTEM", "Name", "default"), "default");
        store.WriteString("SYSTEM", "Name", "x");
        EXPECT_FALSE(store.Close()) << name.toStdString();
    }
    EXPECT_EQ(QFileInfo(path("huge.ini")).size(), 64 * 1024 * 1024 + 1);
    EXPECT_TRUE(QFileInfo(path("folder.ini")).isDir());
}

#ifdef Q_OS_UNIX  // the file-size limit
TEST_F(IniFiles, AFailedWriteLeavesTheOldFileWhole) {
    IniStore store = storeOn(kGood);
    store.WriteString("SYSTEM", "Name", QString(4096, 'x'));
    // A disk that fills up: writes beyond 1 kB fail.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = store.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(store.ErrorString().isEmpty());
    EXPECT_EQ(take(), kGood);
    EXPECT_EQ(entries(), QStringList{"test.ini"}) << "no temporary file left behind";
}
#endif

// A save killed before its rename leaves its file of the saving name; the
// next save of the target takes that place again and leaves nothing.
TEST_F(IniFiles, WhatACutSaveLeftIsClearedByTheNextSave) {
    put("[SYSTEM]\nName=Bo", "test.ini" + SavingSuffix);
    IniStore store = storeOn(kGood);
    store.WriteInteger("SYSTEM", "Baud", 1200);
    ASSERT_TRUE(store.Close()) << store.ErrorString().toStdString();
    EXPECT_EQ(entries(), QStringList{"test.ini"});
    EXPECT_TRUE(take().contains("Baud=1200"));
}

#ifdef Q_OS_UNIX  // symbolic links and permissions
// Someone else's link in the saving place must not carry the save elsewhere.
TEST_F(IniFiles, ALinkInTheSavingPlaceIsNotFollowed) {
    put("precious", "other.txt");
    ASSERT_TRUE(QFile::link(path("other.txt"), path("test.ini" + SavingSuffix)));
    IniStore store = storeOn(kGood);
    store.WriteInteger("SYSTEM", "Baud", 1200);
    ASSERT_TRUE(store.Close()) << store.ErrorString().toStdString();
    EXPECT_EQ(take("other.txt"), "precious");
    EXPECT_EQ((QStringList{"other.txt", "test.ini"}), entries());
    EXPECT_TRUE(take().contains("Baud=1200"));
}

// A saved file keeps its permissions, and a file reached through a link is
// saved where the link points, the link staying a link.
TEST_F(IniFiles, ASaveKeepsPermissionsAndLinks) {
    put(kGood, "real.ini");
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path("real.ini"), mode));
    ASSERT_TRUE(QFile::link(path("real.ini"), path("link.ini")));
    IniStore store(path("link.ini"));
    ASSERT_TRUE(store.Open());
    store.WriteInteger("SYSTEM", "Baud", 1200);
    ASSERT_TRUE(store.Close()) << store.ErrorString().toStdString();
    EXPECT_TRUE(QFileInfo(path("link.ini")).isSymLink());
    EXPECT_TRUE(take("real.ini").contains("Baud=1200"));
    // Owner, group and others; the "user" flags depend on who runs the test.
    EXPECT_EQ(int(QFileInfo(path("real.ini")).permissions() & 0x7077), int(mode));
    EXPECT_EQ((QStringList{"link.ini", "real.ini"}), entries());
}
#endif

TEST_F(IniFiles, AFolderThatCannotBeWrittenReportsTheError) {
    IniStore store(path("missing/folder/test.ini"));
    ASSERT_TRUE(store.Open());
    store.WriteInteger("SYSTEM", "Baud", 1);
    EXPECT_FALSE(store.Close());
    EXPECT_FALSE(store.ErrorString().isEmpty());

#ifdef Q_OS_UNIX
    if (geteuid() != 0) {  // the superuser writes into read-only folders
        put(kGood);
        QFile::setPermissions(path(""), QFile::ReadOwner | QFile::ExeOwner);
        IniStore locked = storeOn(kGood);
        locked.WriteInteger("SYSTEM", "Baud", 1);
        EXPECT_FALSE(locked.Close());
        QFile::setPermissions(path(""), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(take(), kGood);
    }
#endif
}

TEST_F(IniFiles, StoreWithoutOpenNeverWrites) {
    put(kGood);
    IniStore store(path());
    store.WriteString("SYSTEM", "Name", "x");
    EXPECT_FALSE(store.Close());
    EXPECT_EQ(take(), kGood);
}

#ifdef Q_OS_UNIX  // the open files in /proc
TEST_F(IniFiles, NoFileHeldOpenBetweenOperations) {
    IniStore store = storeOn(kGood);
    store.WriteInteger("SYSTEM", "Baud", 1200);
    const QString target = QFileInfo(path()).canonicalFilePath();
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files)) {
        EXPECT_NE(fd.symLinkTarget(), target);
    }
    ASSERT_TRUE(store.Close());
    EXPECT_TRUE(take().contains("Baud=1200"));
}
#endif

}  // namespace
}  // namespace kestro::test
