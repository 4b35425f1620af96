// The Tools menu: windows and recordings beside the main window, each fed
// by the window's readings or by the link's frames; and the service report
// of the File menu.
#include "config/Configuration.h"
#include "shell/Main.h"
#include "tools/finder/FinderWindow.h"
#include "tools/recorder/RecordingControl.h"
#include "tools/report/ReportControl.h"
#include "tools/traffic/TrafficWindow.h"
#include "tools/trend/TrendWindow.h"
#include "tools/wiring/ConfigFullScale.h"
#include "tools/wiring/WiringWindow.h"

namespace kestro {

namespace {

void bringUp(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

void TfrmMain::setupTools() {
    recording_ = std::make_unique<RecordingControl>(readings_, *bbRecordReadings, *lblRecording,
                                                    [] { return Settings.Path; });
    connect(bbTrend, &QAction::triggered, this, [this] { bringUp(trendWindow()); });
    // The link's frames are counted from the start, monitor open or not.
    frames_.subscribe(traffic_);
    connect(bbTrafficMonitor, &QAction::triggered, this, [this] { bringUp(trafficWindow()); });
    connect(bbWiringCheck, &QAction::triggered, this, [this] { bringUp(wiringWindow()); });
    report::ReportContext context;
    context.settingsReadFile = [this] { return location_.readFile; };
    context.settingsWriteFile = [this] { return location_.writeFile; };
    // The wiring check's kind of site: as chosen in its window once there is
    // one, else as kept in Kestro.ini (which only that window changes).
    context.siteFlow = [this, kept = std::optional<wiring::SiteFlow>()]() mutable {
        if (wiring_)
            return wiring_->siteFlow();
        if (!kept)
            kept = ReadSiteFlow(location_.writeFile);
        return *kept;
    };
    context.linkCounts = [this] {
        return std::optional<LinkCounts>(traffic_.statistics().counts());
    };
    report_ = std::make_unique<report::ReportControl>(readings_, *this, std::move(context));
    connect(bbServiceReport, &QAction::triggered, this, [this] { report_->run(); });
    connect(bbFindAnalyzer, &QAction::triggered, this, &TfrmMain::findAnalyzer);
}

// Modal: while it asks the line, nothing else may post to the engine.
void TfrmMain::findAnalyzer() {
    FinderWindow finder(
        platform_, [this](int address) { seSlaveID->setValue(address); }, this);
    finder.exec();
}

TrendWindow& TfrmMain::trendWindow() {
    if (!trend_)
        trend_ = std::make_unique<TrendWindow>(readings_, this);
    return *trend_;
}

TrafficWindow& TfrmMain::trafficWindow() {
    if (!trafficWindow_)
        trafficWindow_ = std::make_unique<TrafficWindow>(frames_, traffic_, this);
    return *trafficWindow_;
}

WiringWindow& TfrmMain::wiringWindow() {
    if (!wiring_) {
        WiringWindow::Sources sources;
        // A configuration is loaded while its commands are offered: without
        // one (none could be read at start) there are no full scales to
        // judge by.
        sources.fullScale = [this]() -> std::optional<wiring::FullScale> {
            if (!siConfiguration->menuAction()->isEnabled())
                return std::nullopt;
            return wiring::engineeringFullScale(Config);
        };
        sources.settingsFile = [this] { return location_.writeFile; };
        wiring_ = std::make_unique<WiringWindow>(readings_, std::move(sources), this);
    }
    return *wiring_;
}

}  // namespace kestro
