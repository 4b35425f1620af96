#pragma once
// The trend window: the chosen quantities over the last 5 minutes, hour or
// 24 hours, with an axis per unit, pause and resume, a read-out of the
// values under the mouse and a PNG export. Readings keep arriving while it
// is paused or closed.

#include <QWidget>
#include <array>
#include <map>
#include <string>

#include "tools/trend/TrendHistory.h"
#include "ui_TrendWindow.h"

class QCPAxis;
class QCPGraph;
class QCPItemStraightLine;
class QCheckBox;
class QMouseEvent;
class QShowEvent;

namespace kestro {

class TrendWindow : public QWidget, public Ui::TrendWindow {
    Q_OBJECT

  public:
    explicit TrendWindow(ReadingsFeed& feed, QWidget* parent = nullptr);
    ~TrendWindow() override;

    // The check box of a quantity, and its graph while it is shown.
    QCheckBox* checkBoxOf(Quantity q) const { return checkBoxes_[index(q)]; }
    QCPGraph* graphOf(Quantity q) const { return graphs_[index(q)]; }
    // The value axis of a unit ("A", "V", ...; "PF" for the power factor).
    QCPAxis* axisOf(const std::string& unitLabel) const;
    const TrendHistory& history() const { return history_; }

    // Shown time span in seconds.
    double span() const;
    bool paused() const { return pauseButton->isChecked(); }

    // Exports the chart as it is shown; asks for the file.
    void exportPng();
    // What the read-out says for the sample nearest to `time`.
    QString readout(double time) const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    static size_t index(Quantity q) { return static_cast<size_t>(q); }
    void bindCheckBoxes();
    void setShown(Quantity q, bool shown);
    QCPAxis* takeAxis(const std::string& unitLabel);
    void releaseAxis(const std::string& unitLabel);
    void addSample(const TrendHistory::Sample& sample);
    void follow();
    void showCursor(QMouseEvent* event);

    ReadingsFeed& feed_;
    TrendHistory history_;
    std::array<QCheckBox*, kQuantityCount> checkBoxes_{};
    std::array<QCPGraph*, kQuantityCount> graphs_{};
    std::map<std::string, QCPAxis*> axes_;
    QCPItemStraightLine* cursor_ = nullptr;
    double followedTo_ = 0;  // where the time axis ends
};

// The unit's axis label: the unit, or "PF" for the power factor.
std::string AxisLabelOf(Quantity q);

}  // namespace kestro
