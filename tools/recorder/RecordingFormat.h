#pragma once
// The recording's CSV text (RFC 4180): a header line, then one line per
// reading and one per reading that did not come. Fields are separated by
// commas and numbers written with a point whatever the locale, so that
// spreadsheets and scripts read every file alike; lines end with CR LF.

#include <string>

#include "device/ReadingsFeed.h"

namespace kestro {

// "Time,Ir [A],...,StatusWord,QuantityStateWord,Device clock,No reading"
std::string RecordingHeader();
// The time stamp, every quantity, the two status words and the device
// clock; the last field empty.
std::string RecordingRow(const ReadingSnapshot& snapshot);
// The time stamp, empty fields, and why no reading came in the last field.
std::string GapRow(const MissedReading& missed);

// ISO 8601 local time with milliseconds and the offset from UTC:
// "2026-12-11T14:35:07.250+01:00".
std::string IsoLocalTime(TimeStamp stamp);
// A field as RFC 4180 writes it: quoted, quotes doubled, when it holds a
// comma, a quote or a line break.
std::string CsvField(const std::string& text);

}  // namespace kestro
