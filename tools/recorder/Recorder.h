#pragma once
// A recording: a readings listener that writes the header and then a row
// for every reading and every reading that did not come, through `write`.
// The first row that cannot be written stops it; what was written stays.

#include <functional>
#include <string>

#include "device/ReadingsFeed.h"

namespace kestro {

class Recorder : public ReadingsListener {
  public:
    // Writes one whole line or nothing; false with `error` set on failure.
    using WriteLine = std::function<bool(const std::string& line, std::string& error)>;

    explicit Recorder(WriteLine write);

    // Writes the header; false when even that failed (see failure()).
    bool start();

    void readingTaken(const ReadingSnapshot& snapshot) override;
    void readingMissed(const MissedReading& missed) override;

    bool recording() const { return recording_; }
    // Rows written after the header: readings and gaps.
    long rows() const { return rows_; }
    // Why the recording stopped by itself; empty while it runs.
    const std::string& failure() const { return failure_; }

    // Called after each row written, and once when a write failed and the
    // recording stopped.
    std::function<void()> onChange;

  private:
    void writeRow(const std::string& line);

    WriteLine write_;
    bool recording_ = false;
    long rows_ = 0;
    std::string failure_;
};

}  // namespace kestro
