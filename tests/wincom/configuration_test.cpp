// A configuration downloaded into the analyzer over COM1 and uploaded back
// from it, through the configuration dialog as the user works it.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <functional>

#include "config/Configuration.h"
#include "shell/MainState.h"
#include "shell/Program.h"
#include "tests/support/Waiting.h"
#include "tests/support/WhileShown.h"
#include "tests/wincom/ComOneFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

struct FullScale {
    const char* field;
    const char* key;
    float ConfigRecord::*member;
    const char* text;
    double value;
};

// Twelve different values, so that a scale landing in another's place shows.
constexpr FullScale kScales[] = {
    {"meInpIr", "inp_ir", &ConfigRecord::InpIr, "2.5", 2.5},
    {"meInpIs", "inp_is", &ConfigRecord::InpIs, "5", 5},
    {"meInpIt", "inp_it", &ConfigRecord::InpIt, "1.25", 1.25},
    {"meInpVr", "inp_vr", &ConfigRecord::InpVr, "400", 400},
    {"meInpVs", "inp_vs", &ConfigRecord::InpVs, "230.5", 230.5},
    {"meInpVt", "inp_vt", &ConfigRecord::InpVt, "100", 100},
    {"meEngIr", "eng_ir", &ConfigRecord::EngIr, "250", 250},
    {"meEngIs", "eng_is", &ConfigRecord::EngIs, "1000", 1000},
    {"meEngIt", "eng_it", &ConfigRecord::EngIt, "12.5", 12.5},
    {"meEngVr", "eng_vr", &ConfigRecord::EngVr, "20000", 20000},
    {"meEngVs", "eng_vs", &ConfigRecord::EngVs, "11000", 11000},
    {"meEngVt", "eng_vt", &ConfigRecord::EngVt, "660", 660},
};

class ConfigurationOnCom1 : public ComOneTest {
  protected:
    void TearDown() override {
        // The analyzer as the simulator started: 5 A and 500 V on both
        // scales, so that the readings of the other tests stay its own.
        if (program)
            download([](const FullScale& scale) {
                return QString(scale.key).contains("_i") ? QString("5") : QString("500");
            });
        ComOneTest::TearDown();
    }

    // Enters the scales `text` gives in the dialog and presses Download;
    // the status the dialog ends with.
    QString download(const std::function<QString(const FullScale&)>& text) {
        QString outcome;
        EXPECT_TRUE(whileShown(*window().bbEditConfig, *frmEng, [&] {
            frmEng->findChild<QComboBox*>("cbBaud")->setCurrentText("9600");
            frmEng->findChild<QSpinBox*>("seSlaveID")->setValue(1);
            for (const FullScale& scale : kScales)
                frmEng->findChild<QLineEdit*>(scale.field)
                    ->setText(text(scale).replace('.', QLocale().decimalPoint()));
            outcome = press("btnDownload", "Configuration downloaded.");
        }));
        return outcome;
    }

    QString upload() {
        QString outcome;
        EXPECT_TRUE(whileShown(*window().bbEditConfig, *frmEng,
                               [&] { outcome = press("btnUpload", "Configuration uploaded."); }));
        return outcome;
    }

    // Presses `button` in the configuration dialog, waits for its status
    // panel to read `outcome` with its Close button usable again, and
    // closes both; the text the panel read in the end.
    static QString press(const char* button, const QString& outcome) {
        frmEng->findChild<QPushButton*>(button)->click();
        auto* text = frmEng->findChild<QLabel*>("lblStatus");
        auto* close = frmEng->findChild<QPushButton*>("btnStatClose");
        waitUntil([&] { return text->text() == outcome && close->isEnabled(); }, kCommandMs);
        const QString shown = text->text();
        close->click();
        frmEng->findChild<QPushButton*>("btnClose")->click();
        return shown;
    }
};

TEST_P(ConfigurationOnCom1, DownloadReachesTheAnalyzerAndUploadBringsItBack) {
    ASSERT_NO_FATAL_FAILURE(startKestro());

    const int since = eventCount();
    ASSERT_EQ(download([](const FullScale& scale) { return QString(scale.text); }),
              "Configuration downloaded.");
    const QJsonObject event = written("configuration", since);
    ASSERT_FALSE(event.isEmpty()) << "the simulator printed no configuration write";
    EXPECT_EQ(event["baud"].toInt(), 9600);
    EXPECT_EQ(event["slave_id"].toInt(), 1);
    for (const FullScale& scale : kScales)
        EXPECT_EQ(event[scale.key].toDouble(), scale.value) << scale.key;

    Config = ConfigRecord();
    ConfigSaved = true;
    interaction.files = {temp.filePath("device.cfg")};
    ASSERT_EQ(upload(), "Configuration uploaded.");
    EXPECT_EQ(Config.Baud, 9600);
    EXPECT_EQ(Config.SlaveID, 1);
    for (const FullScale& scale : kScales)
        EXPECT_EQ(Config.*scale.member, float(scale.value)) << scale.key;
    // Polling goes on on the same line.
    EXPECT_TRUE(status->waitFor(kValid, kCommandMs)) << status->history().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Locales, ConfigurationOnCom1,
                         ::testing::Values(kPointLocale, kCommaLocale), LocaleName);

}  // namespace
