// The main window's status bar: the port, the configuration file, the
// status line and the two status lights, and what the configuration unit
// shows in the window.
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>

#include "config/Configuration.h"
#include "device/DeviceCommands.h"
#include "platform/Lamp.h"
#include "shell/Main.h"

namespace kestro {

namespace {

// The panels' widths; a text that does not fit its panel at the bar's font
// is drawn smaller rather than cut (see ShowInPanel).
constexpr int kPortPanelWidth = 94;
constexpr int kFilePanelWidth = 110;
constexpr int kStatusPanelWidth = 215;
constexpr int kLightsPanelWidth = 36;
constexpr qreal kSmallestPointSize = 6.5;
constexpr qreal kPointStep = 0.5;

// Room for text inside a panel's frame; the width is fixed, so it holds
// before the window is laid out too.
QSize Room(const QLabel& panel) {
    const int frame = 2 * panel.frameWidth();
    return {panel.maximumWidth() - frame, panel.height() - frame};
}

bool FitsOneLine(const QLabel& panel, const QFont& font, const QString& text) {
    return QFontMetrics(font).horizontalAdvance(text) <= Room(panel).width();
}

bool FitsTwoLines(const QLabel& panel, const QFont& font, const QString& text) {
    const QSize room = Room(panel);
    const QRect needed =
        QFontMetrics(font).boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, text);
    return needed.width() <= room.width() && needed.height() <= room.height();
}

// Both ends of a status text matter ("Invalid response received <...>."
// differs from a valid one in its first word), so a text wider than its
// panel is drawn in a smaller font, on one line or else on two; the hint
// and the spoken name always hold it whole (unless the panel's hint says
// something else, `textAsHint` false).
void ShowInPanel(QLabel& panel, const QString& text, bool textAsHint = true) {
    const QFont base = panel.parentWidget()->font();
    QFont font = base;
    bool wrap = false;
    const auto shrink = [&font] {
        font.setPointSizeF(qMax(kSmallestPointSize, font.pointSizeF() - kPointStep));
    };
    while (!FitsOneLine(panel, font, text) && font.pointSizeF() > kSmallestPointSize)
        shrink();
    if (!FitsOneLine(panel, font, text)) {
        wrap = true;
        font = base;
        while (!FitsTwoLines(panel, font, text) && font.pointSizeF() > kSmallestPointSize)
            shrink();
    }
    panel.setFont(font);
    panel.setWordWrap(wrap);
    panel.setText(text);
    if (textAsHint)
        panel.setToolTip(text);
}

QLabel* AddPanel(QStatusBar& bar, const QString& name) {
    auto* panel = new QLabel(&bar);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    // Permanent: a menu entry's hint never covers the panels.
    bar.addPermanentWidget(panel);
    return panel;
}

Lamp* AddStatusLight(QWidget& panel, const QString& name) {
    auto* light = new Lamp(&panel);
    light->setObjectName(name);
    light->setLampSize(11);
    light->setOnColor(QColor(0, 220, 0));
    light->setOffColor(panel.palette().color(QPalette::Window));
    panel.layout()->addWidget(light);
    return light;
}

}  // namespace

void TfrmMain::setupStatusBar() {
    QFont small = sbMain->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    sbMain->setFont(small);
    const int widths[] = {kPortPanelWidth, kFilePanelWidth, kStatusPanelWidth};
    // High enough for two lines at the smallest size ("A A" in no width
    // wraps into two lines).
    QFont smallest = small;
    smallest.setPointSizeF(kSmallestPointSize);
    const int twoLines = QFontMetrics(smallest)
                             .boundingRect(QRect(0, 0, 1, 1 << 20), Qt::TextWordWrap, "A A")
                             .height();
    for (int i = 0; i < 3; ++i) {
        panels_[i] = AddPanel(*sbMain, QString("sbMainPanel%1").arg(i));
        panels_[i]->setFixedWidth(widths[i]);
        panels_[i]->setMinimumHeight(twoLines + 2 * panels_[i]->frameWidth());
    }
    panels_[0]->installEventFilter(this);

    pnlLeds = new QWidget(sbMain);
    pnlLeds->setObjectName("pnlLeds");
    pnlLeds->setMinimumWidth(kLightsPanelWidth);
    auto* leds = new QHBoxLayout(pnlLeds);
    leds->setContentsMargins(4, 0, 4, 0);
    leds->setSpacing(5);
    LedTx = AddStatusLight(*pnlLeds, "LedTx");
    LedRx = AddStatusLight(*pnlLeds, "LedRx");
    leds->addStretch();
    sbMain->addPermanentWidget(pnlLeds, 1);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panels_[0] && event->type() == QEvent::MouseButtonDblClick) {
        sbMainPanels0DblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::showStatus(const std::string& text, bool red) {
    QLabel& panel = *panels_[2];
    QPalette palette = panel.palette();
    palette.setColor(QPalette::WindowText, red ? Qt::red : Qt::black);
    panel.setPalette(palette);
    ShowInPanel(panel, QString::fromStdString(text));
    NoteStatusLine(text, red);
}

void TfrmMain::showPort(const std::string& text) {
    // The port panel's hint says how to choose another port.
    ShowInPanel(*panels_[0], QString::fromStdString(text), false);
}

void TfrmMain::setupConfigView() {
    ConfigView.showFileName = [this](const QString& name) { ShowInPanel(*panels_[1], name); };
    ConfigView.setSlaveId = [this](int slaveId) { seSlaveID->setValue(slaveId); };
}

}  // namespace kestro
