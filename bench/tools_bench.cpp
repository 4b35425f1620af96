// What the trend and the recording cost: the trend's memory for 24 hours of
// readings with every quantity shown, one redraw of that view, the work per
// reading while the trend window is open, and the work per recorded row.
// Readings come every 1.9 s with the default scan, so the cost per reading
// divided by 1.9 s is the share of one core.
//
//   tools_bench [readings]     (default 45000, about 24 hours)
#include <qcustomplot.h>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "bench/Measures.h"
#include "platform/DurableFile.h"
#include "tools/recorder/Recorder.h"
#include "tools/trend/TrendWindow.h"

namespace {

using namespace kestro;
using bench::residentMb;
using bench::threadCpuUs;

constexpr double kScanSeconds = 1.9;
constexpr int64_t kStartMs = 1765400000000;

// A plausible reading that moves a little with `i`.
ReadingSnapshot reading(int i) {
    ReadingSnapshot s;
    for (int q = 0; q < kQuantityCount; ++q)
        s.values[size_t(q)] = 100.0 * (q + 1) + 10.0 * std::sin(i * 0.01 + q);
    s.taken = TimeStamp{kStartMs + int64_t(i) * 1900, 3600};
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int readings = argc > 1 ? std::max(100, std::atoi(argv[1])) : 45000;

    ReadingsFeed feed;
    TrendWindow window(feed);
    window.resize(1200, 700);
    window.show();
    window.spanBox->setCurrentIndex(2);
    for (const QuantityInfo& info : Quantities())
        window.checkBoxOf(info.quantity)->setChecked(true);
    QApplication::processEvents();

    const double before = residentMb();
    window.pauseButton->setChecked(true);  // filling, not drawing
    for (int i = 0; i < readings; ++i)
        feed.publish(reading(i));
    window.pauseButton->setChecked(false);
    QApplication::processEvents();
    const double after = residentMb();

    const int redraws = 20;
    QElapsedTimer timer;
    timer.start();
    double cpu = threadCpuUs();
    for (int i = 0; i < redraws; ++i)
        window.chart->replot();
    const double redrawMs = timer.nsecsElapsed() / 1e6 / redraws;
    const double redrawCpuMs = (threadCpuUs() - cpu) / 1000.0 / redraws;

    // Polling with the window open, over 24 hours and over 5 minutes.
    const int live = 200;
    auto perReading = [&](int first) {
        const double start = threadCpuUs();
        for (int i = first; i < first + live; ++i) {
            feed.publish(reading(i));
            QApplication::processEvents();
        }
        return (threadCpuUs() - start) / 1000.0 / live;
    };
    const double perReadingDayMs = perReading(readings);
    window.spanBox->setCurrentIndex(0);
    const double perReadingMs = perReading(readings + live);

    QTemporaryDir folder;
    DurableFile file;
    QString error;
    file.create(folder.filePath("bench.csv"), error);
    Recorder recorder([&file](const std::string& line, std::string&) {
        QString why;
        return file.append(line, why);
    });
    recorder.start();
    const int rows = 200;
    timer.restart();
    cpu = threadCpuUs();
    for (int i = 0; i < rows; ++i)
        recorder.readingTaken(reading(i));
    const double rowCpuMs = (threadCpuUs() - cpu) / 1000.0 / rows;
    const double rowWallMs = timer.nsecsElapsed() / 1e6 / rows;

    std::printf("trend, %d readings (%.1f h), all %d quantities shown:\n", readings,
                readings * kScanSeconds / 3600, kQuantityCount);
    std::printf("  resident memory: %.1f MB before, %.1f MB after, %.1f MB extra\n", before, after,
                after - before);
    std::printf("  redraw of the 24-hour view: %.1f ms wall, %.1f ms CPU\n", redrawMs, redrawCpuMs);
    std::printf("  per reading with the window open, 24 h shown: %.2f ms CPU = %.3f%% of a core\n",
                perReadingDayMs, perReadingDayMs / (kScanSeconds * 1000) * 100);
    std::printf("  per reading with the window open, 5 min shown: %.2f ms CPU = %.3f%% of a core\n",
                perReadingMs, perReadingMs / (kScanSeconds * 1000) * 100);
    std::printf(
        "recording, %d rows: %.3f ms CPU per row = %.4f%% of a core; %.2f ms wall with "
        "the disk\n",
        rows, rowCpuMs, rowCpuMs / (kScanSeconds * 1000) * 100, rowWallMs);
    return 0;
}
