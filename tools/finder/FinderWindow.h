#pragma once
// Tools > Find analyzer: the address sweep (and, as an option, the baud
// search) with its progress and a cancel button, the list of analyzers that
// answered, and the rescue of one found at another rate. Choosing one hands
// its address to the main window's Slave ID field.

#include <QDialog>
#include <functional>
#include <vector>

#include "tools/finder/AnalyzerFinder.h"
#include "ui_FinderWindow.h"

namespace kestro {

class FinderWindow : public QDialog, public Ui::FinderWindow {
    Q_OBJECT

  public:
    // `useAddress` receives the address the user chooses.
    FinderWindow(Platform& platform, std::function<void(int)> useAddress,
                 QWidget* parent = nullptr);
    ~FinderWindow() override;

    bool running() const { return finder_.state() != finder::AnalyzerFinder::State::Idle; }

  public slots:
    // Stays open while the finder holds the line: it gives the line back
    // first (Cancel).
    void reject() override;

  private:
    void start();
    void showProgress();
    void addFound(const finder::FoundAnalyzer& analyzer);
    void searchEnded(finder::SearchEnd end);
    void rescue();
    void rescueEnded(finder::RescueEnd end, const finder::FoundAnalyzer& analyzer);
    void useChosen();
    void setRunning(bool running);
    void updateChoice();
    const finder::FoundAnalyzer* chosen() const;

    finder::AnalyzerFinder finder_;
    std::function<void(int)> useAddress_;
    std::vector<finder::FoundAnalyzer> found_;  // in the order of the list
};

}  // namespace kestro
