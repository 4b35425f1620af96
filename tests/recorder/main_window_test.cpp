// Tools > Record readings on the real main window, fed by the real engine
// on the virtual line: the file chosen, the window showing that it
// records, rows and gaps through an unplugged adapter, and the stop.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "modbus/Ports.h"
#include "shell/Main.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/core/EngineHarness.h"
#include "tools/recorder/RecordingControl.h"

namespace kestro::test {
namespace {

class RecordingFromTheMainWindow : public ::testing::Test {
  protected:
    RecordingFromTheMainWindow()
        : window(std::make_unique<TfrmMain>(rig.platform, folder.path())) {}
    void SetUp() override {
        Settings.Path = folder.path() + "/";
        rig.slave.inputRegisters[18] = 0x4248;  // F 50, words in normal order
        window->cbSwapFloat->setChecked(false);
        rig.start();
    }
    std::string recorded() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    int count(const std::string& text) const {
        const std::string file = recorded();
        int n = 0;
        for (size_t at = 0; (at = file.find(text, at)) != std::string::npos; ++at)
            ++n;
        return n;
    }

    ScriptedInteraction interaction;
    QTemporaryDir folder;
    QString path = folder.filePath("feeder-3.csv");
    EngineHarness rig;
    std::unique_ptr<TfrmMain> window;
};

TEST_F(RecordingFromTheMainWindow, RecordsEveryReadingAndEveryGapUntilStopped) {
    EXPECT_TRUE(window->lblRecording->isHidden());
    interaction.files = {path};
    window->bbRecordReadings->trigger();
    ASSERT_EQ(interaction.dialogs.size(), 1u);
    const FileDialogRequest& asked = interaction.dialogs[0];
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.folder, Settings.Path);
    EXPECT_TRUE(QRegularExpression("^readings-\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.csv$")
                    .match(asked.fileName)
                    .hasMatch())
        << asked.fileName.toStdString();
    EXPECT_EQ(window->bbRecordReadings->text(), "Stop recording");
    EXPECT_FALSE(window->lblRecording->isHidden());

    ASSERT_TRUE(rig.runUntil([&] { return count(",50,") >= 3; }, 20000));
    rig.port().unplug();
    rig.runMs(6000);
    rig.port().replug();
    const int before = count(",50,");
    ASSERT_TRUE(rig.runUntil([&] { return count(",50,") > before; }, 20000));
    EXPECT_EQ(count(",Port closed.\r\n"), 1);
    EXPECT_GE(count(",No response from slave device.\r\n"), 1);

    const int rows = count("\r\n") - 1;
    EXPECT_EQ(window->lblRecording->text(),
              QStringLiteral("Recording to feeder-3.csv: %1 rows").arg(rows));
    const QString picture = qEnvironmentVariable("KESTRO_SCREENSHOT");
    if (!picture.isEmpty())
        EXPECT_TRUE(window->grab().save(picture));

    window->bbRecordReadings->trigger();
    EXPECT_EQ(window->bbRecordReadings->text(), "Record readings...");
    EXPECT_TRUE(window->lblRecording->isHidden());
    rig.runMs(10000);
    EXPECT_EQ(count("\r\n") - 1, rows);  // nothing more after the stop
    EXPECT_TRUE(interaction.messages.empty());
}

// Choosing a port again closes the old one: a gap, then the readings go on
// into the same file.
TEST_F(RecordingFromTheMainWindow, GoesOnAcrossAPortChosenAgain) {
    ASSERT_TRUE(window->recordingControl().start(path));
    ASSERT_TRUE(rig.runUntil([&] { return count(",50,") >= 1; }, 20000));
    OpenPort(1);
    const int before = count(",50,");
    ASSERT_TRUE(rig.runUntil([&] { return count(",50,") > before; }, 20000));
    EXPECT_EQ(count(",Port closed.\r\n"), 1);
    EXPECT_TRUE(window->recordingControl().recording());
}

TEST_F(RecordingFromTheMainWindow, ACancelledDialogRecordsNothing) {
    interaction.files = {std::nullopt};
    window->bbRecordReadings->trigger();
    EXPECT_FALSE(window->recordingControl().recording());
    EXPECT_EQ(window->bbRecordReadings->text(), "Record readings...");
    EXPECT_TRUE(window->lblRecording->isHidden());
}

}  // namespace
}  // namespace kestro::test
