#pragma once
// The "Record readings..." entry of the Tools menu: asks for a file, records
// the readings into it until stopped, and shows on the window that it
// records, to which file and how many rows. The entry reads
// "Stop recording" meanwhile.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "platform/DurableFile.h"
#include "tools/recorder/Recorder.h"

class QAction;
class QLabel;

namespace kestro {

class RecordingControl : public QObject {
    Q_OBJECT

  public:
    // `folder` gives the folder proposed for a new recording.
    RecordingControl(ReadingsFeed& feed, QAction& entry, QLabel& indicator,
                     std::function<QString()> folder, QObject* parent = nullptr);
    ~RecordingControl() override;

    bool recording() const { return recorder_ && recorder_->recording(); }
    QString fileName() const { return path_; }

    // The entry: starts with a file chosen by the user, or stops.
    void toggle();
    // Records into `path` (replaced); false when it cannot be written (the
    // user has been told).
    bool start(const QString& path);
    void stop();

  private:
    void onChange();
    void reportCannotRecord(const QString& path, const QString& error);
    static void warn(const QString& text);
    void showState();
    static QString proposedName();

    ReadingsFeed& feed_;
    QAction& entry_;
    QLabel& indicator_;
    std::function<QString()> folder_;
    DurableFile file_;
    std::unique_ptr<Recorder> recorder_;
    QString path_;
};

}  // namespace kestro
