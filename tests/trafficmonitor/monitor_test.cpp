// The traffic monitor offscreen. Driven by the real engine on the virtual
// line: a valid answer, a time-out, a CRC failure and an exception give
// their lines, their colours and their counters. Fed by hand-made frames:
// the text saved under a point and a comma locale, pause, clear and copy,
// and a history that stays at 10,000 lines.
//
// At 9600 8N1 a byte takes 1041 us on the line. A read of input register 1
// is 8 bytes; its answer of 7 bytes comes in one piece 8328 + 7287 =
// 15615 us after the request was handed to the port, an exception answer of
// 5 bytes 8328 + 5205 = 13533 us after it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "modbus/Driver_Modbus.h"
#include "tests/support/Locales.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/Waiting.h"
#include "tests/support/core/EngineHarness.h"
#include "tools/traffic/TrafficWindow.h"

namespace kestro::test {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kRequest = {0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA};
const Bytes kAnswer = {0x01, 0x04, 0x02, 0x09, 0x1C, 0xBE, 0xA9};
const char* const kRequestLine =
    "sent\trequest\t01 04 00 00 00 01 31 CA\t"
    "slave 1, read input registers, address 0, count 1, CRC ok";
const char* const kAnswerLine =
    "received\tvalid\t01 04 02 09 1C BE A9\tslave 1, read input registers, 2 bytes, CRC ok";
const char* const kTimeoutLine = "received\ttime-out\t\tno response";

FrameEvent frame(FrameDirection direction, FrameOutcome outcome, int64_t us, Bytes bytes) {
    FrameEvent e;
    e.direction = direction;
    e.outcome = outcome;
    e.startUs = e.endUs = us;
    e.bytes = std::move(bytes);
    return e;
}

FrameEvent request(int64_t us) {
    return frame(FrameDirection::Sent, FrameOutcome::Sent, us, kRequest);
}

// A line without its time column.
QString untimed(const QString& line) {
    return line.section('\t', 1);
}

bool isRed(const TrafficModel& model, int row) {
    const QVariant brush =
        model.data(model.index(row, TrafficModel::BytesColumn), Qt::ForegroundRole);
    return brush.isValid() && brush.value<QBrush>().color() == QColor(Qt::red);
}

// The window over a log of its own, fed by hand; the link's clock started
// at 1 s.
class MonitorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        feed.subscribe(log);
        window.resize(1100, 500);
        window.show();
    }
    // Lets the window take its next batch.
    bool settle() {
        return waitUntil([this] { return model().rowCount() == int(log.history().size()); }, 5000);
    }
    TrafficModel& model() { return window.model(); }

    ScriptedInteraction interaction;
    FrameFeed feed;
    TrafficLog log{1000000};
    TrafficWindow window{feed, log};
};

class EngineMonitorTest : public MonitorTest {
  protected:
    void SetUp() override {
        MonitorTest::SetUp();
        rig.start();
        Host.frameObserver = &feed;
        DB_Modbus.InputReadCount = 0;  // only the reads a test asks for
        rig.runMs(2000);
        rig.slave.inputRegisters[0] = 0x091C;
        ASSERT_TRUE(settle());
        window.clearButton->click();
        window.resetButton->click();
    }

    // One read of input register 1 answered with `r`, then 2 s of quiet.
    void serveOne(Reply r) {
        rig.slave.script.push_back(std::move(r));
        const uint64_t before = rig.slave.requestCount;
        DB_Modbus.InputReadStart = 1;
        DB_Modbus.InputReadCount = 1;
        ASSERT_TRUE(rig.runUntil([&] { return rig.slave.requestCount > before; }, 20000));
        DB_Modbus.InputReadCount = 0;
        rig.runMs(2000);
    }

    EngineHarness rig;
};

TEST_F(EngineMonitorTest, ALinePerFrameFailuresInRedAndTheCounters) {
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(window.requestsValue->text(), "0");
    serveOne(Reply::prompt());
    serveOne(Reply::dropped());
    serveOne(Reply::corrupted(3));
    serveOne(Reply::exceptionCode(2));
    ASSERT_TRUE(settle());

    const QString lines[] = {
        kRequestLine,
        kAnswerLine,
        kRequestLine,
        kTimeoutLine,
        kRequestLine,
        "received\tCRC failed\t01 04 02 F6 1C BE A9\t"
        "slave 1, read input registers, 2 bytes, CRC failed",
        kTimeoutLine,
        kRequestLine,
        "received\texception 2\t01 84 02 C2 C1\t"
        "slave 1, read input registers, exception 2: illegal data address, CRC ok",
    };
    const bool red[] = {false, false, false, true, false, true, true, false, true};
    ASSERT_EQ(model().rowCount(), 9);
    for (int row = 0; row < 9; ++row) {
        EXPECT_EQ(untimed(model().lineText(row)), lines[row]) << row;
        EXPECT_EQ(isRed(model(), row), red[row]) << row;
    }

    EXPECT_EQ(window.requestsValue->text(), "4");
    EXPECT_EQ(window.validValue->text(), "1");
    EXPECT_EQ(window.timeoutsValue->text(), "2");
    EXPECT_EQ(window.crcFailuresValue->text(), "1");
    EXPECT_EQ(window.invalidValue->text(), "0");
    EXPECT_EQ(window.exceptionsValue->text(),
              QString::fromUtf8("1\n1 \u00D7 code 2, illegal data address"));
    EXPECT_EQ(window.unexpectedValue->text(), "0");
    EXPECT_EQ(window.overflowsValue->text(), "0");
    // 15615 us twice (the valid and the corrupted answer) and 13533 us.
    EXPECT_EQ(window.firstByteValue->text(), "13.5 / 14.9 / 15.6");
    EXPECT_EQ(window.wholeFrameValue->text(), "13.5 / 14.9 / 15.6");
    EXPECT_EQ(window.frameCountLabel->text(), "9 frames");

    window.resetButton->click();
    EXPECT_EQ(window.requestsValue->text(), "0");
    EXPECT_EQ(window.exceptionsValue->text(), "0");
    EXPECT_EQ(window.firstByteValue->text(), "-");
    EXPECT_EQ(model().rowCount(), 9);
}

class SavedTextTest : public MonitorTest, public ::testing::WithParamInterface<LocaleCase> {};

// Times from the start of the link's clock: 1.5 s, 15.615 ms later the
// answer, and a request at 3.4 s whose wait ran out 1.1 s later.
TEST_P(SavedTextTest, SavesEveryLineUnderTheLocale) {
    LocaleScope locale(GetParam());
    feed.onFrame(request(2500000));
    feed.onFrame(frame(FrameDirection::Received, FrameOutcome::Valid, 2515615, kAnswer));
    feed.onFrame(request(4400000));
    feed.onFrame(frame(FrameDirection::Received, FrameOutcome::Timeout, 5500000, {}));
    ASSERT_TRUE(settle());

    QTemporaryDir folder;
    const QString path = folder.filePath("line.txt");
    interaction.files = {path};
    window.saveButton->click();
    ASSERT_EQ(interaction.dialogs.size(), 1u);
    EXPECT_TRUE(interaction.dialogs[0].save);
    EXPECT_TRUE(QRegularExpression("^traffic-\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.txt$")
                    .match(interaction.dialogs[0].fileName)
                    .hasMatch());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const char s = GetParam().separator;
    const std::string expected =
        std::string("Time (s)\tDirection\tOutcome\tBytes (hex)\tDecoded\n") +  //
        "1" + s +
        "500\tsent\trequest\t01 04 00 00 00 01 31 CA\t"
        "slave 1, read input registers, address 0, count 1, CRC ok\n"
        "1" +
        s +
        "516\treceived\tvalid\t01 04 02 09 1C BE A9\t"
        "slave 1, read input registers, 2 bytes, CRC ok\n"
        "3" +
        s +
        "400\tsent\trequest\t01 04 00 00 00 01 31 CA\t"
        "slave 1, read input registers, address 0, count 1, CRC ok\n"
        "4" +
        s + "500\treceived\ttime-out\t\tno response\n";
    EXPECT_EQ(file.readAll().toStdString(), expected);
    EXPECT_EQ(window.firstByteValue->text().toStdString(),
              std::string("15") + s + "6 / 15" + s + "6 / 15" + s + "6");
    EXPECT_TRUE(interaction.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Locales, SavedTextTest, ::testing::Values(kPointLocale, kCommaLocale),
                         LocaleName);

TEST_F(MonitorTest, ACancelledOrFailedSaveWritesNothing) {
    feed.onFrame(request(2000000));
    ASSERT_TRUE(settle());
    interaction.files = {std::nullopt};
    window.saveButton->click();
    EXPECT_TRUE(interaction.messages.empty());

    QTemporaryDir folder;
    const QString path = folder.filePath("missing/line.txt");
    interaction.files = {path};
    window.saveButton->click();
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "Cannot write " + path + ".");
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(MonitorTest, PauseHoldsTheListWhileCountingClearEmptiesItCopyTakesTheChosenLines) {
    LocaleScope locale(kPointLocale);
    feed.onFrame(request(2000000));
    feed.onFrame(request(3000000));
    ASSERT_TRUE(settle());
    ASSERT_EQ(model().rowCount(), 2);

    window.pauseButton->click();
    EXPECT_EQ(window.pauseButton->text(), "&Resume");
    feed.onFrame(request(4000000));
    feed.onFrame(request(5000000));
    runFor(3 * TrafficWindow::kBatchMs);
    EXPECT_EQ(model().rowCount(), 2);
    EXPECT_EQ(window.requestsValue->text(), "4");
    window.pauseButton->click();
    EXPECT_EQ(window.pauseButton->text(), "&Pause");
    EXPECT_EQ(model().rowCount(), 4);

    window.frameView->selectRow(2);
    window.copyButton->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QString("3.000\t") + kRequestLine + "\n");
    window.frameView->clearSelection();
    window.copyButton->click();
    EXPECT_EQ(QApplication::clipboard()->text().count('\n'), 4);

    window.clearButton->click();
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(window.frameCountLabel->text(), "0 frames");
    EXPECT_EQ(window.requestsValue->text(), "4");
    feed.onFrame(request(6000000));
    ASSERT_TRUE(settle());
    EXPECT_EQ(model().lineText(0), QString("5.000\t") + kRequestLine);
}

// A long frame shows its first 32 bytes and its length; the tooltip, copy
// and the saved text have every byte.
TEST_F(MonitorTest, ALongFrameShowsItsFirstBytes) {
    Bytes noise(40);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(0xA0 + i);
    feed.onFrame(frame(FrameDirection::Received, FrameOutcome::NotAwaited, 2000000, noise));
    ASSERT_TRUE(settle());
    const QModelIndex cell = model().index(0, TrafficModel::BytesColumn);
    EXPECT_EQ(
        model().data(cell).toString(),
        QString::fromUtf8("A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF "
                          "B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA BB BC BD BE BF \u2026 (40 bytes)"));
    EXPECT_EQ(model().data(cell, Qt::ToolTipRole).toString(),
              "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF\n"
              "B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA BB BC BD BE BF\n"
              "C0 C1 C2 C3 C4 C5 C6 C7");
    EXPECT_EQ(model().lineText(0).section('\t', 3, 3),
              "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF "
              "B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA BB BC BD BE BF C0 C1 C2 C3 C4 C5 C6 C7");
    EXPECT_TRUE(isRed(model(), 0));
}

// A request every millisecond from the start of the log's clock.
TEST_F(MonitorTest, TheHistoryStaysAtTenThousandLines) {
    LocaleScope locale(kPointLocale);
    for (int i = 0; i < 10050; ++i)
        feed.onFrame(request(1000000 + i * 1000));
    ASSERT_TRUE(settle());
    ASSERT_EQ(model().rowCount(), 10000);
    EXPECT_EQ(model().lineText(0), QString("0.050\t") + kRequestLine);
    EXPECT_EQ(model().lineText(9999), QString("10.049\t") + kRequestLine);
    EXPECT_EQ(window.frameCountLabel->text(), "10000 frames, the last 10000 kept");
    EXPECT_EQ(window.requestsValue->text(), "10050");

    // Paused, the oldest lines still go as the history lets them go; the
    // rest stay where they were, and resuming shows the new ones.
    window.pauseButton->click();
    for (int i = 10050; i < 10060; ++i)
        feed.onFrame(request(1000000 + i * 1000));
    // Until the next batch a line let go is blank and the others keep theirs.
    EXPECT_EQ(model().lineText(9), QString());
    EXPECT_EQ(model().lineText(10), QString("0.060\t") + kRequestLine);
    runFor(3 * TrafficWindow::kBatchMs);
    ASSERT_EQ(model().rowCount(), 9990);
    EXPECT_EQ(model().lineText(0), QString("0.060\t") + kRequestLine);
    EXPECT_EQ(model().lineText(9989), QString("10.049\t") + kRequestLine);
    window.pauseButton->click();
    ASSERT_EQ(model().rowCount(), 10000);
    EXPECT_EQ(model().lineText(9999), QString("10.059\t") + kRequestLine);
}

}  // namespace
}  // namespace kestro::test
