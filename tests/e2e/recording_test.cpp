// A recording of a minute against the simulated analyzer losing a fifth of
// its answers: a row for every valid response, a gap row for every answer
// the simulator dropped, in a file that spreadsheets read alike.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

#include "tests/e2e/KestroFixture.h"
#include "tools/recorder/RecordingControl.h"
#include "tools/trend/TrendWindow.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr int kRecordMs = 60000;
const QString kGapRow = ",No response from slave device.";

class RecordingOnSimulator : public KestroTest {
  protected:
    // The user guide's pictures: the trend of the minute, and its recording
    // opened as a table.
    void savePictures(const QDir& folder, const QStringList& lines) {
        TrendWindow& trend = window().trendWindow();
        trend.resize(900, 560);
        for (Quantity q :
             {Quantity::Vr, Quantity::Vs, Quantity::Vt, Quantity::Ir, Quantity::Is, Quantity::It})
            trend.checkBoxOf(q)->setChecked(true);
        trend.show();
        QTest::qWait(200);
        EXPECT_TRUE(trend.grab().save(folder.filePath("trend.png")));

        QTableWidget table(12, 0);
        const QStringList header = lines.first().split(',');
        table.setColumnCount(int(header.size()));
        table.setHorizontalHeaderLabels(header);
        for (int row = 0; row < table.rowCount() && row + 1 < lines.size(); ++row) {
            const QStringList fields = lines[row + 1].split(',');
            for (int column = 0; column < fields.size(); ++column)
                table.setItem(row, column, new QTableWidgetItem(fields[column]));
        }
        table.resizeColumnsToContents();
        table.resize(900, 330);
        table.show();
        QTest::qWait(100);
        EXPECT_TRUE(table.grab().save(folder.filePath("recording-table.png")));
    }

    int dropsLogged() {
        int n = 0;
        for (const QString& line : simulator->events())
            n += line.contains("\"fault\":\"drop\"");
        return n;
    }
    // Waits for a valid response shown after everything shown so far: the
    // request before it was answered, and the next one is a scan away.
    bool nextValid() {
        const qsizetype from = status->shown().size();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kFaultSeenMs) {
            QTest::qWait(20);
            if (status->shown().indexOf(kValid, from) >= 0)
                return true;
        }
        return false;
    }
};

TEST_F(RecordingOnSimulator, RowsAndGapRowsMatchWhatTheSimulatorDid) {
    ASSERT_NO_FATAL_FAILURE(startSimulator({"--drop", "0.2", "--seed", "21"}));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();

    ASSERT_TRUE(nextValid());
    const int dropsBefore = dropsLogged();
    const qsizetype shownBefore = status->shown().size();
    const QString path = workDir.filePath("minute.csv");
    ASSERT_TRUE(window().recordingControl().start(path));
    QTest::qWait(kRecordMs);
    ASSERT_TRUE(nextValid()) << status->history().toStdString();
    window().recordingControl().stop();
    const int drops = dropsLogged() - dropsBefore;
    const QStringList shown = status->shown().mid(shownBefore);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines.first().startsWith("Time,Ir [A],")) << lines.first().toStdString();
    EXPECT_EQ(lines.last(), "");  // the file ends with a whole row
    int rows = 0, gaps = 0;
    for (const QString& line : lines.mid(1, lines.size() - 2)) {
        EXPECT_EQ(line.count(','), 24) << line.toStdString();
        if (line.endsWith(kGapRow))
            ++gaps;
        else if (line.endsWith(','))
            ++rows;
        else
            ADD_FAILURE() << "neither a reading nor a gap: " << line.toStdString();
    }
    EXPECT_GT(drops, 0) << "the simulator dropped nothing in a minute";
    // Every dropped answer is a gap row; on a loaded machine an answer can
    // also come too late, which is a gap the simulator did not make. The
    // status watch samples the panel and may miss a text, never add one.
    EXPECT_GE(gaps, drops);
    EXPECT_GE(gaps, shown.count(kNoResponse));
    EXPECT_GE(rows, shown.count(kValid));
    EXPECT_GE(rows, 15);
    EXPECT_TRUE(interaction.messages.empty());

    const QString pictures = qEnvironmentVariable("KESTRO_DOCS_PICTURES");
    if (!pictures.isEmpty())
        savePictures(QDir(pictures), lines);
}

}  // namespace
