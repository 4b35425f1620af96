#pragma once
// The service report laid out: one document for the PDF and the printer,
// on A4 or Letter as the locale uses, numbers with the locale's decimal
// separator as the screen shows them.

#include <QDate>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QString>

#include "tools/report/ServiceReport.h"

class QPagedPaintDevice;
class QTextDocument;

namespace kestro::report {

// Letter where it is the usual paper (North and Central America, the
// Philippines), A4 elsewhere.
QPageSize::PageSizeId PaperFor(const QLocale& locale);

// "<site> <yyyy-MM-dd>.pdf", characters no file name may hold replaced;
// "Service report <date>.pdf" without a site.
QString ProposedReportName(const std::string& site, const QDate& date);

// The report as a document; `diagram`, when not null, is the phasor
// diagram's picture.
void LayOutReport(QTextDocument& document, const ServiceReport& report, const QImage& diagram);

// Prints the document onto `device` (a PDF writer or a printer) with the
// locale's paper.
void PrintReport(const ServiceReport& report, const QImage& diagram, QPagedPaintDevice& device);

// Writes the PDF. False, with the reason in `error`, when it could not be
// written.
bool WriteReportPdf(const ServiceReport& report, const QImage& diagram, const QString& file,
                    QString* error);

}  // namespace kestro::report
