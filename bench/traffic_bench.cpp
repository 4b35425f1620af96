// What the traffic monitor costs: resident memory for a full history of
// 10,000 frames with the window open and showing them, the work per frame
// that comes while it is open (the log, the batch that shows it, the
// repaint), a burst of frames shown by one batch, and a line full of frames.
//
// Polling with the default scan, a 04h request of 8 bytes and its answer of
// 93 bytes come every 1.9 s; the line at 9600 baud carries at most about
// 190 of the shortest frames (5 bytes) a second.
//
//   traffic_bench [frames]     (default 200 frames one by one)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "bench/Measures.h"
#include "tools/traffic/TrafficWindow.h"

namespace {

using namespace kestro;
using bench::residentMb;
using bench::threadCpuUs;

constexpr double kScanSeconds = 1.9;
constexpr int kFullHistory = 10000;

// The default scan's traffic: a request, then its answer of 44 registers.
FrameEvent frame(int i) {
    FrameEvent e;
    e.startUs = e.endUs = int64_t(i) * 950000;
    if (i % 2 == 0) {
        e.bytes = {0x01, 0x04, 0x00, 0x00, 0x00, 0x2C, 0xF1, 0xD7};
        return e;
    }
    e.direction = FrameDirection::Received;
    e.outcome = FrameOutcome::Valid;
    e.bytes.assign(93, uint8_t(i));
    e.bytes[0] = 0x01;
    e.bytes[1] = 0x04;
    e.bytes[2] = 88;
    return e;
}

// Runs the event loop for `ms`, a frame handed to the feed every
// `everyMs`; the share of a core it took, and the frames per second.
std::pair<double, double> feedFor(FrameFeed& feed, int& next, int ms, int everyMs) {
    const int first = next;
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    feeder.setInterval(everyMs);
    QObject::connect(&feeder, &QTimer::timeout, [&] { feed.onFrame(frame(next++)); });
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    wall.start();
    const double cpu = threadCpuUs();
    feeder.start();
    loop.exec();
    const double seconds = wall.nsecsElapsed() / 1e9;
    return {(threadCpuUs() - cpu) / 1e6 / seconds * 100, (next - first) / seconds};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int oneByOne = argc > 1 ? std::max(20, std::atoi(argv[1])) : 200;

    FrameFeed feed;
    TrafficLog log(0);
    feed.subscribe(log);
    TrafficWindow window(feed, log);
    window.resize(1180, 620);
    window.show();
    QApplication::processEvents();

    // A burst: the log takes every frame at once, one batch shows them all.
    const double before = residentMb();
    double cpu = threadCpuUs();
    for (int i = 0; i < kFullHistory; ++i)
        feed.onFrame(frame(i));
    const double takeUs = (threadCpuUs() - cpu) / kFullHistory;
    QElapsedTimer timer;
    timer.start();
    while (window.model().rowCount() < kFullHistory)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    const double showMs = timer.nsecsElapsed() / 1e6;
    const double after = residentMb();

    // Appending to the full list: the log takes the frame, the oldest row
    // goes and the new one comes; the repaint is not in this figure.
    int next = kFullHistory;
    const int appends = 1000;
    cpu = threadCpuUs();
    for (int n = 0; n < appends; ++n) {
        feed.onFrame(frame(next++));
        window.model().sync(true);
    }
    const double appendUs = (threadCpuUs() - cpu) / appends;
    QApplication::processEvents();

    // One frame at a time into the full history, each shown by its batch
    // and painted before the next comes.
    cpu = threadCpuUs();
    for (int n = 0; n < oneByOne; ++n, ++next) {
        feed.onFrame(frame(next));
        const FrameEvent* last = nullptr;
        while (last == nullptr || last->startUs != frame(next).startUs) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            last = window.model().frameAt(window.model().rowCount() - 1);
        }
        QApplication::processEvents();
    }
    const double perFrameMs = (threadCpuUs() - cpu) / 1000.0 / oneByOne;

    // The line full of the shortest frames, about 190 a second, for 5 s.
    const auto [fullShare, fullRate] = feedFor(feed, next, 5000, 5);

    std::printf(
        "traffic monitor, window open, %d frames kept (requests of 8, answers of 93 "
        "bytes):\n",
        kFullHistory);
    std::printf("  resident memory: %.1f MB before, %.1f MB after, %.1f MB extra\n", before, after,
                after - before);
    std::printf("  a burst of %d frames: %.2f us CPU per frame taken, %.0f ms to show them\n",
                kFullHistory, takeUs, showMs);
    std::printf("  appending a frame to the full list (no repaint): %.1f us CPU\n", appendUs);
    std::printf("  per frame, each shown by a batch of its own and painted: %.3f ms CPU\n",
                perFrameMs);
    std::printf("    polling (2 frames per %.1f s): %.3f%% of a core\n", kScanSeconds,
                2 * perFrameMs / (kScanSeconds * 1000) * 100);
    std::printf("  a full line, %.0f frames a second for 5 s: %.1f%% of a core\n", fullRate,
                fullShare);
    return 0;
}
