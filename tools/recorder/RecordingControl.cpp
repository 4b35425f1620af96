#include "tools/recorder/RecordingControl.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include "platform/UserInteraction.h"

namespace kestro {

RecordingControl::RecordingControl(ReadingsFeed& feed, QAction& entry, QLabel& indicator,
                                   std::function<QString()> folder, QObject* parent)
    : QObject(parent),
      feed_(feed),
      entry_(entry),
      indicator_(indicator),
      folder_(std::move(folder)) {
    connect(&entry_, &QAction::triggered, this, [this] { toggle(); });
    showState();
}

RecordingControl::~RecordingControl() {
    if (recorder_)
        feed_.unsubscribe(*recorder_);
}

QString RecordingControl::proposedName() {
    return QDateTime::currentDateTime().toString(
        QStringLiteral("'readings-'yyyy-MM-dd-HHmmss'.csv'"));
}

void RecordingControl::toggle() {
    if (recording()) {
        stop();
        return;
    }
    FileDialogRequest request;
    request.title = QStringLiteral("Record readings");
    request.folder = folder_ ? folder_() : QString();
    request.fileName = proposedName();
    request.filter = QStringLiteral("CSV files (*.csv)");
    request.defaultSuffix = QStringLiteral("csv");
    request.save = true;
    request.confirmOverwrite = true;
    if (const std::optional<QString> chosen = Interaction().chooseFile(request))
        start(*chosen);
}

bool RecordingControl::start(const QString& path) {
    stop();
    QString error;
    if (!file_.create(path, error)) {
        reportCannotRecord(path, error);
        return false;
    }
    path_ = path;
    recorder_ = std::make_unique<Recorder>([this](const std::string& line, std::string& why) {
        QString qtWhy;
        const bool written = file_.append(line, qtWhy);
        why = qtWhy.toStdString();
        return written;
    });
    if (!recorder_->start()) {
        const QString why = QString::fromStdString(recorder_->failure());
        recorder_.reset();
        file_.close();
        reportCannotRecord(path, why);
        return false;
    }
    recorder_->onChange = [this] { onChange(); };
    feed_.subscribe(*recorder_);
    showState();
    return true;
}

void RecordingControl::stop() {
    if (!recorder_)
        return;
    feed_.unsubscribe(*recorder_);
    recorder_.reset();
    file_.close();
    showState();
}

// Runs inside the feed's call: a failed recording leaves the feed at once,
// and the user is told once the refresh is over, so that no message box
// waits inside the poll.
void RecordingControl::onChange() {
    if (recorder_->recording()) {
        showState();
        return;
    }
    feed_.unsubscribe(*recorder_);
    file_.close();
    const Recorder* stopped = recorder_.get();
    const QString text =
        QStringLiteral(
            "Recording stopped: cannot write to %1 (%2). The %3 rows written before "
            "are kept.")
            .arg(QDir::toNativeSeparators(path_), QString::fromStdString(stopped->failure()))
            .arg(stopped->rows());
    QMetaObject::invokeMethod(
        this,
        [this, stopped, text] {
            if (recorder_.get() == stopped) {
                recorder_.reset();
                showState();
            }
            warn(text);
        },
        Qt::QueuedConnection);
}

void RecordingControl::reportCannotRecord(const QString& path, const QString& error) {
    warn(QStringLiteral("Cannot record readings to %1: %2.")
             .arg(QDir::toNativeSeparators(path), error));
}

void RecordingControl::warn(const QString& text) {
    Interaction().beep(Beep::Exclamation);
    Interaction().message(MessageKind::Warning, text, Buttons::Ok);
}

void RecordingControl::showState() {
    const bool on = recording();
    entry_.setText(on ? QStringLiteral("Stop recording") : QStringLiteral("Record readings..."));
    indicator_.setVisible(on);
    if (!on) {
        indicator_.clear();
        return;
    }
    indicator_.setText(QStringLiteral("Recording to %1: %2 rows")
                           .arg(QFileInfo(path_).fileName())
                           .arg(recorder_->rows()));
    indicator_.setToolTip(QDir::toNativeSeparators(path_));
}

}  // namespace kestro
