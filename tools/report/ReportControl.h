#pragma once
// File > Service report...: gathers the report from what the program holds
// (reading the analyzer's configuration block when no upload has), keeps
// the technician's header in Kestro.ini, and saves the report as a PDF in
// the configuration folder or prints it.

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "tools/report/ServiceReport.h"
#include "tools/report/WiringWatch.h"

class QWidget;

namespace kestro {
class ReadingsFeed;
}

namespace kestro::report {

// What the report needs of the window that offers it.
struct ReportContext {
    // Where Kestro.ini is read and written; an empty write file keeps the
    // header for this run only.
    std::function<QString()> settingsReadFile;
    std::function<QString()> settingsWriteFile;
    // The traffic monitor's counters, where there is one.
    std::function<std::optional<LinkCounts>()> linkCounts = [] { return std::nullopt; };
    // The kind of site the wiring check judges for.
    std::function<wiring::SiteFlow()> siteFlow = [] { return wiring::SiteFlow::ConsumesOnly; };
};

class ReportControl {
  public:
    ReportControl(ReadingsFeed& feed, QWidget& window, ReportContext context);
    ~ReportControl();

    // Behind the menu entry: the dialog, modal.
    void run();

    // The report as it stands, with this header.
    ServiceReport gather(const ReportHeader& header);
    // Asks for the file (proposed from the site and date in the
    // configuration folder) and writes the PDF; the text says what became
    // of it.
    QString savePdf(const ReportHeader& header);
    QString print(const ReportHeader& header);

  private:
    QImage diagramOf(const ServiceReport& report) const;
    void keepHeader(const ReportHeader& header);

    ReadingsFeed& feed_;
    QWidget& window_;
    ReportContext context_;
    WiringWatch wiring_;
    std::optional<ReportHeader> header_;  // kept for the run when Kestro.ini cannot be written
};

}  // namespace kestro::report
