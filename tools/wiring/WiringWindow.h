#pragma once
// The wiring check's window: the live phasor diagram, a table of each
// phase's values, the findings with what to check, and the choice of what
// kind of site this is, kept in Kestro.ini. It judges every reading while
// it exists, shown or not; when readings stop it keeps the last picture,
// marked as old.

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "device/ReadingsFeed.h"
#include "tools/wiring/WiringCheck.h"
#include "ui_WiringWindow.h"

namespace kestro {

class WiringWindow : public QWidget, public Ui::WiringWindow, private ReadingsListener {
    Q_OBJECT

  public:
    struct Sources {
        // The engineering full scales of the loaded configuration; nothing
        // when no configuration is loaded.
        std::function<std::optional<wiring::FullScale>()> fullScale;
        // The Kestro.ini that keeps the kind of site; empty when the
        // settings cannot be saved.
        std::function<QString()> settingsFile;
        // Milliseconds of a steady clock; unset: the computer's.
        std::function<int64_t()> clockMs;
    };

    WiringWindow(ReadingsFeed& feed, Sources sources, QWidget* parent = nullptr);
    ~WiringWindow() override;

    // What the window shows; nothing before the first reading.
    const std::optional<wiring::WiringPicture>& picture() const { return picture_; }
    // Marks the picture old once no reading has come for a while. A timer
    // runs it every second.
    void checkAge();
    // The kind of site the findings are judged for, as chosen here.
    wiring::SiteFlow siteFlow() const { return check_.siteFlow(); }

  private:
    void readingTaken(const ReadingSnapshot& snapshot) override;
    void readingMissed(const MissedReading& missed) override;
    void readSite();
    void chooseSite(int index);
    void refresh();
    void fillTable();
    void fillFindings();
    void fillState();

    ReadingsFeed& feed_;
    Sources sources_;
    wiring::WiringCheck check_;
    std::optional<wiring::WiringPicture> picture_;
    StatusFlags directions_;  // of the latest reading
    TimeStamp taken_;         // when the latest reading was taken
    QString missedReason_;    // why the last reading that did not come did not
    QTimer ageTimer_;
};

// The section of Kestro.ini that keeps the kind of site, and its key.
inline constexpr char kWiringSection[] = "WIRING";
inline constexpr char kSiteKey[] = "Site";

// The kind of site kept in `settingsFile`; a site that only consumes when
// none is kept (or no file is).
wiring::SiteFlow ReadSiteFlow(const QString& settingsFile);

}  // namespace kestro
