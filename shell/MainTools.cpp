// The Tools menu: windows and recordings beside the main window, each fed
// by the window's readings.
#include "shell/Main.h"
#include "tools/recorder/RecordingControl.h"
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
}

TrendWindow& TfrmMain::trendWindow() {
    if (!trend_)
        trend_ = std::make_unique<TrendWindow>(readings_, this);
    return *trend_;
}

}  // namespace kestro
