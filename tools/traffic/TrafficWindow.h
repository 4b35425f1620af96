#pragma once
// The traffic monitor: one line per frame on the link with its time,
// direction, outcome, bytes and what they say, failures in red; pause,
// clear, copy and save as text; and the link statistics with their reset.
// The frames and counters are the traffic log's, which keeps them while the
// window is closed; the window only shows them.

#include <QTimer>
#include <QWidget>

#include "modbus/FrameFeed.h"
#include "tools/traffic/TrafficModel.h"
#include "ui_TrafficWindow.h"

class QShowEvent;

namespace kestro {

class TrafficWindow : public QWidget, public Ui::TrafficWindow, private FrameObserver {
    Q_OBJECT

  public:
    // New lines are shown this often at most: a batch per interval keeps
    // the window light however fast frames come.
    static constexpr int kBatchMs = 100;

    TrafficWindow(FrameFeed& feed, TrafficLog& log, QWidget* parent = nullptr);
    ~TrafficWindow() override;

    TrafficModel& model() { return model_; }
    bool paused() const { return pauseButton->isChecked(); }

    // The chosen lines, or every line when none is chosen, to the clipboard.
    void copyLines();
    // Every line with a header line; asks for the file.
    void saveAsText();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void onFrame(const FrameEvent& event) override;
    void setupView();
    // Brings the list and the statistics up to the log.
    void flush();
    void showStatistics();
    void showFrameCount();
    QString linesText(const QList<int>& rows) const;

    FrameFeed& feed_;
    TrafficLog& log_;
    TrafficModel model_;
    QTimer batch_;
};

}  // namespace kestro
