#pragma once
// Watches status panel 2 of the main window as the user would: every text
// it shows, in order, each once however long it stays.

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace kestro::test {

class StatusWatch {
  public:
    explicit StatusWatch(QLabel* panel);

    // Waits until `text` is shown after what an earlier waitFor found, and
    // moves past it; so a series of waits checks an order.
    bool waitFor(const QString& text, int timeoutMs);

    const QStringList& shown() const { return shown_; }
    // The texts with the seconds since the watch began, for failure messages.
    QString history() const;

  private:
    void sample();

    QPointer<QLabel> panel_;
    QTimer timer_;
    QElapsedTimer clock_;
    QStringList shown_;
    QList<qint64> shownAtMs_;
    qsizetype mark_ = 0;
};

}  // namespace kestro::test
