#pragma once
// The traffic log's frames as the rows of a table: time, direction,
// outcome, bytes and decoded column, failures in red. Rows follow the log
// in batches (`sync`), not frame by frame, so that the view keeps up with
// the line however fast frames come.

#include <QAbstractTableModel>
#include <QString>

#include "tools/traffic/TrafficLog.h"

namespace kestro {

class TrafficModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { TimeColumn, DirectionColumn, OutcomeColumn, BytesColumn, DecodedColumn };
    static constexpr int kColumnCount = 5;

    explicit TrafficModel(TrafficLog& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Brings the rows up to the log: the frames that the bounded history
    // let go leave at the top, and unless `appendNew` is false (paused)
    // the frames that came are appended.
    void sync(bool appendNew);
    // Empties the log's history and the table.
    void clear();

    // The frame of a row; null for one the history has let go since the
    // last sync.
    const FrameEvent* frameAt(int row) const;
    // One row as a line of text, the columns separated by tabs; the header
    // line the same way.
    QString lineText(int row) const;
    static QString headerLine();

  private:
    QString cellText(const FrameEvent& frame, int column) const;

    TrafficLog& log_;
    int shown_ = 0;             // rows: the history's first frames at the last sync
    uint64_t droppedSeen_ = 0;  // the history's dropped count at the last sync
};

}  // namespace kestro
