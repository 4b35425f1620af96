#include "device/LiveReadings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <stdexcept>
#include <string>

#include "device/RegisterMap.h"
#include "device/Utility.h"
#include "platform/Lamp.h"
#include "platform/Regional.h"

namespace kestro {

using namespace regmap;

namespace {

template <class T>
T* control(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::logic_error(std::string("main window has no control ") + name);
    return found;
}

const char* const kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};

QString weekdayName(int index) {
    // A weekday the table has no name for must not take the clock text down.
    return index >= 1 && index <= 7 ? QString::fromLatin1(kWeekdays[index - 1])
                                    : QStringLiteral("?");
}

constexpr uint16_t bit(int n) {
    return uint16_t(1u << n);
}

QString hex4(uint16_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QChar('0')).toUpper();
}
QString hex2(unsigned value) {
    return QStringLiteral("%1").arg(value, 2, 16, QChar('0')).toUpper();
}

}  // namespace

void LiveReadings::Indicator::setText(const QString& text) const {
    if (label) {
        label->setText(text);
    } else {
        edit->setText(text);
    }
}

LiveReadings::LiveReadings(QWidget& window)
    : QObject(&window),
      swapFloat_(control<QCheckBox>(window, "cbSwapFloat")),
      readings_(bindReadings(window)),
      indS_(control<QLabel>(window, "IndS")),
      indTemp_(control<QLabel>(window, "IndTemp")),
      edRTC_(control<QLineEdit>(window, "edRTC")),
      lampRules_(bindLamps(window)),
      colourRules_(bindColours(window)) {}

LiveReadings::Indicator LiveReadings::labelIndicator(QWidget& window, const char* name) {
    return Indicator{control<QLabel>(window, name), nullptr};
}

// The values in the order they are read and written, with their decimals.
std::array<LiveReadings::Reading, 18> LiveReadings::bindReadings(QWidget& w) {
    auto label = [&w](const char* name) { return labelIndicator(w, name); };
    auto edit = [&w](const char* name) { return Indicator{nullptr, control<QLineEdit>(w, name)}; };
    return {{
        {Quantity::Ir, label("IndIr"), 1},
        {Quantity::Is, label("IndIs"), 1},
        {Quantity::It, label("IndIt"), 1},
        {Quantity::Vr, label("IndVr"), 0},
        {Quantity::Vs, label("IndVs"), 0},
        {Quantity::Vt, label("IndVt"), 0},
        {Quantity::P, label("IndP"), 0},
        {Quantity::Q, label("IndQ"), 0},
        {Quantity::PF, label("IndCos"), 2},
        {Quantity::F, label("IndF"), 0},
        {Quantity::Pr, label("IndPr"), 0},
        {Quantity::Qr, label("IndQr"), 0},
        {Quantity::Ps, label("IndPs"), 0},
        {Quantity::Qs, label("IndQs"), 0},
        {Quantity::Pt, label("IndPt"), 0},
        {Quantity::Qt, label("IndQt"), 0},
        {Quantity::ActiveEnergy, edit("IndPtot"), 0},
        {Quantity::ReactiveEnergy, edit("IndQTot"), 0},
    }};
}

// Exactly one lamp of each direction pair is lit.
std::array<LiveReadings::LampRule, 18> LiveReadings::bindLamps(QWidget& w) {
    auto lamp = [&w](const char* name) { return control<Lamp>(w, name); };
    return {{
        {lamp("LEDPhaseSeqErr"), kStatusPhaseSeqErr, true},
        {lamp("LEDMissingPhase"), kStatusMissingPhase, true},
        {lamp("LEDPrFwd"), kStatusPrRev, false},
        {lamp("LEDPrRev"), kStatusPrRev, true},
        {lamp("LEDQrFwd"), kStatusQrRev, false},
        {lamp("LEDQrRev"), kStatusQrRev, true},
        {lamp("LEDPsFwd"), kStatusPsRev, false},
        {lamp("LEDPsRev"), kStatusPsRev, true},
        {lamp("LEDQsFwd"), kStatusQsRev, false},
        {lamp("LEDQsRev"), kStatusQsRev, true},
        {lamp("LEDPtFwd"), kStatusPtRev, false},
        {lamp("LEDPtRev"), kStatusPtRev, true},
        {lamp("LEDQtFwd"), kStatusQtRev, false},
        {lamp("LEDQtRev"), kStatusQtRev, true},
        {lamp("LEDSignalLoss"), kStatusSignalLoss, true},
        {lamp("LEDLossR"), kStatusLossR, true},
        {lamp("LEDLossS"), kStatusLossS, true},
        {lamp("LEDLossT"), kStatusLossT, true},
    }};
}

// A current is black while any quantity of its phase is.
std::array<LiveReadings::ColourRule, 12> LiveReadings::bindColours(QWidget& w) {
    auto label = [&w](const char* name) { return control<QLabel>(w, name); };
    return {{
        {label("IndPr"), bit(kQtyPr)},
        {label("IndPs"), bit(kQtyPs)},
        {label("IndPt"), bit(kQtyPt)},
        {label("IndQr"), bit(kQtyQr)},
        {label("IndQs"), bit(kQtyQs)},
        {label("IndQt"), bit(kQtyQt)},
        {label("IndVr"), bit(kQtyVr)},
        {label("IndVs"), bit(kQtyVs)},
        {label("IndVt"), bit(kQtyVt)},
        {label("IndIr"), uint16_t(bit(kQtyPr) | bit(kQtyQr) | bit(kQtyVr))},
        {label("IndIs"), uint16_t(bit(kQtyPs) | bit(kQtyQs) | bit(kQtyVs))},
        {label("IndIt"), uint16_t(bit(kQtyPt) | bit(kQtyQt) | bit(kQtyVt))},
    }};
}

bool LiveReadings::swapWords() const {
    return swapFloat_->isChecked();
}

// S is the snapshot's, derived from the whole-number P and Q just shown.
void LiveReadings::readingTaken(const ReadingSnapshot& snapshot) {
    for (const Reading& r : readings_)
        r.indicator.setText(FormatFixed(snapshot.value(r.quantity), r.decimals));
    indS_->setText(FormatFixed(snapshot.value(Quantity::S), 0));
    showLamps(snapshot.statusWord);
    showQuantityColours(snapshot.quantityStateWord);
    showDeviceClock(snapshot.clockRegisters);
    indTemp_->setText(FormatFixed(snapshot.value(Quantity::Temperature), 0));
}

void LiveReadings::showLamps(uint16_t statusWord) {
    for (const LampRule& rule : lampRules_)
        rule.lamp->setChecked(TestBit(statusWord, rule.bit) == rule.litWhenSet);
}

void LiveReadings::showQuantityColours(uint16_t quantityStateWord) {
    for (const ColourRule& rule : colourRules_) {
        QPalette palette = rule.label->palette();
        palette.setColor(QPalette::WindowText,
                         (quantityStateWord & rule.mask) != 0 ? Qt::black : Qt::red);
        rule.label->setPalette(palette);
    }
}

// Registers 38 to 41 hold BCD digits, so their hexadecimal digits read as
// the decimal clock: "DD:MM:20YY, hh:mm:ss, weekday".
void LiveReadings::showDeviceClock(const std::array<uint16_t, 4>& clock) {
    const auto [minutesAndSeconds, dayAndHours, dateWord, year] = clock;
    const QString date = hex4(dateWord);
    edRTC_->setText(date.left(2) + ':' + date.mid(2, 2) + ":20" + hex2(year) + ", ");
    const QString minSec = hex4(minutesAndSeconds);
    edRTC_->setText(edRTC_->text() + hex2(dayAndHours & 0xFF) + ':' + minSec.left(2) + ':' +
                    minSec.mid(2, 2) + ", " + weekdayName(dayAndHours >> 8));
}

LiveReadings& InstallLiveReadings(QWidget* mainWindow) {
    auto* existing = mainWindow->findChild<LiveReadings*>(QString(), Qt::FindDirectChildrenOnly);
    return existing ? *existing : *new LiveReadings(*mainWindow);
}

}  // namespace kestro
