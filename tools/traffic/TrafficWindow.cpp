#include "tools/traffic/TrafficWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QSaveFile>
#include <QScrollBar>
#include <QShortcut>
#include <algorithm>

#include "platform/Regional.h"
#include "platform/UserInteraction.h"
#include "tools/traffic/FrameDecoder.h"

namespace kestro {

namespace {

QString count(uint64_t n) {
    return FormatFixed(double(n), 0);
}

// "8.3 / 9.1 / 12.0" in milliseconds; a dash before the first answer.
QString spread(const TimeSpread& s) {
    if (s.count == 0)
        return QStringLiteral("-");
    auto ms = [](int64_t us) { return FormatFixed(double(us) / 1000.0, 1); };
    return ms(s.minUs) + " / " + ms(s.meanUs()) + " / " + ms(s.maxUs);
}

// The total, then a line per code: "2 x code 2, illegal data address".
QString exceptions(const std::map<int, uint64_t>& byCode) {
    uint64_t total = 0;
    QString lines;
    for (const auto& [code, n] : byCode) {
        total += n;
        const std::string name = ExceptionName(code);
        lines += QStringLiteral("\n%1 \u00D7 code %2").arg(count(n)).arg(code);
        if (!name.empty())
            lines += ", " + QString::fromStdString(name);
    }
    return count(total) + lines;
}

}  // namespace

TrafficWindow::TrafficWindow(FrameFeed& feed, TrafficLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), feed_(feed), log_(log), model_(log) {
    setupUi(this);
    setupView();
    batch_.setSingleShot(true);
    batch_.setInterval(kBatchMs);
    connect(&batch_, &QTimer::timeout, this, [this] { flush(); });
    connect(pauseButton, &QPushButton::toggled, this, [this](bool on) {
        pauseButton->setText(on ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
        if (!on)
            flush();
    });
    connect(clearButton, &QPushButton::clicked, this, [this] {
        model_.clear();
        showFrameCount();
    });
    connect(copyButton, &QPushButton::clicked, this, [this] { copyLines(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { saveAsText(); });
    connect(resetButton, &QPushButton::clicked, this, [this] {
        log_.resetStatistics();
        showStatistics();
    });
    auto* copy = new QShortcut(QKeySequence::Copy, frameView);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, [this] { copyLines(); });
    feed_.subscribe(*this);
    flush();
}

TrafficWindow::~TrafficWindow() {
    feed_.unsubscribe(*this);
}

// Rows of one height and no fitting to contents: with 10,000 lines the view
// must only ever look at the rows it shows.
void TrafficWindow::setupView() {
    frameView->setModel(&model_);
    QHeaderView* rows = frameView->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* columns = frameView->horizontalHeader();
    columns->setStretchLastSection(true);
    columns->setHighlightSections(false);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    frameView->setColumnWidth(TrafficModel::TimeColumn, 11 * digit);
    frameView->setColumnWidth(TrafficModel::DirectionColumn, 10 * digit);
    frameView->setColumnWidth(TrafficModel::OutcomeColumn, 14 * digit);
    frameView->setColumnWidth(TrafficModel::BytesColumn, 40 * digit);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
}

void TrafficWindow::onFrame(const FrameEvent&) {
    if (isVisible() && !batch_.isActive())
        batch_.start();
}

void TrafficWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    flush();
    if (!paused())
        frameView->scrollToBottom();
}

// The list follows the newest line while it is scrolled to the bottom.
void TrafficWindow::flush() {
    const QScrollBar* bar = frameView->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    model_.sync(!paused());
    if (atBottom && !paused())
        frameView->scrollToBottom();
    showFrameCount();
    showStatistics();
}

void TrafficWindow::showFrameCount() {
    const uint64_t letGo = log_.history().dropped();
    QString text = QStringLiteral("%1 frames").arg(count(uint64_t(model_.rowCount())));
    if (letGo > 0)
        text += QStringLiteral(", the last %1 kept").arg(count(log_.history().capacity()));
    frameCountLabel->setText(text);
}

void TrafficWindow::showStatistics() {
    const LinkCounts& c = log_.statistics().counts();
    requestsValue->setText(count(c.requestsSent));
    validValue->setText(count(c.validResponses));
    timeoutsValue->setText(count(c.timeouts));
    crcFailuresValue->setText(count(c.crcFailures));
    invalidValue->setText(count(c.invalidResponses));
    exceptionsValue->setText(exceptions(c.exceptions));
    unexpectedValue->setText(count(c.unexpectedFrames));
    overflowsValue->setText(count(c.rxOverflows));
    echoesValue->setText(count(c.echoes));
    firstByteValue->setText(spread(c.firstByte));
    wholeFrameValue->setText(spread(c.wholeFrame));
}

QString TrafficWindow::linesText(const QList<int>& rows) const {
    QString text;
    for (int row : rows)
        text += model_.lineText(row) + '\n';
    return text;
}

void TrafficWindow::copyLines() {
    QList<int> rows;
    for (const QModelIndex& index : frameView->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        for (int row = 0; row < model_.rowCount(); ++row)
            rows << row;
    }
    QApplication::clipboard()->setText(linesText(rows));
}

void TrafficWindow::saveAsText() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save traffic as text");
    request.fileName =
        QDateTime::currentDateTime().toString(QStringLiteral("'traffic-'yyyy-MM-dd-HHmmss'.txt'"));
    request.filter = QStringLiteral("Text files (*.txt)");
    request.defaultSuffix = QStringLiteral("txt");
    request.save = true;
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = Interaction().chooseFile(request);
    if (!chosen)
        return;
    QList<int> rows;
    for (int row = 0; row < model_.rowCount(); ++row)
        rows << row;
    QSaveFile file(*chosen);
    const bool saved =
        file.open(QIODevice::WriteOnly | QIODevice::Text) &&
        file.write((TrafficModel::headerLine() + '\n' + linesText(rows)).toUtf8()) >= 0 &&
        file.commit();
    if (!saved) {
        Interaction().beep(Beep::Exclamation);
        Interaction().message(
            MessageKind::Warning,
            QStringLiteral("Cannot write %1.").arg(QDir::toNativeSeparators(*chosen)), Buttons::Ok);
    }
}

}  // namespace kestro
