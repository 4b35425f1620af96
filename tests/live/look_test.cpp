// The main window as the user sees it with live readings: started the way
// the program starts (port chosen in the selection dialog, the window's own
// poll timer), every value, unit label and lamp must show in full and
// without overlapping. With KESTRO_SCREENSHOT set to a file name the
// window's picture is saved there.
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>

#include "modbus/DB_Modbus.h"
#include "platform/Lamp.h"
#include "shell/Comselect.h"
#include "tests/live/InputRegisters.h"
#include "tests/live/LiveFixture.h"

namespace kestro::test {
namespace {

class LiveLook : public LiveFixture {
  protected:
    void SetUp() override {
        ComSelectProbe = [](int port) { return PortProbeResult{port == 1, "virtual line"}; };
        RunComSelect = [](TfrmComSelect&) { return int(QDialog::Accepted); };
        window->show();
    }
    void TearDown() override {
        window->close();
        ComSelectProbe = nullptr;
        RunComSelect = nullptr;
    }

    void showRealisticReadings() {
        const std::pair<int, float> values[] = {
            {kInIr, 4.2f},       {kInIs, 3.9f},     {kInIt, 4.4f},    {kInVr, 230.1f},
            {kInVs, 229.4f},     {kInVt, 231.0f},   {kInP, 2690.0f},  {kInQ, -410.0f},
            {kInCos, 0.98f},     {kInF, 49.98f},    {kInPr, 950.0f},  {kInQr, 120.0f},
            {kInPs, 880.0f},     {kInQs, -300.0f},  {kInPt, 860.0f},  {kInQt, -230.0f},
            {kInPtot, 12345.0f}, {kInQTot, 987.0f}, {kInTemp, 36.0f},
        };
        for (const auto& [address, value] : values)
            setFloat(address, value, true);
        setWord(kInStatusWord, 1u << kStatusQsRev);
        setWord(kInQuantityStateWord, kQtyAllMask & ~(1u << kQtyVs));
        setWord(kInClockMinSec, 0x3507);
        setWord(kInClockWeekdayHour, 0x0314);
        setWord(kInClockDate, 0x0912);
        setWord(kInClockYear, 0x0026);
        ASSERT_TRUE(rig.runUntil([] { return DB_Modbus.InputRegistersValid; }, 5000));
        poll();
    }
};

std::string describe(const QWidget* widget) {
    const QRect g = widget->geometry();
    return widget->objectName().toStdString() + QStringLiteral(" (%1,%2 %3x%4)")
                                                    .arg(g.x())
                                                    .arg(g.y())
                                                    .arg(g.width())
                                                    .arg(g.height())
                                                    .toStdString();
}

bool fits(const QWidget* widget, const QString& text, int room) {
    return widget->fontMetrics().horizontalAdvance(text) <= room;
}

TEST_F(LiveLook, RealisticReadingsShowInFullAndApart) {
    showRealisticReadings();
    ASSERT_EQ(window->IndVr->text(), "230");
    ASSERT_EQ(window->IndS->text(), "2721");
    ASSERT_TRUE(window->LEDQsRev->isChecked());

    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        const QString name = label->objectName();
        EXPECT_TRUE(fits(label, label->text(), label->contentsRect().width()))
            << name.toStdString() << " \"" << label->text().toStdString() << "\"";
    }
    for (const QLineEdit* edit : {window->IndPtot, window->IndQTot, window->edRTC}) {
        const int room =
            edit->width() - 2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4;
        EXPECT_TRUE(fits(edit, edit->text(), room))
            << describe(edit) << " \"" << edit->text().toStdString() << "\" needs "
            << edit->fontMetrics().horizontalAdvance(edit->text()) << " of " << room;
    }

    // Indicators, unit labels and lamps of one group must not cover each other.
    for (const QGroupBox* group : window->findChildren<QGroupBox*>()) {
        QList<QWidget*> parts;
        for (QWidget* child : group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (child->isVisible())
                parts.append(child);
        for (int i = 0; i < parts.size(); ++i)
            for (int j = i + 1; j < parts.size(); ++j)
                EXPECT_FALSE(parts[i]->geometry().intersects(parts[j]->geometry()))
                    << describe(parts[i]) << " and " << describe(parts[j]);
    }
    for (const Lamp* lamp : window->findChildren<Lamp*>(QRegularExpression("^LED"))) {
        EXPECT_TRUE(lamp->isVisible()) << lamp->objectName().toStdString();
        EXPECT_GE(lamp->width(), lamp->lampSize()) << lamp->objectName().toStdString();
    }

    const QString file = qEnvironmentVariable("KESTRO_SCREENSHOT");
    if (!file.isEmpty()) {
        EXPECT_TRUE(window->grab().save(file)) << file.toStdString();
    }
}

}  // namespace
}  // namespace kestro::test
