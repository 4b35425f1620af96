// Tools > Find analyzer in the real program against rvx82a-sim on its
// pseudo-terminal: the simulator at address 17 found, chosen and polled; a
// cancel in the middle; a simulator at 19200 baud found by the baud search
// and brought back to 9600 baud, as the simulator itself reports.
#include <QApplication>
#include <QTimer>

#include "tests/e2e/KestroFixture.h"
#include "tests/support/Waiting.h"
#include "tools/finder/FinderWindow.h"

using namespace kestro;
using namespace kestro::test;

namespace {

// Each address takes at most about 0.4 s; these bounds are for a loaded machine.
constexpr int kSearchMs = 60000;

class FinderOnSimulator : public KestroTest {
  protected:
    // Runs `inside` while the finder is shown from the Tools menu; a finder
    // left open is ended.
    void withFinder(const std::function<void(FinderWindow&)>& inside) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* finder = qobject_cast<FinderWindow*>(QApplication::activeModalWidget());
            shown = finder != nullptr;
            if (!finder)
                return;
            inside(*finder);
            if (finder->isVisible())
                finder->done(QDialog::Rejected);
        });
        window().bbFindAnalyzer->trigger();
        EXPECT_TRUE(shown) << "the finder did not come up modally";
    }
    static void search(FinderWindow& finder, int first, int last, bool allRates) {
        finder.firstAddress->setValue(first);
        finder.lastAddress->setValue(last);
        finder.allRates->setChecked(allRates);
        finder.startButton->click();
        ASSERT_TRUE(waitUntil([&] { return !finder.running(); }, kSearchMs));
    }
    static QStringList row(FinderWindow& finder, int index) {
        const QTreeWidgetItem* item = finder.foundList->topLevelItem(index);
        return item ? QStringList{item->text(0), item->text(1), item->text(2)} : QStringList{};
    }
    std::string diagnosis() {
        return (status->history() + "\n" + simulator->events().join('\n')).toStdString();
    }
};

}  // namespace

TEST_F(FinderOnSimulator, TheAnalyzerAtAddress17IsFoundChosenAndPolled) {
    ASSERT_NO_FATAL_FAILURE(startSimulator({"--slave-id", "17"}));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kNoResponse, kFaultSeenMs)) << diagnosis();

    withFinder([&](FinderWindow& finder) {
        ASSERT_NO_FATAL_FAILURE(search(finder, 15, 19, false));
        EXPECT_EQ(finder.resultLabel->text(), "Found 1 analyzer.");
        EXPECT_EQ(row(finder, 0), (QStringList{"17", "9600", "RVX82A V1.10"})) << diagnosis();
        finder.useButton->click();
    });
    EXPECT_EQ(window().seSlaveID->value(), 17);
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << diagnosis();
}

TEST_F(FinderOnSimulator, CancelInTheMiddleLeavesPollingAsItWas) {
    ASSERT_NO_FATAL_FAILURE(startSimulator());
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << diagnosis();

    withFinder([&](FinderWindow& finder) {
        finder.firstAddress->setValue(2);
        finder.startButton->click();
        ASSERT_TRUE(waitUntil([&] { return finder.progress->value() >= 3; }, kSearchMs));
        finder.cancelButton->click();
        ASSERT_TRUE(waitUntil([&] { return !finder.running(); }, kSearchMs));
        EXPECT_EQ(finder.resultLabel->text(), "Cancelled. Polling goes on.");
        EXPECT_LT(finder.progress->value(), 246);
        EXPECT_EQ(finder.foundList->topLevelItemCount(), 0);
        finder.closeButton->click();
    });
    EXPECT_EQ(window().seSlaveID->value(), 1);
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << diagnosis();
}

TEST_F(FinderOnSimulator, AnAnalyzerAt19200BaudIsFoundAndBroughtBackTo9600) {
    ASSERT_NO_FATAL_FAILURE(startSimulator({"--slave-id", "17", "--baud", "19200"}));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    ASSERT_TRUE(status->waitFor(kNoResponse, kFaultSeenMs)) << diagnosis();

    withFinder([&](FinderWindow& finder) {
        ASSERT_NO_FATAL_FAILURE(search(finder, 16, 18, false));
        EXPECT_EQ(finder.foundList->topLevelItemCount(), 0) << "silent at 9600 baud";

        ASSERT_NO_FATAL_FAILURE(search(finder, 16, 18, true));
        EXPECT_EQ(finder.resultLabel->text(), "Found 1 analyzer.");
        EXPECT_EQ(row(finder, 0), (QStringList{"17", "19200", "RVX82A V1.10"})) << diagnosis();
        EXPECT_FALSE(finder.useButton->isEnabled());
        ASSERT_TRUE(finder.rescueButton->isEnabled());

        finder.rescueButton->click();
        ASSERT_TRUE(waitUntil([&] { return !finder.running(); }, kSearchMs));
        EXPECT_EQ(finder.resultLabel->text(),
                  "The analyzer at address 17 answers at 9600 baud again.")
            << diagnosis();
        EXPECT_EQ(row(finder, 0), (QStringList{"17", "9600", "RVX82A V1.10"}));
        finder.useButton->click();
    });
    // The simulator's own view: it heard Kestro's 9600 baud as noise, took
    // the configuration with 9600 baud, and runs its line at 9600 now.
    EXPECT_TRUE(
        simulator->sawEvent("\"reason\":\"line speed\",\"master_baud\":9600,\"baud\":19200"))
        << diagnosis();
    EXPECT_TRUE(simulator->sawEvent("\"block\":\"configuration\",\"baud\":9600,\"slave_id\":17"))
        << diagnosis();
    EXPECT_TRUE(simulator->sawEvent("{\"event\":\"baud\",\"baud\":9600}")) << diagnosis();
    EXPECT_EQ(window().seSlaveID->value(), 17);
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << diagnosis();
}
