#pragma once
// The report's header as Kestro.ini keeps it, in a [REPORT] section of its
// own; writing it keeps every other section and key of the file.

#include <QString>

#include "tools/report/ServiceReport.h"

namespace kestro::report {

// Empty fields when the file or the section is missing.
ReportHeader ReadReportHeader(const QString& iniFile);
// False, with the reason in `error`, when the file could not be saved; it
// is then unchanged.
bool WriteReportHeader(const QString& iniFile, const ReportHeader& header, QString* error);

}  // namespace kestro::report
