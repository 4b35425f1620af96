// The Tools menu: windows and recordings beside the main window, each fed
// by the window's readings; and the service report of the File menu.
#include "Main.h"
#include "tools/recorder/RecordingControl.h"
#include "tools/report/ReportControl.h"
#include "tools/trend/TrendWindow.h"

namespace kestro {

void TfrmMain::setupTools() {
    recording_ = std::make_unique<RecordingControl>(readings_, *bbRecordReadings, *lblRecording,
                                                    [] { return Settings.Path; });
    connect(bbTrend, &QAction::triggered, this, [this] {
        TrendWindow& trend = trendWindow();
        trend.show();
        trend.raise();
        trend.activateWindow();
    });
    report::ReportContext context;
    context.settingsReadFile = [this] { return location_.readFile; };
    context.settingsWriteFile = [this] { return location_.writeFile; };
    report_ = std::make_unique<report::ReportControl>(readings_, *this, std::move(context));
    connect(bbServiceReport, &QAction::triggered, this, [this] { report_->run(); });
}

TrendWindow& TfrmMain::trendWindow() {
    if (!trend_)
        trend_ = std::make_unique<TrendWindow>(readings_, this);
    return *trend_;
}

}  // namespace kestro
