#pragma once
// The real program in this process, offscreen, polling rvx82a-sim on a pty
// link: the simulator as a child that can be killed and started again on
// the same link, and a watch on the status line that keeps counts only, so
// that the harness itself does not grow over hours.

#include <QElapsedTimer>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "platform/QtPlatform.h"
#include "shell/Program.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/SimulatorProcess.h"
#include "tests/support/Waiting.h"

namespace kestro::endurance {

inline const QString kValid = "Valid response received <04h>.";
// The end of what the status line says while the adapter is away.
inline const QString kUnplugged = " is unplugged. Plug the adapter in.";

// Status panel 2 sampled every 5 ms, as the end-to-end tests do: how often
// each text came up, and the longest time without a valid response.
class StatusCounter {
  public:
    explicit StatusCounter(QLabel* panel);
    const QHash<QString, qint64>& counts() const { return counts_; }
    qint64 validCount() const { return counts_.value(kValid); }
    // Milliseconds since the last valid response (since the start when none).
    qint64 sinceValidMs() const { return clock_.elapsed() - lastValidMs_; }
    qint64 longestGapMs() const { return longestGapMs_; }
    void resetGap() { longestGapMs_ = 0, lastValidMs_ = clock_.elapsed(); }
    const QString& text() const { return last_; }
    void sample();

  private:
    QPointer<QLabel> panel_;
    QTimer timer_;
    QElapsedTimer clock_;
    QString last_;
    QHash<QString, qint64> counts_;
    qint64 lastValidMs_ = 0, longestGapMs_ = 0;
};

class LinkRig {
  public:
    LinkRig();
    ~LinkRig();
    bool startSimulator(const QStringList& options);
    void killSimulator() { simulator_.reset(); }
    // Starts the program on COM1 = the link; false when it did not poll.
    bool startProgram();
    StatusCounter& status() { return *status_; }
    QString eventFile() const { return dir_.filePath("events.jsonl"); }

  private:
    QTemporaryDir dir_;
    QtPlatform platform_;
    test::ScriptedInteraction interaction_;
    std::unique_ptr<test::SimulatorProcess> simulator_;
    std::unique_ptr<Program> program_;
    std::unique_ptr<StatusCounter> status_;
};

using test::runFor;
using test::waitUntil;
// Resident memory of this process, in KiB.
long residentKiB();

}  // namespace kestro::endurance
