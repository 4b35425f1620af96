#include "tests/support/StatusWatch.h"

#include "tests/support/Waiting.h"

namespace kestro::test {

namespace {

// Every text of the status line stays up for one port tick (55 ms) or
// longer, and a sample is taken between any two events of the program.
constexpr int kSampleMs = 5;
constexpr qsizetype kHistoryShown = 40;

}  // namespace

StatusWatch::StatusWatch(QLabel* panel) : panel_(panel) {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { sample(); });
    timer_.start(kSampleMs);
    sample();
}

void StatusWatch::sample() {
    if (!panel_)
        return;
    const QString text = panel_->text();
    if (!shown_.isEmpty() && shown_.back() == text)
        return;
    shown_ << text;
    shownAtMs_ << clock_.elapsed();
}

bool StatusWatch::waitFor(const QString& text, int timeoutMs) {
    qsizetype found = -1;
    const bool seen = waitUntil(
        [&] {
            sample();
            found = shown_.indexOf(text, mark_);
            return found >= 0;
        },
        timeoutMs);
    if (seen)
        mark_ = found + 1;
    return seen;
}

QString StatusWatch::history() const {
    QStringList lines;
    for (qsizetype i = std::max<qsizetype>(0, shown_.size() - kHistoryShown); i < shown_.size();
         ++i)
        lines << QString("%1 s %2").arg(shownAtMs_[i] / 1000.0, 0, 'f', 2).arg(shown_[i]);
    return "status panel showed: " + lines.join(" | ");
}

}  // namespace kestro::test
