#pragma once
// A program run as a child of the test: its standard output gathered as
// lines while the event loop runs (or written to a file, for runs of
// hours), and the child gone when this object goes, whatever happened.
// A test that dies takes its children with it.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace kestro::test {

class ChildProcess {
  public:
    // How the child ends when this object goes: killed at once, or asked
    // by closing its standard input and killed only when it lingers.
    enum class End { Kill, CloseInput };

    // An empty `outputFile` gathers the output as lines.
    ChildProcess(const QString& program, const QStringList& args, End end = End::Kill,
                 const QString& outputFile = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running() const { return process_.state() != QProcess::NotRunning; }
    // Dies without a word: SIGKILL, no clean-up of its own.
    void killHard();

    // The output lines printed so far, and whether one is or holds `text`.
    const QStringList& lines();
    bool sawLine(const QString& line);
    bool sawLineWith(const QString& part);

  private:
    QProcess process_;
    End end_;
    QString pending_;
    QStringList lines_;
};

}  // namespace kestro::test
