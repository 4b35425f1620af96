// The trend window offscreen, fed through a readings feed: the quantities
// chosen with their axes, a gap drawn as a gap, pause, the read-out and the
// PNG export; and the history it keeps.
#include <gtest/gtest.h>

#include <qcustomplot.h>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <vector>

#include "tests/support/ScriptedInteraction.h"
#include "tools/trend/TrendWindow.h"

namespace kestro::test {
namespace {

constexpr int64_t kStartMs = 1765460100000;  // a whole minute

// A reading at `seconds` after the start with Vr, Ir and Is as given.
ReadingSnapshot reading(double seconds, float vr = 230.0f, float ir = 4.0f, float is = 5.0f) {
    ReadingSnapshot s;
    s.values[static_cast<size_t>(Quantity::Vr)] = vr;
    s.values[static_cast<size_t>(Quantity::Ir)] = ir;
    s.values[static_cast<size_t>(Quantity::Is)] = is;
    s.taken = TimeStamp{kStartMs + int64_t(seconds * 1000), 3600};
    return s;
}

MissedReading missed(double seconds) {
    return {TimeStamp{kStartMs + int64_t(seconds * 1000), 3600}, "No response from slave device."};
}

TEST(TrendHistory, KeepsReadingsAndOneBreakPerRunOfMissedReadings) {
    TrendHistory history;
    history.readingTaken(reading(0));
    history.readingMissed(missed(2));
    history.readingMissed(missed(4));
    ReadingSnapshot repeated = reading(5);
    repeated.newReading = false;  // the refresh after a write
    history.readingTaken(repeated);
    history.readingTaken(reading(6, 231.0f));
    ASSERT_EQ(history.samples().size(), 3u);
    EXPECT_FALSE(history.samples()[0].isBreak);
    EXPECT_TRUE(history.samples()[1].isBreak);
    EXPECT_TRUE(std::isnan(history.samples()[1].value(Quantity::Vr)));
    EXPECT_EQ(history.samples()[2].value(Quantity::Vr), 231.0f);
    EXPECT_EQ(history.nearest(kStartMs / 1000.0 + 1.0)->time, kStartMs / 1000.0);
    EXPECT_EQ(history.nearest(kStartMs / 1000.0 + 5.0)->time, kStartMs / 1000.0 + 6.0);
    EXPECT_TRUE(history.nearest(kStartMs / 1000.0 + 2.9)->isBreak);
}

TEST(TrendHistory, KeepsTwentyFourHours) {
    TrendHistory history;
    for (int minute = 0; minute <= 25 * 60; ++minute)
        history.readingTaken(reading(minute * 60.0));
    ASSERT_FALSE(history.samples().empty());
    const double newest = history.samples().back().time;
    EXPECT_EQ(newest - history.samples().front().time, 24 * 3600.0);
}

class TrendWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(900, 600);
        window.show();
    }
    void feedMinute(bool withGap) {
        for (int s = 0; s <= 60; s += 2) {
            if (withGap && s >= 30 && s < 40) {
                if (s == 30)
                    feed.publish(missed(30.5));
                continue;
            }
            feed.publish(reading(s));
        }
    }

    ScriptedInteraction interaction;
    ReadingsFeed feed;
    TrendWindow window{feed};
};

TEST_F(TrendWindowTest, ChosenQuantitiesShareAnAxisPerUnit) {
    feedMinute(false);
    EXPECT_EQ(window.chart->graphCount(), 0);
    window.checkBoxOf(Quantity::Ir)->setChecked(true);
    window.checkBoxOf(Quantity::Vr)->setChecked(true);
    window.checkBoxOf(Quantity::Is)->setChecked(true);
    ASSERT_EQ(window.chart->graphCount(), 3);
    QCPAxis* amperes = window.axisOf("A");
    QCPAxis* volts = window.axisOf("V");
    ASSERT_NE(amperes, nullptr);
    ASSERT_NE(volts, nullptr);
    EXPECT_NE(amperes, volts);
    EXPECT_EQ(amperes->label(), "A");
    EXPECT_EQ(volts->label(), "V");
    EXPECT_EQ(window.graphOf(Quantity::Ir)->valueAxis(), amperes);
    EXPECT_EQ(window.graphOf(Quantity::Is)->valueAxis(), amperes);
    EXPECT_EQ(window.graphOf(Quantity::Vr)->valueAxis(), volts);
    EXPECT_EQ(window.graphOf(Quantity::Ir)->data()->size(), 31);
    // Each axis spans what its graphs show.
    EXPECT_TRUE(amperes->range().contains(4.0) && amperes->range().contains(5.0));
    EXPECT_LT(amperes->range().upper, 10.0);
    EXPECT_TRUE(volts->range().contains(230.0));

    window.checkBoxOf(Quantity::Vr)->setChecked(false);
    EXPECT_EQ(window.graphOf(Quantity::Vr), nullptr);
    EXPECT_EQ(window.axisOf("V"), nullptr);
    EXPECT_EQ(window.chart->graphCount(), 2);
    EXPECT_EQ(window.checkBoxOf(Quantity::Temperature)->text(), QString::fromUtf8("\u00B0C"));
}

// Along the line of a constant 230 V the chart shows the graph's colour
// before and after the gap, and none within it.
TEST_F(TrendWindowTest, AGapIsDrawnAsAGap) {
    feedMinute(true);
    window.checkBoxOf(Quantity::Vr)->setChecked(true);
    QCPGraph* graph = window.graphOf(Quantity::Vr);
    window.chart->xAxis->setRange(kStartMs / 1000.0, kStartMs / 1000.0 + 60);
    window.chart->replot();
    const QImage image = window.chart->toPixmap().toImage();
    const int y = int(std::lround(graph->valueAxis()->coordToPixel(230.0)));
    auto lineAt = [&](double seconds) {
        const int x =
            int(std::lround(window.chart->xAxis->coordToPixel(kStartMs / 1000.0 + seconds)));
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor c = image.pixelColor(x, y + dy);
            if (std::abs(c.hue() - graph->pen().color().hue()) < 20 && c.saturation() > 100)
                return true;
        }
        return false;
    };
    for (double s : {5.0, 15.0, 27.0, 45.0, 55.0})
        EXPECT_TRUE(lineAt(s)) << s << " s";
    for (double s : {31.0, 34.0, 37.0})
        EXPECT_FALSE(lineAt(s)) << s << " s";

    EXPECT_TRUE(window.readout(kStartMs / 1000.0 + 31.0).endsWith("no reading"));
    EXPECT_TRUE(window.readout(kStartMs / 1000.0 + 10.0).endsWith("Vr 230 V"))
        << window.readout(kStartMs / 1000.0 + 10.0).toStdString();
}

TEST_F(TrendWindowTest, WhilePausedReadingsArriveButTheViewStays) {
    window.checkBoxOf(Quantity::Vr)->setChecked(true);
    feedMinute(false);
    const QCPRange before = window.chart->xAxis->range();
    EXPECT_EQ(before.upper, kStartMs / 1000.0 + 60);
    EXPECT_EQ(before.size(), 300.0);  // 5 minutes
    window.pauseButton->click();
    EXPECT_EQ(window.pauseButton->text(), "&Resume");
    feed.publish(reading(62));
    EXPECT_EQ(window.chart->xAxis->range(), before);
    EXPECT_EQ(window.graphOf(Quantity::Vr)->data()->size(), 32);
    window.pauseButton->click();
    EXPECT_EQ(window.chart->xAxis->range().upper, kStartMs / 1000.0 + 62);
    window.spanBox->setCurrentIndex(2);
    EXPECT_EQ(window.chart->xAxis->range().size(), 24 * 3600.0);
}

TEST_F(TrendWindowTest, ExportsTheChartAsPng) {
    QTemporaryDir folder;
    const QString path = folder.filePath("trend.png");
    window.checkBoxOf(Quantity::Ir)->setChecked(true);
    feedMinute(true);
    interaction.files = {path};
    window.exportButton->click();
    ASSERT_EQ(interaction.dialogs.size(), 1u);
    EXPECT_TRUE(interaction.dialogs[0].fileName.endsWith(".png"));
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), window.chart->size());
    EXPECT_TRUE(interaction.messages.empty());

    const QString shot = qEnvironmentVariable("KESTRO_TREND_SCREENSHOT");
    if (!shot.isEmpty()) {
        window.checkBoxOf(Quantity::Vr)->setChecked(true);
        window.grab().save(shot);
    }
}

}  // namespace
}  // namespace kestro::test
