#pragma once
// The program's windows as a screen reader and a keyboard user meet them:
// the main window started the way the program starts it (COM1 chosen in the
// port selection, on the virtual line) and set up by MakeAccessible, and the
// other windows as they are first shown after it.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "platform/virtual/VirtualPlatform.h"
#include "shell/Main.h"
#include "tests/support/ScriptedInteraction.h"

// Texts in test failures as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace kestro::test {

// What a screen reader is told the widget is called.
QString SpokenName(QWidget* widget);
// The labels a screen reader reads with the widget, the caption first:
// lists name themselves by their entry and take their caption from here.
QString LabelledBy(QWidget* widget);

// Shows a window as the active one, so that keys reach it.
void ShowActive(QWidget& window);
// The controls a user works with: buttons, check boxes, editable fields,
// lists, visible and enabled.
QList<QWidget*> Inputs(QWidget& window);
// The controls Tab visits from the one that has the focus, once round.
QStringList TabRound(QWidget& window);

class AccessibilityTest : public ::testing::Test {
  protected:
    AccessibilityTest();
    ~AccessibilityTest() override;

    template <class T = QWidget>
    T* find(const char* name) const {
        return main->findChild<T*>(name);
    }

    QTemporaryDir folder;
    VirtualPlatform platform;
    ScriptedInteraction interaction;
    int portSelections = 0;
    std::unique_ptr<TfrmMain> main;
};

}  // namespace kestro::test
