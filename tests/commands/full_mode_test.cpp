// Full mode: the chord in the Slave ID field that opens the Calibration
// menu, and the calibration dialog behind it.
#include <QKeyEvent>
#include <QTest>

#include "shell/EventHook.h"
#include "tests/commands/CommandsFixture.h"

namespace kestro::test {
namespace {

class FullModeTest : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        startProgram();  // nothing loaded: full mode does not need a configuration
        activate();
        window->seSlaveID->setFocus();
    }
    void chord(Qt::KeyboardModifiers modifiers = Qt::AltModifier) {
        QTest::keyClick(window->seSlaveID, Qt::Key_F11, modifiers);
    }
    bool calibrationEnabled() const { return window->siCalibration->menuAction()->isEnabled(); }
    // A key the field does not consume goes on to the field's group.
    int keysPassedOn() {
        if (!watching_) {
            watching_ = true;
            EventHook::Install(*window->gbSlaveId, [this](QEvent& event) {
                passedOn_ += event.type() == QEvent::KeyPress &&
                             static_cast<QKeyEvent&>(event).key() == Qt::Key_F11;
                return false;
            });
        }
        return passedOn_;
    }

  private:
    bool watching_ = false;
    int passedOn_ = 0;
};

TEST_F(FullModeTest, TheChordAsksOnceAndYesOpensTheCalibrationMenu) {
    ASSERT_FALSE(calibrationEnabled());
    interaction.answers = {Answer::Yes};
    keysPassedOn();

    chord();

    EXPECT_EQ(interaction.beeps, std::vector<Beep>({Beep::Exclamation}));
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "Do you want to switch to full mode.");
    EXPECT_EQ(interaction.messages[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(interaction.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(window->windowTitle(), "Kestro V2.21 (full)");
    EXPECT_TRUE(calibrationEnabled());
    EXPECT_TRUE(FullMode);
    EXPECT_FALSE(window->siConfiguration->menuAction()->isEnabled());
    EXPECT_EQ(keysPassedOn(), 0);

    chord();
    EXPECT_EQ(interaction.beeps.size(), 1u);
    EXPECT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(window->windowTitle(), "Kestro V2.21 (full)");

    EXPECT_TRUE(whileShown(*window->bbEditCalibration, *cal, [] {}));
}

TEST_F(FullModeTest, NoLeavesNormalModeAndTheChordAsksAgain) {
    interaction.answers = {Answer::No, Answer::No};
    keysPassedOn();
    chord();
    chord();
    EXPECT_EQ(keysPassedOn(), 2);
    EXPECT_EQ(interaction.messages.size(), 2u);
    EXPECT_EQ(interaction.beeps.size(), 2u);
    EXPECT_EQ(window->windowTitle(), "Kestro V2.21");
    EXPECT_FALSE(calibrationEnabled());
    EXPECT_FALSE(FullMode);
}

TEST_F(FullModeTest, AnyOtherKeyOrModifierDoesNothing) {
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_F11, Qt::AltModifier | Qt::ControlModifier},
        {Qt::Key_F11, Qt::AltModifier | Qt::ShiftModifier},
        {Qt::Key_F11, Qt::AltModifier | Qt::MetaModifier},
        {Qt::Key_F11, Qt::NoModifier},
        {Qt::Key_F11, Qt::ControlModifier},
        {Qt::Key_F10, Qt::AltModifier},
    };
    for (const auto& [key, modifiers] : keys)
        QTest::keyClick(window->seSlaveID, key, modifiers);
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_TRUE(interaction.beeps.empty());
    EXPECT_FALSE(calibrationEnabled());
    EXPECT_EQ(window->windowTitle(), "Kestro V2.21");
}

TEST_F(FullModeTest, TheChordWithAMouseButtonHeldDoesNothing) {
    QTest::mousePress(window->seSlaveID, Qt::LeftButton);
    chord();
    QTest::mouseRelease(window->seSlaveID, Qt::LeftButton);
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_FALSE(calibrationEnabled());
}

TEST_F(FullModeTest, EnabledCommandsKeepTheCalibrationMenuInFullMode) {
    interaction.answers = {Answer::Yes};
    chord();
    window->bbNewConfig->trigger();
    EXPECT_TRUE(calibrationEnabled());
    EXPECT_TRUE(window->siConfiguration->menuAction()->isEnabled());
}

}  // namespace
}  // namespace kestro::test
