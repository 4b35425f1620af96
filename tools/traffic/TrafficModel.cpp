#include "tools/traffic/TrafficModel.h"

#include <QBrush>
#include <QColor>
#include <QStringList>
#include <algorithm>

#include "platform/Regional.h"
#include "tools/traffic/FrameDecoder.h"
#include "tools/traffic/FrameLine.h"

namespace kestro {

namespace {

const char* const kHeaders[TrafficModel::kColumnCount] = {"Time (s)", "Direction", "Outcome",
                                                          "Bytes (hex)", "Decoded"};

const char* const kHeaderTips[TrafficModel::kColumnCount] = {
    "Seconds since Kestro started: when a request was handed to the port, when the last byte "
    "of an answer came, when the wait for an answer ran out",
    "Sent by Kestro or received from the line", "What became of the frame",
    "The frame's bytes as they were on the line, CRC included",
    "Addresses as they travel in the frame, counted from 0 like the analyzer's register map "
    "(register 1 of a read window is address 0)"};

constexpr int kMillisecondDecimals = 3;
// The list shows the first bytes of a long frame, which is all its column
// has room for: laying out hundreds of characters only to elide them would
// make every repaint several times dearer. The tooltip, copy and the saved
// text have them all.
constexpr size_t kShownBytes = 32;
constexpr size_t kTipBytesPerLine = 16;

QString shownBytes(const std::vector<uint8_t>& bytes) {
    if (bytes.size() <= kShownBytes)
        return QString::fromStdString(HexText(bytes));
    const std::vector<uint8_t> first(bytes.begin(), bytes.begin() + long(kShownBytes));
    return QString::fromStdString(HexText(first)) +
           QStringLiteral(" \u2026 (%1 bytes)").arg(bytes.size());
}

QString bytesTip(const std::vector<uint8_t>& bytes) {
    QStringList lines;
    for (size_t at = 0; at < bytes.size(); at += kTipBytesPerLine) {
        const auto end = bytes.begin() + long(std::min(bytes.size(), at + kTipBytesPerLine));
        lines << QString::fromStdString(HexText({bytes.begin() + long(at), end}));
    }
    return lines.join('\n');
}

}  // namespace

TrafficModel::TrafficModel(TrafficLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log) {}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

const FrameEvent* TrafficModel::frameAt(int row) const {
    const FrameHistory& history = log_.history();
    const int64_t index = int64_t(row) - int64_t(history.dropped() - droppedSeen_);
    if (row < 0 || row >= shown_ || index < 0 || index >= int64_t(history.size()))
        return nullptr;
    return &history.at(size_t(index));
}

QString TrafficModel::cellText(const FrameEvent& frame, int column) const {
    switch (column) {
        case TimeColumn:
            return FormatFixed(double(frame.endUs - log_.originUs()) / 1e6, kMillisecondDecimals);
        case DirectionColumn:
            return QString::fromStdString(DirectionText(frame.direction));
        case OutcomeColumn:
            return QString::fromStdString(OutcomeText(frame));
        case BytesColumn:
            return QString::fromStdString(HexText(frame.bytes));
        case DecodedColumn:
            return QString::fromStdString(DecodedText(frame));
    }
    return QString();
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    const FrameEvent* frame = frameAt(index.row());
    if (!frame)
        return QVariant();
    const bool bytes = index.column() == BytesColumn;
    if (role == Qt::DisplayRole)
        return bytes ? shownBytes(frame->bytes) : cellText(*frame, index.column());
    if (role == Qt::ToolTipRole && bytes && !frame->bytes.empty())
        return bytesTip(frame->bytes);
    if (role == Qt::ForegroundRole && IsFailure(frame->outcome))
        return QBrush(QColor(Qt::red));
    if (role == Qt::TextAlignmentRole && index.column() == TimeColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(kHeaders[section]);
    if (role == Qt::ToolTipRole)
        return QString::fromUtf8(kHeaderTips[section]);
    return QVariant();
}

void TrafficModel::sync(bool appendNew) {
    const FrameHistory& history = log_.history();
    const uint64_t dropped = history.dropped() - droppedSeen_;
    // Frames let go beyond the rows shown had not been shown yet.
    const int gone = int(std::min<uint64_t>(dropped, uint64_t(shown_)));
    if (gone > 0)
        beginRemoveRows(QModelIndex(), 0, gone - 1);
    shown_ -= gone;
    droppedSeen_ = history.dropped();
    if (gone > 0)
        endRemoveRows();
    const int size = int(history.size());
    if (appendNew && size > shown_) {
        beginInsertRows(QModelIndex(), shown_, size - 1);
        shown_ = size;
        endInsertRows();
    }
}

void TrafficModel::clear() {
    beginResetModel();
    log_.clearHistory();
    shown_ = 0;
    droppedSeen_ = 0;
    endResetModel();
}

QString TrafficModel::lineText(int row) const {
    const FrameEvent* frame = frameAt(row);
    if (!frame)
        return QString();
    QStringList cells;
    for (int column = 0; column < kColumnCount; ++column)
        cells << cellText(*frame, column);
    return cells.join('\t');
}

QString TrafficModel::headerLine() {
    QStringList cells;
    for (const char* header : kHeaders)
        cells << QString::fromUtf8(header);
    return cells.join('\t');
}

}  // namespace kestro
