#pragma once
// Configuration records for the tests: every number different, so that a
// value stored in the wrong field shows, and a record written as one line,
// so that a failure tells which field differs.

#include <QString>
#include <string>

#include "config/Configuration.h"

namespace kestro::test {

// The floats count up by one from `first`, in file order.
ConfigRecord numberedRecord(const QString& name, const QString& firmware, int32_t slaveId,
                            int32_t baud, float first);
// Every field of a record as one line, for comparing records.
std::string describe(const ConfigRecord& record);

}  // namespace kestro::test
