#include "tools/report/ReportDocument.h"

#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include "platform/Regional.h"

namespace kestro::report {

namespace {

const QString kTable = "<table border='1' cellspacing='0' cellpadding='3' width='100%'>";
const QString kDiagramResource = "kestro://phasor-diagram.png";
constexpr int kDiagramWidthPx = 260;

QString text(const std::string& s) {
    return QString::fromStdString(s).toHtmlEscaped();
}

QString timeText(TimeStamp stamp) {
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(stamp.msSinceEpoch, Qt::OffsetFromUTC,
                                                            stamp.utcOffsetSeconds);
    return ShortDateText(moment) + " " + LongTimeText(moment);
}

QString numberWithUnit(double value, int decimals, const std::string& unit) {
    const QString number = FormatFixed(value, decimals);
    return unit.empty() ? number : number + " " + text(unit);
}

QString row(const QStringList& cells, const char* tag = "td") {
    QString html = "<tr>";
    for (const QString& cell : cells)
        html += QString("<%1>%2</%1>").arg(tag, cell);
    return html + "</tr>";
}

QString heading(const QString& title) {
    return "<h2>" + title + "</h2>";
}

QString headerPart(const ServiceReport& r) {
    QString html = "<h1>Service report</h1><table cellpadding='2'>";
    html += row({"<b>Company</b>", text(r.header.company)});
    html += row({"<b>Technician</b>", text(r.header.technician)});
    html += row({"<b>Site</b>", text(r.header.site)});
    html += row({"<b>Date</b>", timeText(r.created)});
    html += row({"<b>Kestro</b>", "Version " + text(r.kestroVersion)});
    html += "</table>";
    if (!r.header.notes.empty())
        html += "<p><b>Notes</b><br/>" + text(r.header.notes).replace("\n", "<br/>") + "</p>";
    return html;
}

QString analyzerPart(const ServiceReport& r) {
    QString html = heading("Analyzer") + "<table cellpadding='2'>";
    html += row({"<b>Port</b>", r.port.empty() ? "not open" : text(r.port)});
    html += row({"<b>Slave address</b>", QString::number(r.slaveAddress)});
    html += row({"<b>Line</b>", QString::number(r.lineBaud) + " baud, 8N1"});
    html += row({"<b>Firmware</b>", r.firmware.empty() ? "not known" : text(r.firmware)});
    html += row({"<b>Configuration</b>", text(r.configurationName)});
    html += row({"<b>File</b>", text(r.configurationFile)});
    return html + "</table>";
}

QString configurationPart(const ServiceReport& r) {
    QString html = heading("Configuration") + "<p>Analyzer column: " + text(r.readBackSource);
    if (r.configurationMatches)
        html += " The analyzer holds the configuration in effect.";
    html += "</p>" + kTable;
    html += row({"Field", "In effect", "Analyzer", "Compared"}, "th");
    for (const ConfigurationField& f : r.configuration) {
        const QString analyzer =
            f.analyzer ? numberWithUnit(*f.analyzer, f.decimals, f.unit) : QString("-");
        html += row({text(f.label), numberWithUnit(f.inEffect, f.decimals, f.unit), analyzer,
                     !f.analyzer ? ""
                     : f.differs ? "<b><font color='#c00000'>differs</font></b>"
                                 : "same"});
    }
    return html + "</table>";
}

QString readingCell(const ReadingLine& line) {
    return numberWithUnit(line.value, line.decimals, line.unit);
}

// The phase quantities a row per phase, then the totals two a row.
QString readingsPart(const ServiceReport& r) {
    QString html = "<h2 style='page-break-before: always'>Readings</h2>";
    if (!r.readingTaken || r.readings.size() != size_t(kQuantityCount))
        return html + "<p>No reading has come from the analyzer in this run.</p>";
    const auto& q = r.readings;
    auto at = [&q](Quantity quantity) { return q[size_t(quantity)]; };
    html += "<p>Taken " + timeText(*r.readingTaken) + "</p>" + kTable;
    html += row({"Phase", "Current", "Voltage", "Active power", "Reactive power"}, "th");
    const char* const phases[] = {"R", "S", "T"};
    for (int p = 0; p < 3; ++p) {
        html += row({phases[p], readingCell(at(Quantity(int(Quantity::Ir) + p))),
                     readingCell(at(Quantity(int(Quantity::Vr) + p))),
                     readingCell(at(Quantity(int(Quantity::Pr) + p))),
                     readingCell(at(Quantity(int(Quantity::Qr) + p)))});
    }
    html += "</table><br/>" + kTable;
    for (int i = int(Quantity::P); i < kQuantityCount; i += 2) {
        html +=
            row({text(q[i].name), readingCell(q[i]), text(q[i + 1].name), readingCell(q[i + 1])});
    }
    html += "</table><p>";
    for (const std::string& lamps : r.lamps)
        html += text(lamps) + "<br/>";
    return html + "</p>";
}

QString wiringPart(const ServiceReport& r, bool withDiagram) {
    QString html = heading("Wiring");
    if (!r.wiring)
        return html + "<p>No reading to check the wiring with.</p>";
    if (withDiagram)
        html +=
            QString("<p><img src='%1' width='%2'/></p>").arg(kDiagramResource).arg(kDiagramWidthPx);
    if (r.wiring->old)
        html += "<p>From the last reading; readings have stopped since.</p>";
    if (r.findings.empty())
        html += "<p>Too few readings yet for steady findings.</p>";
    html += "<ul>";
    for (const std::string& finding : r.findings)
        html += "<li>" + text(finding) + "</li>";
    return html + "</ul>";
}

QString clockPart(const ServiceReport& r) {
    QString html = heading("Clock");
    if (!r.clock)
        return html + "<p>The analyzer's clock was not read (no reading, or no valid date).</p>";
    const long drift = long(r.clock->driftSeconds);
    const QString how =
        drift == 0  ? "The analyzer's clock agrees with the computer's."
        : drift > 0 ? QString("The analyzer's clock is %1 s ahead of the computer's.").arg(drift)
                    : QString("The analyzer's clock is %1 s behind the computer's.").arg(-drift);
    html += "<table cellpadding='2'>";
    html += row({"<b>Analyzer</b>", text(r.clock->deviceText)});
    html += row({"<b>Computer</b>", timeText(r.clock->computer)});
    html += row({"<b>Drift</b>", QString::number(drift) + " s"});
    return html + "</table><p>" + how + "</p>";
}

// One paragraph each, in order: long details and outcomes stay readable
// on paper and in the PDF's text.
QString actionsPart(const ServiceReport& r) {
    QString html = heading("Actions in this run");
    if (r.actions.empty())
        return html + "<p>Nothing was sent to the analyzer in this run.</p>";
    for (const ActionLine& a : r.actions) {
        const QString outcome =
            a.failed ? "<font color='#c00000'>" + text(a.outcome) + "</font>" : text(a.outcome);
        html += "<p><b>" + timeText(a.at) + " &nbsp; " + text(a.what) + "</b><br/>" +
                text(a.details) + "<br/>Outcome: " + outcome + "</p>";
    }
    return html;
}

QString milliseconds(int64_t us) {
    return FormatFixed(us / 1000.0, 1) + " ms";
}

QString linkPart(const ServiceReport& r) {
    QString html = heading("Link statistics");
    if (!r.link)
        return html + "<p>The link statistics are not available.</p>";
    const LinkCounts& c = *r.link;
    uint64_t exceptions = 0;
    for (const auto& [code, count] : c.exceptions)
        exceptions += count;
    html += "<table cellpadding='2'>";
    auto count = [](uint64_t n) { return QString::number(qulonglong(n)); };
    html +=
        row({"Requests sent", count(c.requestsSent), "Valid responses", count(c.validResponses)});
    html += row({"No response", count(c.timeouts), "CRC failures", count(c.crcFailures)});
    html += row({"Invalid responses", count(c.invalidResponses), "Exceptions", count(exceptions)});
    html += row({"Unexpected frames", count(c.unexpectedFrames), "Echoes", count(c.echoes)});
    html += row({"Receive overflows", count(c.rxOverflows), "", ""});
    if (c.firstByte.count) {
        html += row({"Answer begins after",
                     milliseconds(c.firstByte.minUs) + " / " + milliseconds(c.firstByte.meanUs()) +
                         " / " + milliseconds(c.firstByte.maxUs),
                     "(least / mean / most)", ""});
    }
    return html + "</table>";
}

}  // namespace

QPageSize::PageSizeId PaperFor(const QLocale& locale) {
    switch (locale.territory()) {
        case QLocale::UnitedStates:
        case QLocale::Canada:
        case QLocale::Mexico:
        case QLocale::Chile:
        case QLocale::Colombia:
        case QLocale::Venezuela:
        case QLocale::Philippines:
        case QLocale::CostaRica:
        case QLocale::Guatemala:
        case QLocale::Panama:
        case QLocale::PuertoRico:
        case QLocale::ElSalvador:
        case QLocale::DominicanRepublic:
            return QPageSize::Letter;
        default:
            return QPageSize::A4;
    }
}

QString ProposedReportName(const std::string& site, const QDate& date) {
    QString name = QString::fromStdString(site).simplified();
    name.replace(QRegularExpression(R"([\\/:*?"<>|])"), "-");
    if (name.isEmpty())
        name = "Service report";
    return name + " " + date.toString("yyyy-MM-dd") + ".pdf";
}

void LayOutReport(QTextDocument& document, const ServiceReport& r, const QImage& diagram) {
    const bool withDiagram = !diagram.isNull();
    if (withDiagram)
        document.addResource(QTextDocument::ImageResource, QUrl(kDiagramResource), diagram);
    QFont font = document.defaultFont();
    font.setPointSizeF(9);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(
        "h1 { font-size: 16pt; } h2 { font-size: 12pt; } th { text-align: left; }");
    document.setHtml("<html><body>" + headerPart(r) + analyzerPart(r) + configurationPart(r) +
                     readingsPart(r) + wiringPart(r, withDiagram) + clockPart(r) + actionsPart(r) +
                     linkPart(r) + "</body></html>");
}

void PrintReport(const ServiceReport& report, const QImage& diagram, QPagedPaintDevice& device) {
    device.setPageSize(QPageSize(PaperFor(QLocale())));
    device.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QTextDocument document;
    LayOutReport(document, report, diagram);
    document.print(&device);
}

bool WriteReportPdf(const ServiceReport& report, const QImage& diagram, const QString& file,
                    QString* error) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    {
        QPdfWriter writer(&out);
        writer.setTitle("Service report");
        writer.setCreator("Kestro");
        PrintReport(report, diagram, writer);
    }
    if (out.commit())
        return true;
    if (error)
        *error = out.errorString();
    return false;
}

}  // namespace kestro::report
