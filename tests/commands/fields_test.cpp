// The fields of the main window that act on the analyzer: the energy meter
// and clock buttons, the Slave ID field, and the port chosen again from the
// status bar while the master polls.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "device/DeviceCommands.h"
#include "modbus/Driver_Modbus.h"
#include "tests/commands/CommandsFixture.h"

namespace kestro::test {
namespace {

class FieldsTest : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        startProgram();
        ASSERT_TRUE(platform.clock.runUntil([] { return DB_Modbus.InputRegistersValid; }, 5000));
    }
    // Replaces the Slave ID field's text by typing.
    void typeSlaveId(const QString& text) {
        window->seSlaveID->setFocus();
        window->seSlaveID->selectAll();
        if (text.isEmpty())
            QTest::keyClick(window->seSlaveID, Qt::Key_Delete);
        else
            QTest::keyClicks(window->seSlaveID, text);
    }
};

TEST_F(FieldsTest, MeterAndClockButtonsAskAndWriteTheirBlockOnYesOnly) {
    // Wednesday, 14:35:07 on 9 December 2026.
    CommandHost.CurrentDateTime = [] { return QDateTime(QDate(2026, 12, 9), QTime(14, 35, 7)); };
    struct Case {
        QToolButton* button;
        QString question;
        PresetWrite block;
    };
    const Case cases[] = {
        {window->IndPtotButton,
         "Are you sure you want to reset the kWh meter ?",
         {200, {40617, 1}}},
        {window->IndQTotButton,
         "Are you sure you want to reset the kVarh meter ?",
         {200, {40617, 2}}},
        {window->edRTCButton,
         "Are you sure you want to set the RTC ?",
         {300, {0x3507, 0x1403, 0x1209, 0x0026}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question.toStdString());
        for (const Answer answer : {Answer::No, Answer::Yes}) {
            interaction.messages.clear();
            interaction.answers = {answer};
            const size_t before = writes().size();

            QTest::mouseClick(c.button, Qt::LeftButton);
            ASSERT_EQ(interaction.messages.size(), 1u);
            EXPECT_EQ(interaction.messages[0].text, c.question);
            EXPECT_EQ(interaction.messages[0].buttons, Buttons::YesNo);
            // Two scan cycles: a posted write goes out before the next read.
            nextRequest();
            nextRequest();

            const std::vector<PresetWrite> sent = writes();
            ASSERT_EQ(sent.size(), before + (answer == Answer::Yes ? 1 : 0));
            if (answer == Answer::Yes) {
                EXPECT_EQ(sent.back().address, c.block.address);
                EXPECT_EQ(sent.back().values, c.block.values);
            }
        }
    }
    EXPECT_TRUE(interaction.beeps.empty());
    // The meters count on from zero.
    EXPECT_LT(model.activeEnergy(), 1.0);
    EXPECT_LT(model.reactiveEnergy(), 1.0);
}

TEST_F(FieldsTest, EnteringAMeterOrTheClockFieldMovesTheFocusToTheSlaveId) {
    activate();
    for (QLineEdit* field : {window->IndPtot, window->IndQTot, window->edRTC}) {
        SCOPED_TRACE(field->objectName().toStdString());
        window->cbSwapFloat->setFocus();
        QTest::mouseClick(field, Qt::LeftButton);
        EXPECT_EQ(QApplication::focusWidget(), window->seSlaveID);
    }
}

TEST_F(FieldsTest, TheSlaveIdNamesTheSlaveOfTheNextRequest) {
    typeSlaveId("17");
    EXPECT_EQ(window->seSlaveID->value(), 17);
    EXPECT_EQ(nextRequest().at(0), 0x11);

    typeSlaveId("");
    EXPECT_EQ(window->seSlaveID->text(), "1");
    EXPECT_EQ(DB_Modbus.TargetSlave, 1);
    EXPECT_EQ(nextRequest().at(0), 0x01);

    // Cleared while it shows 1 already: "1" again all the same.
    typeSlaveId("");
    EXPECT_EQ(window->seSlaveID->text(), "1");
}

// A text that is no address leaves the field showing the address that is
// polled, never 0 or 300 beside requests to another slave.
TEST_F(FieldsTest, TheSlaveIdFieldAlwaysShowsTheAddressPolled) {
    typeSlaveId("17");
    for (const char* typed : {"0", "300"}) {
        SCOPED_TRACE(typed);
        typeSlaveId("17");
        typeSlaveId(typed);
        const uint8_t polled = nextRequest().at(0);
        EXPECT_EQ(window->seSlaveID->text(), QString::number(polled));
        EXPECT_EQ(DB_Modbus.TargetSlave, polled);
    }
}

TEST_F(FieldsTest, APortChosenAgainWhilePollingTakesOverTheScan) {
    ASSERT_TRUE(platform.clock.runUntil([] { return Ports.AwaitingResponse; }, 5000));
    const VirtualPort* first = platform.port;
    // The transaction under way on the old port ends with it, without
    // waiting for its time-out.
    bool timedOut = false;
    bool answered = false;

    reselect(PressOk("COM3"));

    ASSERT_NE(platform.port, first);
    EXPECT_EQ(platform.port->settings().comNumber, 3);
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM3,9600,N,8,1");
    DB_Modbus.InputRegistersValid = false;
    const int served = responder.framesServed();
    ASSERT_TRUE(platform.clock.runUntil(
        [&] {
            const QString status = window->sbMainPanel(2)->text();
            timedOut |= status == "No response from slave device.";
            answered |= status == "Valid response received <04h>.";
            return answered && DB_Modbus.InputRegistersValid &&
                   responder.framesServed() >= served + 2;
        },
        5000));
    EXPECT_FALSE(timedOut);
}

}  // namespace
}  // namespace kestro::test
