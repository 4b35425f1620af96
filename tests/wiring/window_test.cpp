// The wiring check's window offscreen, fed literal readings through a
// readings feed: the phase table and the findings, the picture marked old
// when readings stop, the kind of site kept in Kestro.ini, and the phasor
// diagram as the shared painter draws it.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "tests/support/Locales.h"
#include "tests/support/ScriptedInteraction.h"
#include "tools/wiring/PhasorPainter.h"
#include "tools/wiring/WiringWindow.h"

namespace kestro::test {
namespace {

using wiring::FullScale;

constexpr int64_t kStartMs = 1765460100000;

struct Phase {
    double v, i, p, q;
};

// 230 V, 5 A, P 1035 W and Q 501 Var: φ = atan2(501, 1035) = 25.83°,
// PF = 1035 / 1149.9 = 0.900.
constexpr Phase kLoad{230, 5, 1035, 501};
// The same load measured through a CT turned round: 180° away.
constexpr Phase kReversed{230, 5, -1035, -501};

ReadingSnapshot reading(int second, const Phase (&phases)[3]) {
    const Quantity v[] = {Quantity::Vr, Quantity::Vs, Quantity::Vt};
    const Quantity i[] = {Quantity::Ir, Quantity::Is, Quantity::It};
    const Quantity p[] = {Quantity::Pr, Quantity::Ps, Quantity::Pt};
    const Quantity q[] = {Quantity::Qr, Quantity::Qs, Quantity::Qt};
    ReadingSnapshot s;
    for (int ph = 0; ph < 3; ++ph) {
        s.values[size_t(v[ph])] = phases[ph].v;
        s.values[size_t(i[ph])] = phases[ph].i;
        s.values[size_t(p[ph])] = phases[ph].p;
        s.values[size_t(q[ph])] = phases[ph].q;
        s.status.activeReverse[ph] = phases[ph].p < 0;
        s.status.reactiveReverse[ph] = phases[ph].q < 0;
    }
    s.values[size_t(Quantity::F)] = 50;
    s.taken = TimeStamp{kStartMs + second * 1000, 0};
    return s;
}

class WiringWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ini = dir.filePath("Kestro.ini");
    }
    std::unique_ptr<WiringWindow> open() {
        WiringWindow::Sources sources;
        sources.fullScale = [this] { return fullScale; };
        sources.settingsFile = [this] { return ini; };
        sources.clockMs = [this] { return nowMs; };
        auto window = std::make_unique<WiringWindow>(feed, std::move(sources));
        window->resize(1000, 620);
        window->show();
        return window;
    }
    // A reading every 2 s, as the analyzer gives them.
    void publish(const Phase (&phases)[3], int count = 1) {
        for (int n = 0; n < count; ++n) {
            feed.publish(reading(int(nowMs / 1000), phases));
            nowMs += 2000;
        }
    }
    static QString cell(const WiringWindow& w, int row, int column) {
        const QTableWidgetItem* item = w.phaseTable->item(row, column);
        return item ? item->text() : QString();
    }
    static QString findings(const WiringWindow& w) { return w.findingsView->toPlainText(); }

    QTemporaryDir dir;
    QString ini;
    ReadingsFeed feed;
    int64_t nowMs = 0;
    std::optional<FullScale> fullScale;
    ScriptedInteraction interaction;
};

class WiringWindowLocales : public WiringWindowTest,
                            public ::testing::WithParamInterface<LocaleCase> {};

// A value as written here with a point, shown with the locale's separator.
QString inLocale(const char* text, char separator) {
    return QString::fromLatin1(text).replace('.', QChar(separator));
}

TEST_P(WiringWindowLocales, TableShowsEachPhaseAndAReversedCtIsFoundAfterThreeReadings) {
    LocaleScope locale(GetParam());
    const auto w = open();
    EXPECT_EQ(w->stateLabel->text(), "Waiting for a reading from the analyzer.");
    publish({kLoad, kReversed, kLoad}, 2);
    EXPECT_TRUE(findings(*w).startsWith("Judging the readings")) << findings(*w).toStdString();
    publish({kLoad, kReversed, kLoad});

    const char sep = GetParam().separator;
    const struct {
        int row;
        const char* cells[8];
    } rows[] = {
        {0,
         {"230", "5.0", "1035", "501", "0.90", "25.8", "import, inductive",
          "P forward, Q forward"}},
        {1,
         {"230", "5.0", "-1035", "-501", "-0.90", "-154.2", "export, capacitive",
          "P reverse, Q reverse"}},
    };
    for (const auto& row : rows) {
        for (int column = 0; column < 8; ++column)
            EXPECT_EQ(cell(*w, row.row, column).toStdString(),
                      inLocale(row.cells[column], sep).toStdString())
                << "row " << row.row << " column " << column;
    }
    const QString text = findings(*w);
    EXPECT_TRUE(text.contains("Active power flows back on phase S, though the site only consumes."))
        << text.toStdString();
    EXPECT_TRUE(text.contains("The CT of phase S is probably mounted reversed"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("phase R")) << text.toStdString();
    EXPECT_TRUE(w->stateLabel->text().startsWith("Live: the reading of"));
}

TEST_P(WiringWindowLocales, KeepsTheLastPictureMarkedOldWhenReadingsStop) {
    LocaleScope locale(GetParam());
    const auto w = open();
    publish({kLoad, kLoad, kLoad}, 3);
    EXPECT_EQ(findings(*w).trimmed(), "No wiring fault found");
    const int64_t lastReadingMs = nowMs - 2000;

    feed.publish(MissedReading{TimeStamp{kStartMs + nowMs, 0}, "No response from slave device."});
    nowMs = lastReadingMs + 5999;
    w->checkAge();
    ASSERT_TRUE(w->picture());
    EXPECT_FALSE(w->picture()->old);
    nowMs = lastReadingMs + 6000;
    w->checkAge();
    EXPECT_TRUE(w->picture()->old);
    EXPECT_TRUE(w->stateLabel->text().startsWith(
        "Readings have stopped (No response from slave device.): the picture is the last "
        "reading"))
        << w->stateLabel->text().toStdString();
    EXPECT_TRUE(w->stateLabel->text().endsWith("and is old."));
    // The last picture stays.
    EXPECT_EQ(cell(*w, 2, 1), inLocale("5.0", GetParam().separator));
    EXPECT_EQ(findings(*w).trimmed(), "No wiring fault found");

    publish({kLoad, kLoad, kLoad});
    EXPECT_FALSE(w->picture()->old);
    EXPECT_TRUE(w->stateLabel->text().startsWith("Live: the reading of"));
}

INSTANTIATE_TEST_SUITE_P(Locales, WiringWindowLocales,
                         ::testing::Values(kPointLocale, kCommaLocale), LocaleName);

TEST_F(WiringWindowTest, RepeatedRegistersOfAnEarlierReadingDoNotCountAsReadings) {
    const auto w = open();
    publish({kLoad, kReversed, kLoad}, 2);
    ReadingSnapshot again = reading(4, {kLoad, kReversed, kLoad});
    again.newReading = false;  // the refresh after a write
    feed.publish(again);
    EXPECT_FALSE(findings(*w).contains("phase S")) << findings(*w).toStdString();
}

TEST_F(WiringWindowTest, JudgesCurrentsAgainstTheFullScaleOfTheLoadedConfiguration) {
    const auto w = open();
    publish({kLoad, kLoad, kLoad}, 3);
    EXPECT_EQ(findings(*w).trimmed(), "No wiring fault found");
    FullScale scale;
    for (int ph = 0; ph < 3; ++ph) {
        scale.current[ph] = ph == 0 ? 4 : 100;  // 5 A is 125% of R's 4 A
        scale.voltage[ph] = 400;
    }
    fullScale = scale;
    publish({kLoad, kLoad, kLoad}, 3);
    EXPECT_TRUE(
        findings(*w).contains("The current of phase R reads 125% of its engineering full scale."))
        << findings(*w).toStdString();
}

TEST_F(WiringWindowTest, KeepsTheKindOfSiteInItsOwnSectionOfKestroIni) {
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[PORT]\nName=COM3\n[PORTS]\nCOM1=/dev/ttyUSB0\n");
    }
    {
        const auto w = open();
        EXPECT_EQ(w->siteBox->currentIndex(), 0);  // consumes only, when none is kept
        w->siteBox->setFocus();
        QTest::keyClick(w->siteBox, Qt::Key_Down);
        EXPECT_EQ(w->siteBox->currentText(), "May export (PV, generators)");
    }
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains("[PORT]\nName=COM3\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("[PORTS]\nCOM1=/dev/ttyUSB0\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("[WIRING]\nSite=MayExport")) << text.toStdString();

    // The next window starts with it, and judges reversed power by it.
    const auto w = open();
    EXPECT_EQ(w->siteBox->currentIndex(), 1);
    publish({kLoad, kReversed, kLoad}, 3);
    EXPECT_TRUE(findings(*w).contains("Active power flows back on phase S but forward on R and T."))
        << findings(*w).toStdString();
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_F(WiringWindowTest, SaysWhenTheKindOfSiteCannotBeSaved) {
    ini = dir.filePath("missing-folder/Kestro.ini");
    const auto w = open();
    w->siteBox->setFocus();
    QTest::keyClick(w->siteBox, Qt::Key_Down);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_TRUE(interaction.messages[0].text.startsWith("The kind of site cannot be saved ("))
        << interaction.messages[0].text.toStdString();
}

// Every colour of the live diagram, or of the old one, somewhere in it.
bool hasColour(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xffffff) == colour)
                return true;
        }
    }
    return false;
}

TEST(PhasorPainter, DrawsEachPhaseInItsColourAndAnOldDiagramWashedOutWithItsNote) {
    wiring::WiringReadings r;
    for (auto& ph : r.phase)
        ph = {230, 5, 1035, 501};
    const wiring::PhasorDiagram diagram = wiring::phasorDiagram(r);
    const QRgb phaseColours[] = {0xc62828, 0x2e7d32, 0x1565c0};
    const QRgb oldNote = 0xb71c1c;
    for (bool old : {false, true}) {
        QImage image(500, 500, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        wiring::paintPhasorDiagram(painter, QRectF(0, 0, 500, 500), diagram, old);
        painter.end();
        for (QRgb colour : phaseColours)
            EXPECT_EQ(hasColour(image, colour), !old) << std::hex << colour;
        EXPECT_EQ(hasColour(image, oldNote), old);
    }
}

}  // namespace
}  // namespace kestro::test
