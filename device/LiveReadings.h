#pragma once
// The live readings display: shows each readings snapshot in the main
// window's indicators, lamps and clock text.

#include <QObject>
#include <QString>
#include <array>

#include "device/ReadingsFeed.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace kestro {

class Lamp;

class LiveReadings : public QObject, public ReadingsListener {
    Q_OBJECT

  public:
    // Looks the window's controls up by object name once; a missing control
    // throws std::logic_error naming it.
    explicit LiveReadings(QWidget& mainWindow);

    // The word order the "Swap Words" box asks for, read anew at each call.
    bool swapWords() const;

    // The refresh: every control is written, in the order the analyzer's
    // registers are read.
    void readingTaken(const ReadingSnapshot& snapshot) override;
    // Nothing clears the indicators: they keep the last reading.
    void readingMissed(const MissedReading&) override {}

  private:
    // An indicator is a label or, for the energy meters, a line edit.
    struct Indicator {
        QLabel* label = nullptr;
        QLineEdit* edit = nullptr;
        void setText(const QString& text) const;
    };
    struct Reading {
        Quantity quantity;
        Indicator indicator;
        int decimals;
    };
    struct LampRule {
        Lamp* lamp;
        int bit;
        bool litWhenSet;
    };
    struct ColourRule {
        QLabel* label;
        uint16_t mask;
    };

    static Indicator labelIndicator(QWidget& window, const char* name);
    static std::array<Reading, 18> bindReadings(QWidget& window);
    static std::array<LampRule, 18> bindLamps(QWidget& window);
    static std::array<ColourRule, 12> bindColours(QWidget& window);

    void showLamps(uint16_t statusWord);
    void showQuantityColours(uint16_t quantityStateWord);
    void showDeviceClock(const std::array<uint16_t, 4>& clockRegisters);

    QCheckBox* swapFloat_;
    std::array<Reading, 18> readings_;
    QLabel* indS_;
    QLabel* indTemp_;
    QLineEdit* edRTC_;
    std::array<LampRule, 18> lampRules_;
    std::array<ColourRule, 12> colourRules_;
};

// Binds a live display to the main window, once (it lives as long as the
// window); the caller subscribes it to the window's readings.
LiveReadings& InstallLiveReadings(QWidget* mainWindow);

}  // namespace kestro
