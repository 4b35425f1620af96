#pragma once
// The dialogs and the device commands against the simulated analyzer: the
// real engine on the virtual line, the device model answering through its
// RTU responder, the user's answers and beeps scripted and recorded. The
// commands' wait runs the virtual clock, so a test takes no real time.

#include <gtest/gtest.h>

#include <QColor>
#include <QLineEdit>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "config/Configuration.h"
#include "sim/model/DeviceModel.h"
#include "sim/model/RtuResponder.h"
#include "tests/dialogs/WireWrites.h"
#include "tests/support/Locales.h"
#include "tests/support/SampleRecords.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/core/EngineHarness.h"

class QDialog;

// Texts in test failures as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace kestro::test {

// What the status panel of a dialog shows, and whether the dialog's own
// buttons are usable.
struct PanelState {
    bool visible = false;
    QString text;
    QColor title;
    bool closeEnabled = false;
    bool buttonsEnabled = false;
};

class DialogTest : public ::testing::Test {
  protected:
    DialogTest();
    ~DialogTest() override;
    void SetUp() override;

    // The configuration every test starts from: valid for the device model.
    static ConfigRecord sample();

    static PanelState panel(const QDialog& dialog);
    // The 10h writes the analyzer has received so far.
    std::vector<PresetWrite> writes() { return PresetWrites(rig.port().written); }

    // Shows the dialog as the active window, so that focus moves as it
    // would for the user.
    static void showActive(QDialog& dialog);
    // Replaces the field's text by typing, then leaves the field with Tab.
    static void type(QLineEdit& field, const QString& text);
    static void leave(QLineEdit& field);
    // The controls that Tab visits from `first` on, once round.
    static QStringList tabOrder(QWidget& first);

    EngineHarness rig;
    sim::DeviceModel model;
    sim::RtuResponder responder{model, rig.platform.clock};
    ScriptedInteraction interaction;
    // The status panel of the waiting command's dialog, as each wait began.
    std::vector<PanelState> whileWaiting;
    QDialog* waitingDialog = nullptr;
};

// Tests where numbers are shown or typed run under a point and a comma
// locale.
class LocaleDialogTest : public DialogTest, public ::testing::WithParamInterface<LocaleCase> {
  protected:
    void SetUp() override;
    // "2.5" with the locale's decimal separator.
    static QString local(QString number);

  private:
    std::optional<LocaleScope> locale_;
};

}  // namespace kestro::test
