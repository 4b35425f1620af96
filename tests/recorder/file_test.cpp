// The recording on disk: rows that survive a SIGKILL whole, and a write
// failure that stops the recording, tells the user and keeps the rows.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#ifdef Q_OS_UNIX  // a killed child process; a full disk through the file-size limit
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <QLabel>
#include <QTemporaryDir>
#include <csignal>
#include <string>
#include <vector>

#include "platform/DurableFile.h"
#include "tests/support/ScriptedInteraction.h"
#include "tools/recorder/RecordingControl.h"

namespace kestro::test {
namespace {

#ifdef Q_OS_UNIX  // what follows kills a child process and limits file sizes
const char kHeaderStart[] = "Time,Ir [A],";

ReadingSnapshot reading(int64_t ms) {
    std::vector<uint16_t> registers(44, 0);
    registers[0] = 0x4088;   // Ir 4.25
    registers[18] = 0x4248;  // F 50
    return DecodeReadings(registers.data(), false, TimeStamp{ms, 3600});
}

std::string contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// The lines of a file that must end with a line end; false when it ends
// inside a line.
bool wholeLines(const std::string& text, std::vector<std::string>& lines) {
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return start == text.size();
}

int fields(const std::string& line) {
    int n = 1;
    for (char c : line)
        n += c == ',';
    return n;
}

// A child records as fast as it can until it is killed, at a different
// moment each round; the file always ends after a whole row.
TEST(RecordingFile, AKilledRecordingLeavesOnlyWholeRows) {
    QTemporaryDir folder;
    for (int round = 0; round < 8; ++round) {
        const QString path = folder.filePath(QStringLiteral("killed-%1.csv").arg(round));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            DurableFile file;
            QString error;
            if (!file.create(path, error))
                _exit(1);
            Recorder recorder([&file](const std::string& line, std::string&) {
                QString why;
                return file.append(line, why);
            });
            recorder.start();
            for (int64_t ms = 0;; ms += 2000) {
                recorder.readingTaken(reading(ms));
                if (ms % 6000 == 0)
                    recorder.readingMissed({TimeStamp{ms + 1000, 3600}, "Port closed."});
            }
        }
        // Killed once the child is past its first rows, at another moment
        // each round.
        while (contents(path).size() < 1000)
            usleep(1000);
        usleep(useconds_t(3000 + 7000 * round));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the recording child ended by itself";

        std::vector<std::string> lines;
        const std::string text = contents(path);
        EXPECT_TRUE(wholeLines(text, lines)) << "round " << round << " ends inside a row";
        ASSERT_GE(lines.size(), 2u) << "round " << round;
        EXPECT_EQ(lines[0].rfind(kHeaderStart, 0), 0u);
        for (const std::string& line : lines)
            EXPECT_EQ(fields(line), 25) << line;
    }
}

// The file may grow only so far (as on a full disk): the row that does not
// fit stops the recording, the user is told, and the file keeps the header
// and the rows before, whole. The feed goes on for its other listeners.
TEST(RecordingFile, AFailedWriteStopsTheRecordingAndKeepsTheRows) {
    ScriptedInteraction interaction;
    QTemporaryDir folder;
    const QString path = folder.filePath("full.csv");
    ReadingsFeed feed;
    QAction entry("Record readings...");
    QLabel indicator;
    RecordingControl control(feed, entry, indicator, [] { return QString(); });
    struct Counter : ReadingsListener {
        void readingTaken(const ReadingSnapshot&) override { ++taken; }
        void readingMissed(const MissedReading&) override {}
        int taken = 0;
    } other;

    ASSERT_TRUE(control.start(path));
    feed.subscribe(other);
    EXPECT_EQ(entry.text(), "Stop recording");
    feed.publish(reading(0));
    feed.publish(reading(2000));
    const std::string twoRows = contents(path);
    ASSERT_EQ(std::count(twoRows.begin(), twoRows.end(), '\n'), 3);

    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = rlim_t(twoRows.size() + 40);  // part of the next row fits
    auto* savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    for (int i = 2; i < 5; ++i)
        feed.publish(reading(2000 * i));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
    QCoreApplication::processEvents();

    EXPECT_EQ(contents(path), twoRows);
    EXPECT_FALSE(control.recording());
    EXPECT_EQ(entry.text(), "Record readings...");
    EXPECT_TRUE(indicator.isHidden());
    EXPECT_EQ(other.taken, 5);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(interaction.messages[0].text.toStdString(),
              "Recording stopped: cannot write to " + path.toStdString() +
                  " (File too large). The 2 rows written before are kept.");
    EXPECT_EQ(interaction.beeps, std::vector<Beep>{Beep::Exclamation});
}
#endif

TEST(RecordingFile, AFileThatCannotBeCreatedIsReported) {
    ScriptedInteraction interaction;
    QTemporaryDir folder;
    const QString path = folder.filePath("no-such-folder/readings.csv");
    ReadingsFeed feed;
    QAction entry("Record readings...");
    QLabel indicator;
    RecordingControl control(feed, entry, indicator, [] { return QString(); });
    EXPECT_FALSE(control.start(path));
    EXPECT_FALSE(control.recording());
    EXPECT_EQ(entry.text(), "Record readings...");
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_TRUE(interaction.messages[0].text.startsWith("Cannot record readings to " + path + ": "))
        << interaction.messages[0].text.toStdString();
}

}  // namespace
}  // namespace kestro::test
