#include "tools/report/ReportControl.h"

#include <QDir>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "config/Configuration.h"
#include "device/DeviceCommands.h"
#include "device/ReadingsFeed.h"
#include "modbus/DB_Modbus.h"
#include "modbus/Ports.h"
#include "platform/Regional.h"
#include "platform/UserInteraction.h"
#include "shell/MainState.h"
#include "tools/report/ReportDialog.h"
#include "tools/report/ReportDocument.h"
#include "tools/report/ReportSettings.h"
#include "tools/wiring/ConfigFullScale.h"
#include "tools/wiring/PhasorPainter.h"

namespace kestro::report {

namespace {

TimeStamp stampOf(const QDateTime& moment) {
    return TimeStamp{moment.toMSecsSinceEpoch(), moment.offsetFromUtc()};
}

ConfigurationInEffect configurationInEffect() {
    ConfigurationInEffect c;
    c.name = Config.Name.toStdString();
    c.file = QDir::toNativeSeparators(CurrentConfigFile()).toStdString();
    c.block.baud = Config.Baud;
    c.block.slaveId = Config.SlaveID;
    for (int i = 0; i < regmap::kFullScaleCount; ++i)
        c.block.fullScale[i] = Config.*ConfigFloats[i];
    c.block.firmware = Config.FirmwareVersion.toLatin1().toStdString();
    return c;
}

std::optional<wiring::FullScale> configFullScale() {
    return wiring::engineeringFullScale(Config);
}

// Square, large enough to stay sharp on paper.
constexpr int kDiagramPixels = 1200;

}  // namespace

ReportControl::ReportControl(ReadingsFeed& feed, QWidget& window, ReportContext context)
    : feed_(feed),
      window_(window),
      context_(std::move(context)),
      wiring_(configFullScale, [this] { return context_.siteFlow(); }) {
    feed_.subscribe(wiring_);
    CommandHost.LatestReading = [this] { return feed_.latest(); };
}

ReportControl::~ReportControl() {
    CommandHost.LatestReading = [] { return nullptr; };
    feed_.unsubscribe(wiring_);
}

void ReportControl::run() {
    const ReportHeader header = header_ ? *header_ : ReadReportHeader(context_.settingsReadFile());
    ReportDialog dialog(header, !QPrinterInfo::availablePrinterNames().isEmpty(), &window_);
    dialog.savePdf = [this](const ReportHeader& h) { return savePdf(h); };
    dialog.print = [this](const ReportHeader& h) { return print(h); };
    dialog.exec();
    keepHeader(dialog.header());
}

// The analyzer's column: the last upload's block, or one read now.
ServiceReport ReportControl::gather(const ReportHeader& header) {
    const QDateTime now = CommandHost.CurrentDateTime();
    ReportInputs in;
    in.header = header;
    in.created = stampOf(now);
    in.kestroVersion = KESTRO_VERSION;
    in.port = Ports.PortOpen ? Settings.Port.Name.toStdString() : std::string();
    in.slaveAddress = DB_Modbus.TargetSlave;
    in.lineBaud = Settings.Port.Baud.toInt();
    in.configuration = configurationInEffect();
    in.readBack = CommandHost.journal.lastReadBack();
    in.readBackFromUpload = in.readBack.has_value();
    if (!in.readBack)
        in.readBack = ReadConfigurationBlock(&in.readBackFailure);
    if (const ReadingSnapshot* latest = feed_.latest())
        in.snapshot = *latest;
    // Readings are stamped with the computer's clock itself.
    in.wiring = wiring_.picture(QDateTime::currentMSecsSinceEpoch());
    in.actions = CommandHost.journal.actions();
    in.link = context_.linkCounts();
    return BuildReport(in, DecimalSeparator());
}

QString ReportControl::savePdf(const ReportHeader& header) {
    keepHeader(header);
    const ServiceReport report = gather(header);
    FileDialogRequest request;
    request.title = "Save Service Report";
    request.folder = Settings.Path;
    request.fileName = ProposedReportName(header.site, CommandHost.CurrentDateTime().date());
    request.filter = "PDF (*.pdf)";
    request.defaultSuffix = "pdf";
    request.save = true;
    request.confirmOverwrite = true;
    const std::optional<QString> file = Interaction().chooseFile(request);
    if (!file)
        return "The report was not saved.";
    QString error;
    if (!WriteReportPdf(report, diagramOf(report), *file, &error)) {
        Interaction().beep(Beep::Exclamation);
        Interaction().message(
            MessageKind::Error,
            "The report cannot be saved to " + QDir::toNativeSeparators(*file) + ": " + error,
            Buttons::Ok);
        return "The report was not saved.";
    }
    return "Saved to " + QDir::toNativeSeparators(*file) + ".";
}

QString ReportControl::print(const ReportHeader& header) {
    keepHeader(header);
    const ServiceReport report = gather(header);
    QPrinter printer;
    QPrintDialog dialog(&printer, &window_);
    if (dialog.exec() != QDialog::Accepted)
        return "The report was not printed.";
    PrintReport(report, diagramOf(report), printer);
    return "Sent to " + printer.printerName() + ".";
}

QImage ReportControl::diagramOf(const ServiceReport& report) const {
    if (!report.wiring)
        return QImage();
    QImage image(kDiagramPixels, kDiagramPixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(kDiagramPixels / 30);
    painter.setFont(font);
    wiring::paintPhasorDiagram(painter, QRectF(image.rect()), report.wiring->diagram,
                               report.wiring->old);
    return image;
}

// Kestro.ini keeps it for the next run; a file that cannot be written
// keeps it for this one.
void ReportControl::keepHeader(const ReportHeader& header) {
    header_ = header;
    const QString file = context_.settingsWriteFile();
    if (!file.isEmpty())
        WriteReportHeader(file, header, nullptr);
}

}  // namespace kestro::report
