#include "shell/Accessibility.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include "platform/Lamp.h"
#include "shell/EventHook.h"
#include "shell/Main.h"

namespace kestro {

namespace {

// The caption a reading is spoken with, kept on the reading's widget.
constexpr char kCaption[] = "accessibleCaption";
// Set on a window once it has been set up.
constexpr char kDone[] = "accessibilityDone";

struct CaptionLabel {
    const char* caption;
    const char* field;
};

// Caption labels and the fields they name. A pair applies in the window
// that holds both.
const CaptionLabel kCaptionLabels[] = {
    // Main window: the measurements, meters and clocks.
    {"lblPr", "IndPr"},
    {"lblPs", "IndPs"},
    {"lblPt", "IndPt"},
    {"lblQr", "IndQr"},
    {"lblQs", "IndQs"},
    {"lblQt", "IndQt"},
    {"lblP", "IndP"},
    {"lblQ", "IndQ"},
    {"lblS", "IndS"},
    {"lblVr", "IndVr"},
    {"lblVs", "IndVs"},
    {"lblVt", "IndVt"},
    {"lblIr", "IndIr"},
    {"lblIs", "IndIs"},
    {"lblIt", "IndIt"},
    {"lblF", "IndF"},
    {"lblCos", "IndCos"},
    {"lblTemp", "IndTemp"},
    {"lblPtot", "IndPtot"},
    {"lblQTot", "IndQTot"},
    {"lblComputerDate", "edComputerDate"},
    {"lblComputerTime", "edComputerTime"},
    {"lblRTC", "edRTC"},
    // Port selection.
    {"lblComSelect", "cbComPorts"},
    // Device configuration.
    {"Label3", "lblVersion"},
    {"Label2", "edConfigName"},
    {"Label1", "cbBaud"},
    {"lblSlaveID", "seSlaveID"},
    {"lblInpIr", "meInpIr"},
    {"lblInpIs", "meInpIs"},
    {"lblInpIt", "meInpIt"},
    {"lblEngIr", "meEngIr"},
    {"lblEngIs", "meEngIs"},
    {"lblEngIt", "meEngIt"},
    {"lblInpVr", "meInpVr"},
    {"lblInpVs", "meInpVs"},
    {"lblInpVt", "meInpVt"},
    {"lblEngVr", "meEngVr"},
    {"lblEngVs", "meEngVs"},
    {"lblEngVt", "meEngVt"},
    // Calibration: the applied inputs (the voltage captions carry the
    // names lblEng..).
    {"lblInpIr", "meCalIr"},
    {"lblInpIs", "meCalIs"},
    {"lblInpIt", "meCalIt"},
    {"lblEngIr", "meCalVr"},
    {"lblEngIs", "meCalVs"},
    {"lblEngIt", "meCalVt"},
    // Both dialogs: the status panel's title names its text.
    {"pnlTitle", "lblStatus"},
};

struct FixedText {
    const char* widget;
    const char* text;
};

// Readings without a caption label of their own.
const FixedText kCaptions[] = {
    {"sbMainPanel0", "Port"},   {"sbMainPanel1", "Configuration file"},
    {"sbMainPanel2", "Status"}, {"LedTx", "Transmit"},
    {"LedRx", "Receive"},
};

// Controls whose own text does not say what they do.
const FixedText kNames[] = {
    {"IndPtotButton", "Reset kWh meter"},
    {"IndQTotButton", "Reset kVarh meter"},
    {"edRTCButton", "Set RTC from the computer's clock"},
    {"clbCalControl", "Quantities to calibrate"},
    {"imgAnalyzer", "RVX82A analyzer"},
};

// The meter and clock fields hand the focus on to the Slave ID field, so
// without these Tab stops their commands would need a mouse.
const char* const kKeyboardButtons[] = {"IndPtotButton", "IndQTotButton", "edRTCButton"};

// A caption as it is spoken: no access key mark, no closing colon.
QString Plain(QString caption) {
    caption.remove('&');
    caption = caption.trimmed();
    if (caption.endsWith(':'))
        caption.chop(1);
    return caption.trimmed();
}

// A label or lamp that shows a reading: spoken as "caption: value".
class Reading : public QAccessibleWidget {
  public:
    explicit Reading(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        if (kind != QAccessible::Name)
            return QAccessibleWidget::text(kind);
        const QString caption = widget()->property(kCaption).toString();
        const QString shown = value();
        return shown.isEmpty() ? caption : caption + ": " + shown;
    }

  protected:
    virtual QString value() const = 0;
};

class LabelReading : public Reading {
  public:
    using Reading::Reading;

  protected:
    QString value() const override { return static_cast<const QLabel*>(widget())->text(); }
};

class LampReading : public Reading {
  public:
    using Reading::Reading;

  protected:
    QString value() const override {
        return static_cast<const Lamp*>(widget())->isChecked() ? "on" : "off";
    }
};

QAccessibleInterface* ReadingFactory(const QString& className, QObject* object) {
    if (!object->property(kCaption).isValid())
        return nullptr;
    if (className == QLatin1String("QLabel"))
        return new LabelReading(static_cast<QWidget*>(object));
    if (className == QLatin1String("kestro::Lamp"))
        return new LampReading(static_cast<QWidget*>(object));
    return nullptr;
}

// Qt keeps an interface once made; one made before the caption was set
// is dropped, so that the next question gets the reading.
void SetCaption(QWidget& reading, const QString& caption) {
    reading.setProperty(kCaption, caption);
    QAccessibleInterface* cached = QAccessible::queryAccessibleInterface(&reading);
    if (cached && !dynamic_cast<Reading*>(cached))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(cached));
}

void NameByCaptionLabels(QWidget& window) {
    for (const CaptionLabel& pair : kCaptionLabels) {
        auto* caption = window.findChild<QLabel*>(pair.caption);
        auto* field = window.findChild<QWidget*>(pair.field);
        if (!caption || !field)
            continue;
        caption->setBuddy(field);
        if (qobject_cast<QLabel*>(field))
            SetCaption(*field, Plain(caption->text()));
        else
            field->setAccessibleName(Plain(caption->text()));
    }
}

// The arrows beside an indicator tell the direction of its power flow.
QString LampCaption(const QWidget& window, const Lamp& lamp) {
    for (const FixedText& fixed : kCaptions) {
        if (lamp.objectName() == QLatin1String(fixed.widget))
            return fixed.text;
    }
    if (!lamp.text().isEmpty())
        return lamp.text();
    static const QRegularExpression arrow("^LED(\\w+)(Fwd|Rev)$");
    const QRegularExpressionMatch match = arrow.match(lamp.objectName());
    const auto* indicator =
        match.hasMatch() ? window.findChild<QLabel*>("lbl" + match.captured(1)) : nullptr;
    if (!indicator)
        return {};
    return Plain(indicator->text()) + (match.captured(2) == "Fwd" ? " forward" : " reverse");
}

void NameLamps(QWidget& window) {
    for (Lamp* lamp : window.findChildren<Lamp*>()) {
        const QString caption = LampCaption(window, *lamp);
        if (caption.isEmpty())
            continue;
        SetCaption(*lamp, caption);
        QObject::connect(lamp, &Lamp::toggled, lamp, [lamp] {
            QAccessibleEvent event(lamp, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        });
    }
}

bool IsField(const QWidget& widget) {
    return qobject_cast<const QLineEdit*>(&widget) || qobject_cast<const QComboBox*>(&widget) ||
           qobject_cast<const QAbstractSpinBox*>(&widget);
}

void NameTheRest(QWidget& window) {
    for (const FixedText& fixed : kCaptions) {
        if (auto* label = window.findChild<QLabel*>(fixed.widget))
            SetCaption(*label, fixed.text);
    }
    for (const FixedText& fixed : kNames) {
        if (auto* widget = window.findChild<QWidget*>(fixed.widget))
            widget->setAccessibleName(fixed.text);
    }
    // A field without a caption of its own, like the MODBUS ID field, is
    // named by its group.
    for (QWidget* field : window.findChildren<QWidget*>()) {
        auto* group = qobject_cast<QGroupBox*>(field->parentWidget());
        if (group && IsField(*field) && field->accessibleName().isEmpty())
            field->setAccessibleName(group->title().trimmed());
    }
}

// Status panel 0 takes the focus like a button: Enter or Space chooses
// another port, as a double click does.
void MakePortPanelAButton(TfrmMain& window) {
    QLabel& panel = *window.sbMainPanel(0);
    panel.setFocusPolicy(Qt::TabFocus);
    panel.setStyleSheet(
        "QLabel:focus { background: palette(highlight); color: palette(highlighted-text); }");
    panel.setToolTip("Double-click or press Enter to choose another port");
    panel.setAccessibleDescription(panel.toolTip());
    EventHook::Install(panel, [&window](QEvent& event) {
        if (event.type() != QEvent::KeyPress)
            return false;
        const auto& key = static_cast<QKeyEvent&>(event);
        const bool press =
            key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space;
        if (!press || (key.modifiers() & ~Qt::KeypadModifier))
            return false;
        window.sbMainPanels0DblClick();
        return true;
    });
}

void OpenToTheKeyboard(QWidget& window) {
    for (const char* name : kKeyboardButtons) {
        if (auto* button = window.findChild<QAbstractButton*>(name))
            button->setFocusPolicy(Qt::TabFocus);
    }
    if (auto* main = qobject_cast<TfrmMain*>(&window)) {
        MakePortPanelAButton(*main);
        // The Tab stops above come first in the window; the focus starts
        // where the meter fields send it.
        main->seSlaveID->setFocus(Qt::OtherFocusReason);
    }
}

void SetUp(QWidget& window) {
    if (window.property(kDone).toBool())
        return;
    window.setProperty(kDone, true);
    NameByCaptionLabels(window);
    NameLamps(window);
    NameTheRest(window);
    OpenToTheKeyboard(window);
}

// Sets up each window as it is first shown, before a screen reader hears
// of it.
class WindowWatch : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show && object->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(object);
            if (widget->isWindow())
                SetUp(*widget);
        }
        return false;
    }
};

}  // namespace

void MakeAccessible(QWidget& window) {
    static const bool installed = [] {
        QAccessible::installFactory(ReadingFactory);
        qApp->installEventFilter(new WindowWatch(qApp));
        return true;
    }();
    (void)installed;
    SetUp(window);
}

}  // namespace kestro
