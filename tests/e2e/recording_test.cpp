// A recording of a minute against the simulated analyzer losing a fifth of
// its answers: request by request, a row for every answer the simulator
// sent and a gap row for every answer it dropped, in a file that
// spreadsheets read alike.
#include <QFile>
#include <optional>
#include <vector>

#include "modbus/FrameObserver.h"
#include "modbus/Ports.h"
#include "tests/e2e/KestroFixture.h"
#include "tests/support/Waiting.h"
#include "tools/recorder/RecordingControl.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr int kRecordMs = 60000;
const QString kGapRow = ",No response from slave device.";

// What the simulator did with each request it carried, in order: sent the
// answer on, or dropped it; nothing yet while the device is still at it.
enum class Fate { Answered, Dropped };

std::vector<std::optional<Fate>> FatesLogged(const QStringList& events) {
    std::vector<std::optional<Fate>> fates;
    for (const QString& line : events) {
        if (line.contains("\"event\":\"request\""))
            fates.emplace_back();
        else if (!fates.empty() && line.contains("\"event\":\"answer\""))
            fates.back() = Fate::Answered;
        else if (!fates.empty() && line.contains("\"fault\":\"drop\""))
            fates.back() = Fate::Dropped;
    }
    return fates;
}

// Kestro's side of each request it sent, in order: how its transaction
// ended, and whether its answer came after all, once the time-out had
// ended the transaction.
struct Transaction {
    FrameOutcome outcome = FrameOutcome::Sent;
    bool answeredLate = false;
};

class TransactionLog : public FrameObserver {
  public:
    void onFrame(const FrameEvent& event) override {
        if (event.direction == FrameDirection::Sent) {
            transactions.emplace_back();
            return;
        }
        if (transactions.empty())
            return;
        Transaction& last = transactions.back();
        if (event.outcome == FrameOutcome::NotAwaited)
            last.answeredLate = true;
        else if (last.outcome == FrameOutcome::Sent)
            last.outcome = event.outcome;
    }
    std::vector<Transaction> transactions;
};

// Request by request, for a failure message: the simulator's fate, Kestro's
// outcome (and a late answer), the row.
std::string Described(const std::vector<std::optional<Fate>>& fates,
                      const std::vector<Transaction>& transactions, const QStringList& rows,
                      size_t first) {
    std::string text;
    for (size_t k = 0; k < transactions.size(); ++k) {
        const char* fate = k >= fates.size() || !fates[k] ? "?"
                           : *fates[k] == Fate::Answered  ? "answered"
                                                          : "dropped";
        text += std::to_string(k) + " " + fate + " outcome " +
                std::to_string(int(transactions[k].outcome)) +
                (transactions[k].answeredLate ? " late" : "");
        if (k >= first && qsizetype(k - first) < rows.size())
            text += " | " + rows[qsizetype(k - first)].toStdString();
        text += "\n";
    }
    for (qsizetype extra = qsizetype(transactions.size() - first); extra < rows.size(); ++extra)
        text += "extra row | " + rows[extra].toStdString() + "\n";
    return text;
}

// Between two transactions every request sent so far has its row or gap
// row, and the next one has not gone out.
bool BetweenTransactions() {
    return !Ports.AwaitingResponse && !Ports.TxPending;
}

class RecordingOnSimulator : public KestroTest {
  protected:
    TransactionLog kestroSide;
};

TEST_F(RecordingOnSimulator, RowsAndGapRowsMatchWhatTheSimulatorDid) {
    ASSERT_NO_FATAL_FAILURE(startSimulator({"--drop", "0.2", "--seed", "21", "--log-traffic"}));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    // Before the first poll tick, so that Kestro's n-th request is the n-th
    // the simulator logged.
    window().frames().subscribe(kestroSide);
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();

    ASSERT_TRUE(waitUntil(BetweenTransactions, kFaultSeenMs));
    const size_t first = kestroSide.transactions.size();
    const QString path = workDir.filePath("minute.csv");
    ASSERT_TRUE(window().recordingControl().start(path));
    runFor(kRecordMs);
    ASSERT_TRUE(waitUntil(BetweenTransactions, kFaultSeenMs));
    window().recordingControl().stop();
    const size_t end = kestroSide.transactions.size();

    // The simulator logs each fate before the answer is due, but its lines
    // reach this test through a pipe.
    std::vector<std::optional<Fate>> fates;
    const bool logged = waitUntil(
        [&] {
            fates = FatesLogged(simulator->events());
            return fates.size() >= end && fates[end - 1].has_value();
        },
        kFaultSeenMs);
    ASSERT_TRUE(logged) << simulator->events().join('\n').toStdString();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.first().startsWith("Time,Ir [A],")) << lines.first().toStdString();
    EXPECT_EQ(lines.last(), "");  // the file ends with a whole row
    const QStringList rows = lines.mid(1, lines.size() - 2);
    const std::vector<Transaction> sent(kestroSide.transactions.begin(),
                                        kestroSide.transactions.begin() + qsizetype(end));
    ASSERT_EQ(size_t(rows.size()), end - first) << "one row per request sent while recording\n"
                                                << Described(fates, sent, rows, first);

    int answered = 0, dropped = 0, late = 0;
    for (size_t k = first; k < end; ++k) {
        const QString& row = rows[int(k - first)];
        const Transaction& kestro = kestroSide.transactions[k];
        ASSERT_TRUE(fates[k].has_value()) << "request " << k << " has no fate logged";
        const bool wasDropped = *fates[k] == Fate::Dropped;
        // An answer sent on but taken in after its time-out is a gap too,
        // and Kestro saw it arrive late.
        const bool cameLate =
            !wasDropped && kestro.outcome == FrameOutcome::Timeout && kestro.answeredLate;
        (wasDropped ? dropped : answered) += 1;
        late += cameLate;
        EXPECT_EQ(row.count(','), 24) << row.toStdString();
        if (wasDropped || cameLate)
            EXPECT_TRUE(row.endsWith(kGapRow)) << "request " << k << ": " << row.toStdString();
        else
            EXPECT_TRUE(row.endsWith(',') && !row.endsWith(kGapRow))
                << "request " << k << " was answered: " << row.toStdString();
    }
    if (HasFailure())
        ADD_FAILURE() << Described(fates, sent, rows, first);
    EXPECT_GT(dropped, 0) << "the simulator dropped nothing in a minute";
    EXPECT_GT(answered - late, 0) << "no answer was recorded in a minute";
    RecordProperty("requests", int(end - first));
    RecordProperty("dropped", dropped);
    RecordProperty("answered_late", late);
}

}  // namespace
