// Tools > Find analyzer on the main window, offscreen, with an analyzer at
// address 17 on the virtual line: found with its firmware text, chosen into
// the Slave ID field, polling resumed at the new address; a cancel in the
// middle; no port.
#include <QApplication>
#include <QTimer>

#include "modbus/DB_Modbus.h"
#include "modbus/Ports.h"
#include "tests/shell/ShellFixture.h"
#include "tests/support/core/ScriptedSlave.h"
#include "tools/finder/FinderWindow.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class FinderWindowTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        // "RVX82A V2.07" two characters a register, the low byte first.
        const char text[] = "RVX82A V2.07";
        for (int i = 0; i < 6; ++i)
            slave.holdingRegisters[27 + i] = uint16_t(uint8_t(text[2 * i + 1]) << 8 | text[2 * i]);
        slave.attachTo(platform);
    }

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
        window->bbFindAnalyzer->trigger();
        EXPECT_TRUE(shown) << "the finder did not come up modally";
    }
    bool finished(FinderWindow& finder, int64_t maxMs) {
        return platform.clock.runUntil([&] { return !finder.running(); }, maxMs);
    }
    // Scan requests (44 registers) that reached `address` in the next 3 s.
    size_t scanRequestsTo(uint8_t address) {
        slave.requests.clear();
        const uint8_t kept = slave.address;
        slave.address = address;
        platform.clock.advanceMs(3000);
        slave.address = kept;
        return size_t(std::count_if(slave.requests.begin(), slave.requests.end(),
                                    [](const SlaveRequest& r) { return r.count == 44; }));
    }

    ScriptedSlave slave{17};
};

}  // namespace

TEST_F(FinderWindowTest, TheAnalyzerFoundIsChosenIntoTheSlaveIdFieldAndPollingGoesOnThere) {
    start({PressOk()});
    platform.clock.advanceMs(1000);
    EXPECT_EQ(window->bbFindAnalyzer->text(), "Find analyzer...");
    EXPECT_EQ(window->seSlaveID->value(), 1);

    withFinder([&](FinderWindow& finder) {
        EXPECT_EQ(finder.windowTitle(), "Find analyzer");
        EXPECT_EQ(finder.firstAddress->value(), 1);
        EXPECT_EQ(finder.lastAddress->value(), 247);
        finder.firstAddress->setValue(10);
        finder.lastAddress->setValue(20);
        finder.startButton->click();
        EXPECT_FALSE(finder.closeButton->isEnabled());
        EXPECT_TRUE(finder.cancelButton->isEnabled());
        ASSERT_TRUE(platform.clock.runUntil([&] { return finder.progress->value() == 3; }, 5000));
        EXPECT_EQ(finder.progressLabel->text(), "Asking address 13 at 9600 baud...");
        EXPECT_FALSE(window->tmrPoll->enabled());

        ASSERT_TRUE(finished(finder, 10000));
        EXPECT_EQ(finder.resultLabel->text(), "Found 1 analyzer.");
        ASSERT_EQ(finder.foundList->topLevelItemCount(), 1);
        const QTreeWidgetItem* item = finder.foundList->topLevelItem(0);
        EXPECT_EQ(item->text(0), "17");
        EXPECT_EQ(item->text(1), "9600");
        EXPECT_EQ(item->text(2), "RVX82A V2.07");
        EXPECT_TRUE(finder.useButton->isEnabled());
        EXPECT_FALSE(finder.rescueButton->isEnabled());
        EXPECT_TRUE(window->tmrPoll->enabled());
        finder.useButton->click();
        EXPECT_FALSE(finder.isVisible());
    });
    EXPECT_EQ(window->seSlaveID->value(), 17);
    EXPECT_EQ(DB_Modbus.TargetSlave, 17);
    EXPECT_GT(scanRequestsTo(17), 0u);
    EXPECT_EQ(window->sbMainPanel(2)->text(), "Valid response received <04h>.");
}

TEST_F(FinderWindowTest, CancelInTheMiddleEndsTheSearchAndTheScanGoesOnUnchanged) {
    start({PressOk()});
    platform.clock.advanceMs(1000);
    withFinder([&](FinderWindow& finder) {
        finder.startButton->click();
        ASSERT_TRUE(platform.clock.runUntil([&] { return finder.progress->value() == 5; }, 5000));
        finder.reject();
        EXPECT_TRUE(finder.isVisible()) << "no closing while the finder holds the line";
        finder.cancelButton->click();
        EXPECT_EQ(finder.progressLabel->text(), "Cancelling after the request now out...");
        ASSERT_TRUE(finished(finder, 2000));
        EXPECT_EQ(finder.resultLabel->text(), "Cancelled. Polling goes on.");
        EXPECT_EQ(finder.progress->value(), 5);
        EXPECT_EQ(finder.foundList->topLevelItemCount(), 0);
        EXPECT_TRUE(finder.closeButton->isEnabled());
        EXPECT_EQ(Ports.ComPort->settings().baud, 9600);
        finder.closeButton->click();
        EXPECT_FALSE(finder.isVisible());
    });
    EXPECT_EQ(window->seSlaveID->value(), 1);
    EXPECT_TRUE(window->tmrPoll->enabled());
    EXPECT_GT(scanRequestsTo(1), 0u);
}

TEST_F(FinderWindowTest, WithoutAnOpenPortTheFinderSaysSoAndAsksNothing) {
    start({PressCancel()});
    withFinder([&](FinderWindow& finder) {
        finder.startButton->click();
        EXPECT_FALSE(finder.running());
        EXPECT_EQ(finder.resultLabel->text(), "No port is open. Choose a port first.");
        EXPECT_TRUE(finder.startButton->isEnabled());
    });
    EXPECT_TRUE(slave.requests.empty());
}
