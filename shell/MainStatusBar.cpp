// The main window's status bar: the port, the configuration file, the
// status line and the two status lights, and what the configuration unit
// shows in the window.
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>

#include "Configuration.h"
#include "Lamp.h"
#include "Main.h"

namespace kestro {

namespace {

// Panel widths at the usual small dialog font; a larger font widens the
// port and file panels so that their usual texts still fit, and the status
// line takes what is left beside the lights.
constexpr int kPortPanelWidth = 94;
constexpr int kFilePanelWidth = 110;
constexpr int kStatusPanelWidth = 215;
constexpr int kLightsPanelWidth = 36;

int WidthFor(const QLabel& panel, int minimum, const QString& widestText) {
    const int frame = 2 * panel.frameWidth() + 8;
    return qMax(minimum, panel.fontMetrics().horizontalAdvance(widestText) + frame);
}

QLabel* AddPanel(QStatusBar& bar, const QString& name, int stretch) {
    auto* panel = new QLabel(&bar);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    // Permanent: a menu entry's hint never covers the panels.
    bar.addPermanentWidget(panel, stretch);
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
    for (int i = 0; i < 3; ++i)
        panels_[i] = AddPanel(*sbMain, QString("sbMainPanel%1").arg(i), i == 2 ? 1 : 0);
    panels_[0]->setFixedWidth(WidthFor(*panels_[0], kPortPanelWidth, "COM12,9600,N,8,1"));
    panels_[1]->setFixedWidth(WidthFor(*panels_[1], kFilePanelWidth, "RVX82UNTITLED.CFG"));
    panels_[2]->setMinimumWidth(kStatusPanelWidth / 2);
    panels_[2]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panels_[0]->installEventFilter(this);

    pnlLeds = new QWidget(sbMain);
    pnlLeds->setObjectName("pnlLeds");
    pnlLeds->setFixedWidth(kLightsPanelWidth);
    auto* leds = new QHBoxLayout(pnlLeds);
    leds->setContentsMargins(4, 0, 4, 0);
    leds->setSpacing(5);
    LedTx = AddStatusLight(*pnlLeds, "LedTx");
    LedRx = AddStatusLight(*pnlLeds, "LedRx");
    leds->addStretch();
    sbMain->addPermanentWidget(pnlLeds);
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
    panel.setText(QString::fromStdString(text));
    // The longer texts do not fit the panel; the hint shows them whole.
    panel.setToolTip(panel.text());
}

void TfrmMain::showPort(const std::string& text) {
    panels_[0]->setText(QString::fromStdString(text));
}

void TfrmMain::setupConfigView() {
    ConfigView.showFileName = [this](const QString& name) {
        panels_[1]->setText(name);
        panels_[1]->setToolTip(name);
    };
    ConfigView.setSlaveId = [this](int slaveId) { seSlaveID->setValue(slaveId); };
}

}  // namespace kestro
