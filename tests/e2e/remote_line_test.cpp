// The program on a remote line: Kestro.ini maps COM1 to
// "tcp://127.0.0.1:<port>", where rvx82a-sim --tcp serves the analyzer as a
// serial device server would. Polling, a configuration downloaded and
// uploaded, and a server that goes away and comes back.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "config/Configuration.h"
#include "shell/MainState.h"
#include "tests/e2e/KestroFixture.h"
#include "tests/support/SampleRecords.h"
#include "tests/support/Waiting.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr int kCommandMs = 15000;

class RemoteLineTest : public KestroTest {
  protected:
    // A simulator listening on `port` (0: any free port), then the program
    // polling it through COM1.
    void startServer(quint16 port) {
        simulator.reset();
        simulator = std::make_unique<SimulatorProcess>(
            port, QStringList{"--freeze", "--clock", kClock, "--firmware", "RVX82A V3.01 tcp"});
        ASSERT_TRUE(simulator->started()) << "rvx82a-sim --tcp did not start";
    }
    QString address() { return QString("tcp://127.0.0.1:%1").arg(simulator->tcpPort()); }

    // Opens the configuration dialog, presses `button` and gives the status
    // panel's text once its Close button can be used again.
    QString pressInConfiguration(const char* button, const QString& outcome) {
        QString shown;
        QTimer::singleShot(0, frmEng, [&] {
            frmEng->findChild<QComboBox*>("cbBaud")->setCurrentText("9600");
            frmEng->findChild<QPushButton*>(button)->click();
            auto* text = frmEng->findChild<QLabel*>("lblStatus");
            auto* close = frmEng->findChild<QPushButton*>("btnStatClose");
            waitUntil([&] { return text->text() == outcome && close->isEnabled(); }, kCommandMs);
            shown = text->text();
            close->click();
            frmEng->findChild<QPushButton*>("btnClose")->click();
            if (frmEng->isVisible())
                frmEng->done(QDialog::Rejected);
        });
        window().bbEditConfig->trigger();
        return shown;
    }
};

TEST_F(RemoteLineTest, PollsDownloadsAndUploadsOverTcp) {
    ASSERT_NO_FATAL_FAILURE(startServer(0));
    ASSERT_NO_FATAL_FAILURE(startKestro(address()));
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs))
        << status->history().toStdString() << simulator->events().join('\n').toStdString();

    // Full scales 11 to 22 in record order: engineering current R is 17.
    Config = numberedRecord("remote", "", 1, 9600, 11);
    EXPECT_EQ(pressInConfiguration("btnDownload", "Configuration downloaded."),
              "Configuration downloaded.");
    EXPECT_TRUE(
        waitUntil([&] { return simulator->sawEvent("\"block\":\"configuration\""); }, kCommandMs));
    EXPECT_TRUE(simulator->sawEvent("\"eng_ir\":17"))
        << simulator->events().join('\n').toStdString();

    Config = ConfigRecord();
    ConfigSaved = true;
    interaction.files = {workDir.filePath("remote.cfg")};
    EXPECT_EQ(pressInConfiguration("btnUpload", "Configuration uploaded."),
              "Configuration uploaded.");
    EXPECT_TRUE(Config.FirmwareVersion.startsWith("RVX82A V3.01 tcp"))
        << Config.FirmwareVersion.toStdString();
    EXPECT_EQ(Config.SlaveID, 1);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Config.*ConfigFloats[i], float(11 + i)) << "float " << i;
    interaction.beeps.clear();  // the successes' beeps
}

TEST_F(RemoteLineTest, PollingResumesWhenTheServerComesBack) {
    ASSERT_NO_FATAL_FAILURE(startServer(0));
    const quint16 port = simulator->tcpPort();
    ASSERT_NO_FATAL_FAILURE(startKestro(address()));
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs))
        << status->history().toStdString() << simulator->events().join('\n').toStdString();

    simulator->killHard();
    // Until it is back, the status line says why nothing is answered.
    const QString lost = QString(
                             "COM1 (tcp://127.0.0.1:%1) cannot be opened: the server closed "
                             "the connection. Kestro connects again by itself.")
                             .arg(port);
    ASSERT_TRUE(status->waitFor(lost, kFaultSeenMs)) << status->history().toStdString();

    ASSERT_NO_FATAL_FAILURE(startServer(port));
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
    EXPECT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
    EXPECT_EQ(window().sbMainPanel(0)->text(), "COM1,9600,N,8,1");
}

}  // namespace
