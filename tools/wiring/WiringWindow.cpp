#include "tools/wiring/WiringWindow.h"

#include <QDateTime>
#include <QHeaderView>
#include <chrono>

#include "platform/IniStore.h"
#include "platform/Regional.h"
#include "platform/UserInteraction.h"
#include "tools/wiring/SnapshotReadings.h"
#include "tools/wiring/Thresholds.h"

namespace kestro {

using namespace wiring;

namespace {

constexpr int kSiteCount = 3;
// The kinds of site as Kestro.ini names them, in the order of the site box.
const char* const kSiteNames[kSiteCount] = {"ConsumesOnly", "MayExport", "ExportsOnly"};
const SiteFlow kSiteFlows[kSiteCount] = {SiteFlow::ConsumesOnly, SiteFlow::MayExport,
                                         SiteFlow::ExportsOnly};

enum Column { kV, kI, kP, kQ, kPF, kPhi, kQuadrant, kDirection, kColumnCount };

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString timeText(const TimeStamp& at) {
    return LongTimeText(
        QDateTime::fromMSecsSinceEpoch(at.msSinceEpoch, Qt::OffsetFromUTC, at.utcOffsetSeconds));
}

QString directionText(bool activeReverse, bool reactiveReverse) {
    return QStringLiteral("P %1, Q %2")
        .arg(activeReverse ? QStringLiteral("reverse") : QStringLiteral("forward"),
             reactiveReverse ? QStringLiteral("reverse") : QStringLiteral("forward"));
}

QString findingHtml(const Finding& finding) {
    QString html =
        QStringLiteral("<p><b>%1</b>").arg(QString::fromStdString(finding.what).toHtmlEscaped());
    if (!finding.check.empty())
        html += QStringLiteral("<br>") + QString::fromStdString(finding.check).toHtmlEscaped();
    return html + QStringLiteral("</p>");
}

}  // namespace

WiringWindow::WiringWindow(ReadingsFeed& feed, Sources sources, QWidget* parent)
    : QWidget(parent, Qt::Window), feed_(feed), sources_(std::move(sources)) {
    setupUi(this);
    if (!sources_.clockMs)
        sources_.clockMs = steadyMs;
    phaseTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    phaseTable->horizontalHeader()->setStretchLastSection(true);
    splitter->setSizes({440, 580});
    readSite();
    connect(siteBox, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { chooseSite(index); });
    ageTimer_.setInterval(1000);
    connect(&ageTimer_, &QTimer::timeout, this, [this] { checkAge(); });
    ageTimer_.start();

    if (const ReadingSnapshot* latest = feed_.latest())
        readingTaken(*latest);
    refresh();
    feed_.subscribe(*this);
}

WiringWindow::~WiringWindow() {
    feed_.unsubscribe(*this);
}

void WiringWindow::readingTaken(const ReadingSnapshot& snapshot) {
    // A refresh after another request shows an earlier reading again: it
    // must not count as one more reading of the same condition.
    if (!snapshot.newReading)
        return;
    const std::optional<FullScale> fullScale =
        sources_.fullScale ? sources_.fullScale() : std::nullopt;
    check_.update(wiringReadingsOf(snapshot, fullScale), sources_.clockMs());
    directions_ = snapshot.status;
    taken_ = snapshot.taken;
    missedReason_.clear();
    refresh();
}

void WiringWindow::readingMissed(const MissedReading& missed) {
    missedReason_ = QString::fromStdString(missed.reason);
    checkAge();
}

void WiringWindow::checkAge() {
    const std::optional<WiringPicture> now = check_.picture(sources_.clockMs());
    if (now && picture_ && now->old != picture_->old)
        refresh();
    else if (now && now->old)
        fillState();  // the reason may have changed
}

void WiringWindow::readSite() {
    const SiteFlow flow = ReadSiteFlow(sources_.settingsFile ? sources_.settingsFile() : QString());
    for (int i = 0; i < kSiteCount; ++i) {
        if (kSiteFlows[i] == flow)
            siteBox->setCurrentIndex(i);
    }
    check_.setSiteFlow(flow);
}

void WiringWindow::chooseSite(int index) {
    if (index < 0 || index >= kSiteCount || kSiteFlows[index] == check_.siteFlow())
        return;
    check_.setSiteFlow(kSiteFlows[index]);
    refresh();
    const QString file = sources_.settingsFile ? sources_.settingsFile() : QString();
    if (file.isEmpty())
        return;  // the main window has said that settings are not kept
    IniStore store(file);
    if (store.Open()) {
        store.WriteString(kWiringSection, kSiteKey, kSiteNames[index]);
        if (store.Close())
            return;
    }
    Interaction().beep(Beep::Exclamation);
    Interaction().message(MessageKind::Warning,
                          QStringLiteral("The kind of site cannot be saved (%1: %2). It holds "
                                         "until Kestro is closed.")
                              .arg(file, store.ErrorString()),
                          Buttons::Ok);
}

void WiringWindow::refresh() {
    picture_ = check_.picture(sources_.clockMs());
    phasorView->setDiagram(picture_ ? std::optional(picture_->diagram) : std::nullopt,
                           picture_ && picture_->old);
    fillTable();
    fillFindings();
    fillState();
}

void WiringWindow::fillTable() {
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        QString cells[kColumnCount];
        if (picture_) {
            const PhaseValues& v = picture_->readings.phase[ph];
            const PhasePhasors& d = picture_->diagram.phase[ph];
            const QString none = QStringLiteral("-");
            cells[kV] = FormatFixed(v.v, 0);
            cells[kI] = FormatFixed(v.i, 1);
            cells[kP] = FormatFixed(v.p, 0);
            cells[kQ] = FormatFixed(v.q, 0);
            cells[kPF] = d.powerFactor ? FormatFixed(*d.powerFactor, 2) : none;
            cells[kPhi] = d.phi ? FormatFixed(*d.phi, 1) : none;
            cells[kQuadrant] = d.quadrant ? QString::fromLatin1(quadrantName(*d.quadrant)) : none;
            cells[kDirection] =
                directionText(directions_.activeReverse[ph], directions_.reactiveReverse[ph]);
        }
        for (int column = 0; column < kColumnCount; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(column < kQuadrant ? Qt::AlignRight | Qt::AlignVCenter
                                                      : Qt::AlignLeft | Qt::AlignVCenter);
            phaseTable->setItem(ph, column, item);
        }
    }
}

void WiringWindow::fillFindings() {
    if (!picture_) {
        findingsView->clear();
        return;
    }
    if (picture_->findings.empty()) {
        findingsView->setHtml(QStringLiteral("<p>Judging the readings: a finding needs %1 "
                                             "readings in a row.</p>")
                                  .arg(kConfirmReadings));
        return;
    }
    QString html;
    for (const Finding& finding : picture_->findings)
        html += findingHtml(finding);
    findingsView->setHtml(html);
}

void WiringWindow::fillState() {
    QString text;
    bool warn = false;
    if (!picture_) {
        text = QStringLiteral("Waiting for a reading from the analyzer.");
    } else if (!picture_->old) {
        text = QStringLiteral("Live: the reading of %1.").arg(timeText(taken_));
    } else {
        warn = true;
        text = QStringLiteral(
                   "Readings have stopped%1: the picture is the last reading, of %2, "
                   "and is old.")
                   .arg(missedReason_.isEmpty() ? QString() : " (" + missedReason_ + ")",
                        timeText(taken_));
    }
    stateLabel->setText(text);
    stateLabel->setStyleSheet(warn ? QStringLiteral("color: #b71c1c; font-weight: bold")
                                   : QString());
}

SiteFlow ReadSiteFlow(const QString& settingsFile) {
    if (settingsFile.isEmpty())
        return SiteFlow::ConsumesOnly;
    IniStore store(settingsFile);
    store.Open();
    const QString name = store.ReadString(kWiringSection, kSiteKey, kSiteNames[0]);
    for (int i = 0; i < kSiteCount; ++i) {
        if (name.compare(QLatin1String(kSiteNames[i]), Qt::CaseInsensitive) == 0)
            return kSiteFlows[i];
    }
    return SiteFlow::ConsumesOnly;
}

}  // namespace kestro
