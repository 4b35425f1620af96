#pragma once
// The live readings display: copies the input-register image of the
// analyzer into the main window's indicators, lamps and clock text after
// every processed response.

#include <QObject>
#include <QString>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace kestro {

class Lamp;

class LiveReadings : public QObject {
    Q_OBJECT

  public:
    // Looks the window's controls up by object name once; a missing control
    // throws std::logic_error naming it.
    explicit LiveReadings(QWidget& mainWindow);

    // The refresh, only while the engine holds valid input registers.
    void RefreshIfValid();
    void RefreshReadings();

  private:
    // An indicator is a label or, for the energy meters, a line edit.
    struct Indicator {
        QLabel* label = nullptr;
        QLineEdit* edit = nullptr;
        void setText(const QString& text) const;
        QString text() const;
    };
    struct Reading {
        int address;
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

    double displayedValue(const Indicator& indicator, int address) const;
    static Indicator labelIndicator(QWidget& window, const char* name);
    static std::array<Reading, 18> bindReadings(QWidget& window);
    static std::array<LampRule, 18> bindLamps(QWidget& window);
    static std::array<ColourRule, 12> bindColours(QWidget& window);

    void showApparentPower();
    void showLamps(uint16_t statusWord);
    void showQuantityColours(uint16_t quantityStateWord);
    void showDeviceClock();
    float readFloat(int address) const;

    QCheckBox* swapFloat_;
    std::array<Reading, 18> readings_;
    Indicator indP_, indQ_;
    QLabel* indS_;
    QLabel* indTemp_;
    QLineEdit* edRTC_;
    std::array<LampRule, 18> lampRules_;
    std::array<ColourRule, 12> colourRules_;
};

// Binds a live display to the main window, once (it lives as long as the
// window), and hands its RefreshIfValid to the engine.
void InstallLiveReadings(QWidget* mainWindow);

}  // namespace kestro
