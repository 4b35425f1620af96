// The service report saved as a PDF through its dialog: the file proposed,
// the text of the PDF under a point and a comma locale, the header kept in
// Kestro.ini.
#include <QFile>

#include "platform/Regional.h"
#include "tests/report/ReportFixture.h"

namespace kestro::test {
namespace {

class ReportPdfTest : public ReportTest, public ::testing::WithParamInterface<LocaleCase> {
  protected:
    void SetUp() override {
        locale_.emplace(GetParam());
        ReportTest::SetUp();
    }
    // "2.5" with the locale's decimal separator.
    static QString local(QString number) { return number.replace('.', QChar(DecimalSeparator())); }

  private:
    std::optional<LocaleScope> locale_;
};

const report::ReportHeader kHeader{"Acme Service", "J. Smith", "Plant North",
                                   "Panel 2, left feeder\nCT ratio checked"};

TEST_P(ReportPdfTest, ThePdfHoldsTheValuesFindingsAndActionsInTheScreensNumbers) {
    startPolling();
    ASSERT_EQ(download(), "Configuration downloaded.");
    resetKWh();
    const QString file = inProgram("Plant North 2026-12-11.pdf");

    EXPECT_EQ(saveReport(kHeader, file), "Saved to " + file + ".");

    ASSERT_EQ(interaction.dialogs.size(), 1u);
    const FileDialogRequest& asked = interaction.dialogs[0];
    EXPECT_EQ(asked.title, "Save Service Report");
    EXPECT_EQ(asked.folder, programPath());
    EXPECT_EQ(asked.fileName, "Plant North 2026-12-11.pdf");
    EXPECT_EQ(asked.filter, "PDF (*.pdf)");
    EXPECT_TRUE(asked.save);
    EXPECT_TRUE(asked.confirmOverwrite);

    const QString text = pdfText(file);
    for (const QString& expected :
         {QString("Service report"), QString("Acme Service"), QString("J. Smith"),
          QString("Plant North"), QString("CT ratio checked"), QString("Feeder 3"),
          QString("RVX82A V1.10"), QString("Read for this report."),
          QString("The analyzer holds the configuration in effect."),
          // Ir input full scale 1.5 A and the calibration of nothing: the
          // dialog's three decimals.
          "Ir input full scale " + local("1.500") + " A",
          "Vt engineering full scale " + local("12.500") + " V", QString("Fault lamps: none lit"),
          QString("Active power: PR forward, PS forward"), QString("The voltage of phase R reads"),
          QString("Download"), QString("Configuration downloaded."), QString("Energy reset"),
          QString("kWh meter; it read 152"), QString("Valid response received <10h>."),
          // Every transaction of the run answered on the simulated line.
          QString("Link statistics Requests sent"), QString("No response 0 CRC failures 0")}) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n"
                                             << text.toStdString();
    }
    // The screen's decimals: currents with one, the power factor with two.
    const QString separator = QRegularExpression::escape(local("."));
    // Phase R's current, voltage, active and reactive power.
    EXPECT_TRUE(text.contains(
        QRegularExpression("R \\d+" + separator + "\\d A \\d+ V -?\\d+ W -?\\d+ Var ")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("PF \\d" + separator + "\\d\\d ")));
    const int pages = pdfPages(file);
    EXPECT_GE(pages, 1);
    EXPECT_LE(pages, 3);
}

TEST_P(ReportPdfTest, TheHeaderIsKeptInItsOwnSectionOfKestroIni) {
    startPolling();
    writeIni(programDir.path(), readFile(iniFile()) + "[PORTS]\nCOM5=/dev/ttyUSB4\n");

    saveReport(kHeader, inProgram("report.pdf"));

    const QMap<QString, QString> kept = section(iniFile(), "REPORT");
    EXPECT_EQ(kept.value("Company"), "Acme Service");
    EXPECT_EQ(kept.value("Technician"), "J. Smith");
    EXPECT_EQ(kept.value("Site"), "Plant North");
    EXPECT_EQ(section(iniFile(), "PORTS").value("COM5"), "/dev/ttyUSB4");
    EXPECT_EQ(section(iniFile(), "CONFIG").value("FileName"), "plant.cfg");
    // The next report starts with it, line break included.
    inReportDialog([&](report::ReportDialog& dialog) {
        EXPECT_EQ(dialog.header().notes, kHeader.notes);
        EXPECT_EQ(dialog.header().company, kHeader.company);
    });
}

TEST_P(ReportPdfTest, ACancelledFileDialogWritesNothing) {
    startPolling();
    QString status;
    inReportDialog([&](report::ReportDialog& dialog) {
        interaction.files = {std::nullopt};
        dialog.savePdfButton->click();
        status = dialog.statusLabel->text();
    });
    EXPECT_EQ(status, "The report was not saved.");
    EXPECT_TRUE(QDir(programPath()).entryList({"*.pdf"}).isEmpty());
}

KESTRO_POINT_AND_COMMA_LOCALES(ReportPdfTest);

}  // namespace
}  // namespace kestro::test
