#include "tools/recorder/Recorder.h"

#include "tools/recorder/RecordingFormat.h"

namespace kestro {

Recorder::Recorder(WriteLine write) : write_(std::move(write)) {}

bool Recorder::start() {
    recording_ = write_(RecordingHeader(), failure_);
    return recording_;
}

// A refresh after another request's answer shows a reading already written.
void Recorder::readingTaken(const ReadingSnapshot& snapshot) {
    if (snapshot.newReading)
        writeRow(RecordingRow(snapshot));
}

void Recorder::readingMissed(const MissedReading& missed) {
    writeRow(GapRow(missed));
}

void Recorder::writeRow(const std::string& line) {
    if (!recording_)
        return;
    if (write_(line, failure_))
        ++rows_;
    else
        recording_ = false;
    if (onChange)
        onChange();
}

}  // namespace kestro
