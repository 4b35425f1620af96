// Long runs of the real program, offscreen, against rvx82a-sim:
//
//   endurance_link replug --cycles N
//       the simulator killed and started again on the same link N times:
//       time from replug to the next valid response, CPU while unplugged;
//   endurance_link poll --seconds N [simulator options]
//       N seconds of polling with the given line faults: resident memory,
//       status texts seen, the longest time without a valid response.
//
// One summary line per figure on stdout; exit status 1 on any failure.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/endurance/LinkRig.h"
#include "tests/support/core/CpuTime.h"

using namespace kestro::endurance;

namespace {

constexpr int kFirstAnswerMs = 10000;
constexpr int kFaultSeenMs = 15000;
constexpr int kUnpluggedMs = 1000;  // after the program noticed
// A scan of the live readings takes about 2 s (one state per 100 ms tick),
// a failed one a little more. Polling is stalled when no valid response came
// for this long: ten failed scans in a row, at 10% faults, is one in 10^10.
constexpr qint64 kStallMs = 30000;

int argNumber(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

bool waitForMoreOf(LinkRig& rig, const QString& text, int timeoutMs) {
    const qint64 before = rig.status().counts().value(text);
    return waitUntil([&] { return rig.status().counts().value(text) > before; }, timeoutMs);
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printCounts(const StatusCounter& status) {
    for (auto it = status.counts().begin(); it != status.counts().end(); ++it)
        std::printf("  status %8lld  %s\n", static_cast<long long>(it.value()),
                    qPrintable(it.key()));
}

int replug(int cycles) {
    LinkRig rig;
    if (!rig.startSimulator({}) || !rig.startProgram() ||
        !waitForMoreOf(rig, kValid, kFirstAnswerMs)) {
        std::printf("replug: FAILED to start polling\n");
        return 1;
    }
    const long rssStart = residentKiB();
    std::vector<double> resumeMs, cpuPercent;
    int failures = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        rig.killSimulator();
        if (!waitUntil([&] { return rig.status().text().endsWith(kUnplugged); }, kFaultSeenMs)) {
            std::printf("replug: cycle %d: no \"%s\" after the unplug\n", cycle,
                        qPrintable(kUnplugged));
            ++failures;
        }
        const double cpuBefore = kestro::test::processCpuMs() / 1000.0;
        runFor(kUnpluggedMs);
        cpuPercent.push_back((kestro::test::processCpuMs() / 1000.0 - cpuBefore) * 100000.0 /
                             kUnpluggedMs);

        if (!rig.startSimulator({})) {
            std::printf("replug: cycle %d: the simulator did not start\n", cycle);
            return 1;
        }
        QElapsedTimer resume;
        resume.start();
        if (!waitForMoreOf(rig, kValid, kFaultSeenMs)) {
            std::printf("replug: cycle %d: polling did not resume within %d ms (status \"%s\")\n",
                        cycle, kFaultSeenMs, qPrintable(rig.status().text()));
            ++failures;
            continue;
        }
        resumeMs.push_back(double(resume.elapsed()));
    }
    std::printf("replug: %d cycles, %d failures\n", cycles, failures);
    std::printf("replug: time to resume: median %.0f ms, max %.0f ms (%zu resumed)\n",
                median(resumeMs),
                resumeMs.empty() ? 0.0 : *std::max_element(resumeMs.begin(), resumeMs.end()),
                resumeMs.size());
    std::printf("replug: CPU while unplugged: median %.1f%%, max %.1f%% of one core\n",
                median(cpuPercent),
                cpuPercent.empty() ? 0.0 : *std::max_element(cpuPercent.begin(), cpuPercent.end()));
    std::printf("replug: resident memory %ld KiB at the start, %ld KiB at the end\n", rssStart,
                residentKiB());
    return failures == 0 ? 0 : 1;
}

int poll(int seconds, const QStringList& simulatorOptions) {
    LinkRig rig;
    if (!rig.startSimulator(simulatorOptions) || !rig.startProgram() ||
        !waitForMoreOf(rig, kValid, kFirstAnswerMs)) {
        std::printf("poll: FAILED to start polling\n");
        return 1;
    }
    rig.status().resetGap();
    const qint64 validStart = rig.status().validCount();
    const long rssStart = residentKiB();
    const double cpuStart = kestro::test::processCpuMs() / 1000.0;
    QElapsedTimer clock;
    clock.start();
    qint64 nextReportMs = 300000;
    while (clock.elapsed() < qint64(seconds) * 1000) {
        runFor(1000);
        if (clock.elapsed() < nextReportMs)
            continue;
        nextReportMs += 300000;
        std::printf("poll: %4lld s: %lld valid responses, %ld KiB resident\n",
                    static_cast<long long>(clock.elapsed() / 1000),
                    static_cast<long long>(rig.status().validCount() - validStart), residentKiB());
        std::fflush(stdout);
    }
    rig.status().sample();
    const double wall = double(clock.elapsed()) / 1000.0;
    const qint64 valid = rig.status().validCount() - validStart;
    const qint64 longestGap = std::max(rig.status().longestGapMs(), rig.status().sinceValidMs());
    std::printf("poll: %.0f s with simulator options \"%s\"\n", wall,
                qPrintable(simulatorOptions.join(' ')));
    std::printf("poll: resident memory %ld KiB at the start, %ld KiB at the end\n", rssStart,
                residentKiB());
    std::printf("poll: %lld valid responses, one every %.3f s on average; longest gap %lld ms\n",
                static_cast<long long>(valid), valid ? wall / double(valid) : 0.0,
                static_cast<long long>(longestGap));
    std::printf("poll: CPU %.1f%% of one core\n",
                (kestro::test::processCpuMs() / 1000.0 - cpuStart) * 100.0 / wall);
    printCounts(rig.status());
    const bool stalled = valid == 0 || longestGap > kStallMs;
    if (stalled)
        std::printf("poll: STALL: no valid response for %lld ms\n",
                    static_cast<long long>(longestGap));
    return stalled ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == "replug")
        return replug(argNumber(args, "--cycles", 100));
    if (mode == "poll") {
        const int seconds = argNumber(args, "--seconds", 3600);
        const qsizetype at = args.indexOf("--seconds");
        if (at >= 0)
            args.remove(at, 2);
        return poll(seconds, args.mid(1));
    }
    std::fprintf(stderr,
                 "usage: endurance_link replug [--cycles N]\n"
                 "       endurance_link poll [--seconds N] [rvx82a-sim options]\n");
    return 2;
}
