#include "tests/accessibility/AccessibilityFixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include "shell/Accessibility.h"
#include "shell/Comselect.h"

namespace kestro::test {

QString SpokenName(QWidget* widget) {
    QAccessibleInterface* spoken = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    return spoken ? spoken->text(QAccessible::Name) : QString("(no such widget)");
}

QString LabelledBy(QWidget* widget) {
    QAccessibleInterface* spoken = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    if (!spoken)
        return "(no such widget)";
    QStringList labels;
    for (const auto& [label, relation] : spoken->relations(QAccessible::Label))
        labels << label->text(QAccessible::Name);
    return labels.join(", ");
}

AccessibilityTest::AccessibilityTest() {
    ComSelectProbe = [](int port) { return PortProbeResult{port == 1, "virtual line"}; };
    RunComSelect = [this](TfrmComSelect& dialog) {
        ++portSelections;
        dialog.accept();
        return dialog.result();
    };
    main = std::make_unique<TfrmMain>(platform, folder.path());
    MakeAccessible(*main);
    ShowActive(*main);
}

AccessibilityTest::~AccessibilityTest() {
    main->close();
    main.reset();
    ComSelectProbe = nullptr;
    RunComSelect = nullptr;
}

void ShowActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window)) << window.objectName().toStdString();
}

QList<QWidget*> Inputs(QWidget& window) {
    QList<QWidget*> found;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window) || !w->isEnabledTo(&window) ||
            w->objectName().startsWith("qt_"))
            continue;
        const auto* edit = qobject_cast<QLineEdit*>(w);
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
            qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QListWidget*>(w) ||
            (edit && !edit->isReadOnly()))
            found << w;
    }
    return found;
}

// A spin box's editor has the focus on behalf of the spin box.
QStringList TabRound(QWidget& window) {
    QStringList visited;
    QWidget* first = QApplication::focusWidget();
    for (int i = 0; i < 60 && QApplication::focusWidget(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (i > 0 && focus == first)
            break;
        QWidget* control = focus;
        while (control->objectName().startsWith("qt_") && control->parentWidget())
            control = control->parentWidget();
        if (control->window() == &window)
            visited << control->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return visited;
}

}  // namespace kestro::test
