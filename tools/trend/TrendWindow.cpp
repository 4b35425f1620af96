#include "tools/trend/TrendWindow.h"

#include <qcustomplot.h>
#include <QDateTime>
#include <QDir>
#include <cmath>
#include <limits>

#include "platform/Regional.h"
#include "platform/UserInteraction.h"

namespace kestro {

namespace {

constexpr double kSpans[] = {5 * 60.0, 3600.0, 24 * 3600.0};

// Ten colours that stand apart on white; the second ten quantities take
// them again, darker. Thin solid lines: a day of twenty quantities must
// redraw in a few milliseconds.
QPen penOf(Quantity q) {
    static const QRgb colours[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
                                   0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};
    const int i = static_cast<int>(q);
    const QColor colour(colours[i % 10]);
    QPen pen(i < 10 ? colour : colour.darker(170), 0);
    pen.setCosmetic(true);
    return pen;
}

// Decimals as the main window shows each quantity.
int decimalsOf(Quantity q) {
    switch (q) {
        case Quantity::Ir:
        case Quantity::Is:
        case Quantity::It:
            return 1;
        case Quantity::PF:
            return 2;
        default:
            return 0;
    }
}

}  // namespace

std::string AxisLabelOf(Quantity q) {
    const char* unit = InfoOf(q).unit;
    return *unit ? unit : "PF";
}

TrendWindow::TrendWindow(ReadingsFeed& feed, QWidget* parent)
    : QWidget(parent, Qt::Window), feed_(feed) {
    setupUi(this);
    bindCheckBoxes();
    spanBox->setCurrentIndex(0);

    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss"));
    chart->xAxis->setTicker(ticker);
    chart->yAxis->setVisible(false);
    chart->legend->setVisible(true);
    chart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    chart->setInteraction(QCP::iSelectPlottables, false);
    chart->setNoAntialiasingOnDrag(true);
    cursor_ = new QCPItemStraightLine(chart);
    cursor_->setPen(QPen(Qt::gray, 1, Qt::DashLine));
    cursor_->setVisible(false);

    connect(spanBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        follow();
        chart->replot();
    });
    connect(pauseButton, &QPushButton::toggled, this, [this](bool on) {
        pauseButton->setText(on ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
        if (!on) {
            follow();
            chart->replot();
        }
    });
    connect(exportButton, &QPushButton::clicked, this, [this] { exportPng(); });
    connect(chart, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { showCursor(e); });

    history_.onSample = [this](const TrendHistory::Sample& s) { addSample(s); };
    feed_.subscribe(history_);
}

TrendWindow::~TrendWindow() {
    feed_.unsubscribe(history_);
}

void TrendWindow::bindCheckBoxes() {
    const std::pair<Quantity, QCheckBox*> boxes[] = {
        {Quantity::Ir, checkIr},
        {Quantity::Is, checkIs},
        {Quantity::It, checkIt},
        {Quantity::Vr, checkVr},
        {Quantity::Vs, checkVs},
        {Quantity::Vt, checkVt},
        {Quantity::Pr, checkPr},
        {Quantity::Ps, checkPs},
        {Quantity::Pt, checkPt},
        {Quantity::Qr, checkQr},
        {Quantity::Qs, checkQs},
        {Quantity::Qt, checkQt},
        {Quantity::P, checkP},
        {Quantity::Q, checkQ},
        {Quantity::S, checkS},
        {Quantity::PF, checkPF},
        {Quantity::F, checkF},
        {Quantity::Temperature, checkTemperature},
        {Quantity::ActiveEnergy, checkActiveEnergy},
        {Quantity::ReactiveEnergy, checkReactiveEnergy},
    };
    for (const auto& [quantity, box] : boxes) {
        checkBoxes_[index(quantity)] = box;
        const Quantity q = quantity;
        connect(box, &QCheckBox::toggled, this, [this, q](bool on) {
            setShown(q, on);
            follow();
            chart->replot();
        });
    }
}

QCPAxis* TrendWindow::axisOf(const std::string& unitLabel) const {
    const auto found = axes_.find(unitLabel);
    return found == axes_.end() ? nullptr : found->second;
}

// Quantities of one unit share an axis; the first axis is the chart's own
// left one, further ones are added beside it.
QCPAxis* TrendWindow::takeAxis(const std::string& unitLabel) {
    if (QCPAxis* axis = axisOf(unitLabel))
        return axis;
    QCPAxis* axis = nullptr;
    if (!chart->yAxis->visible()) {
        axis = chart->yAxis;
        axis->setVisible(true);
    } else {
        axis = chart->axisRect()->addAxis(axes_.size() % 2 ? QCPAxis::atRight : QCPAxis::atLeft);
    }
    axis->setLabel(QString::fromStdString(unitLabel));
    axes_[unitLabel] = axis;
    return axis;
}

void TrendWindow::releaseAxis(const std::string& unitLabel) {
    QCPAxis* axis = axisOf(unitLabel);
    if (!axis || !axis->graphs().isEmpty())
        return;
    axes_.erase(unitLabel);
    if (axis == chart->yAxis)
        axis->setVisible(false);
    else
        chart->axisRect()->removeAxis(axis);
}

void TrendWindow::setShown(Quantity q, bool shown) {
    QCPGraph*& graph = graphs_[index(q)];
    const std::string unit = AxisLabelOf(q);
    if (!shown) {
        if (graph)
            chart->removeGraph(graph);
        graph = nullptr;
        releaseAxis(unit);
        return;
    }
    if (graph)
        return;
    graph = chart->addGraph(chart->xAxis, takeAxis(unit));
    graph->setName(checkBoxes_[index(q)]->text());
    graph->setPen(penOf(q));
    graph->setAdaptiveSampling(true);
    graph->setAntialiased(false);
    QVector<QCPGraphData> points;
    points.reserve(int(history_.samples().size()));
    for (const TrendHistory::Sample& s : history_.samples())
        points.append(QCPGraphData(s.time, double(s.value(q))));
    graph->data()->set(points, true);
}

void TrendWindow::addSample(const TrendHistory::Sample& sample) {
    const double oldest = sample.time - TrendHistory::kKeepSeconds;
    for (size_t i = 0; i < graphs_.size(); ++i) {
        if (QCPGraph* graph = graphs_[i]) {
            graph->addData(sample.time, double(sample.values[i]));
            graph->data()->removeBefore(oldest);
        }
    }
    if (paused() || !isVisible())
        return;
    // Redrawn once the time axis moves by a pixel: every reading over 5
    // minutes, about once a minute and a half over 24 hours.
    const double secondsPerPixel = span() / qMax(1, chart->axisRect()->width());
    if (std::abs(sample.time - followedTo_) < secondsPerPixel)
        return;
    follow();
    chart->replot(QCustomPlot::rpQueuedReplot);
}

void TrendWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    follow();
    chart->replot();
}

double TrendWindow::span() const {
    return kSpans[qBound(0, spanBox->currentIndex(), 2)];
}

// The time axis ends at the latest sample; each value axis fits what its
// graphs show in that span.
void TrendWindow::follow() {
    const auto& samples = history_.samples();
    const double end =
        samples.empty() ? QDateTime::currentMSecsSinceEpoch() / 1000.0 : samples.back().time;
    const QCPRange keys(end - span(), end);
    chart->xAxis->setRange(keys);
    followedTo_ = end;
    auto ticker = chart->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    if (ticker)
        ticker->setDateTimeFormat(span() > 3600 ? QStringLiteral("HH:mm")
                                                : QStringLiteral("HH:mm:ss"));
    for (const auto& [unit, axis] : axes_) {
        QCPRange range;
        bool any = false;
        for (QCPGraph* graph : axis->graphs()) {
            bool found = false;
            const QCPRange r = graph->getValueRange(found, QCP::sdBoth, keys);
            if (found) {
                range = any ? QCPRange(qMin(range.lower, r.lower), qMax(range.upper, r.upper)) : r;
                any = true;
            }
        }
        if (!any)
            continue;
        const double margin = qMax(range.size() * 0.05, qMax(std::abs(range.upper), 1.0) * 0.01);
        axis->setRange(range.lower - margin, range.upper + margin);
    }
}

QString TrendWindow::readout(double time) const {
    const TrendHistory::Sample* s = history_.nearest(time);
    if (!s)
        return QString();
    QString text = LongTimeText(QDateTime::fromMSecsSinceEpoch(qint64(s->time * 1000)));
    if (s->isBreak)
        return text + QStringLiteral("  no reading");
    for (const QuantityInfo& info : Quantities()) {
        if (!graphs_[index(info.quantity)])
            continue;
        text += QStringLiteral("  %1 %2").arg(
            QString::fromUtf8(info.name),
            FormatFixed(double(s->value(info.quantity)), decimalsOf(info.quantity)));
        if (*info.unit)
            text += ' ' + QString::fromUtf8(info.unit);
    }
    return text;
}

void TrendWindow::showCursor(QMouseEvent* event) {
    const double time = chart->xAxis->pixelToCoord(event->position().x());
    const TrendHistory::Sample* s = history_.nearest(time);
    readoutLabel->setText(readout(time));
    cursor_->setVisible(s != nullptr);
    if (s) {
        cursor_->point1->setCoords(s->time, 0);
        cursor_->point2->setCoords(s->time, 1);
    }
    chart->replot(QCustomPlot::rpQueuedReplot);
}

void TrendWindow::exportPng() {
    FileDialogRequest request;
    request.title = QStringLiteral("Export chart");
    request.fileName =
        QDateTime::currentDateTime().toString(QStringLiteral("'trend-'yyyy-MM-dd-HHmmss'.png'"));
    request.filter = QStringLiteral("PNG images (*.png)");
    request.defaultSuffix = QStringLiteral("png");
    request.save = true;
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = Interaction().chooseFile(request);
    if (!chosen)
        return;
    if (!chart->savePng(*chosen)) {
        Interaction().beep(Beep::Exclamation);
        Interaction().message(
            MessageKind::Warning,
            QStringLiteral("Cannot write %1.").arg(QDir::toNativeSeparators(*chosen)), Buttons::Ok);
    }
}

}  // namespace kestro
