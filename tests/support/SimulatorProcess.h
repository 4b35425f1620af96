#pragma once
// The rvx82a-sim program as a child of the test, serving a link in a folder
// of the test; its JSON event lines gathered, or written to a file.

#include <QString>
#include <QStringList>

#include "tests/support/ChildProcess.h"

namespace kestro::test {

class SimulatorProcess {
  public:
    // Starts `rvx82a-sim --link <link> <options>` (a link a killed
    // simulator left behind is removed first); started() tells whether the
    // link is there to open. With an `eventFile` the events go there.
    SimulatorProcess(const QString& link, const QStringList& options,
                     const QString& eventFile = {});
    // Starts `rvx82a-sim --tcp <port> <options>` (0: any free port);
    // started() tells whether it listens, tcpPort() on which port.
    SimulatorProcess(quint16 port, const QStringList& options);

    bool started() const { return started_; }
    bool running() const { return process_.running(); }
    // Dies without a word, as an unplugged adapter does: no clean-up of the
    // link.
    void killHard() { process_.killHard(); }

    // The event lines printed so far, and whether one holds `needle`.
    QStringList events() { return process_.lines(); }
    bool sawEvent(const QString& needle) { return process_.sawLineWith(needle); }
    // The port it listens on, from its start event; 0 before that.
    quint16 tcpPort();

  private:
    bool sawStart();

    QString eventFile_;
    ChildProcess process_;
    bool started_ = false;
};

}  // namespace kestro::test
