#pragma once
// The rvx82a-sim program as a child of the test: started on a link in a
// folder of the test, its JSON event lines gathered while the event loop
// runs, and killed when this object goes, whatever happened.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace kestro::test {

class SimulatorProcess {
  public:
    // Starts `rvx82a-sim --link <link> <options>`; started() tells whether
    // the link is there to open.
    SimulatorProcess(const QString& link, const QStringList& options);
    // Starts `rvx82a-sim --tcp <port> <options>` (0: any free port);
    // started() tells whether it listens, tcpPort() on which port.
    SimulatorProcess(quint16 port, const QStringList& options);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool started() const { return started_; }
    quint16 tcpPort();
    // Dies without a word, as an unplugged adapter does: SIGKILL, no clean-up
    // of the link.
    void killHard();
    bool running() const { return process_.state() != QProcess::NotRunning; }

    // The event lines printed so far, and whether one holds `needle`.
    QStringList events();
    bool sawEvent(const QString& needle);

  private:
    bool start(const QStringList& arguments);

    QProcess process_;
    QString pending_;
    QStringList events_;
    bool started_ = false;
};

}  // namespace kestro::test
