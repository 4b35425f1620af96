#pragma once
// Finding the analyzer on the open port: the address sweep at 9600 baud or
// at every rate, and the rescue of an analyzer found at another rate. Each
// run takes the line from the scan and gives it back at 9600 baud with
// polling resumed, however it ends. The window over it only shows and asks.

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Platform.h"
#include "tools/finder/AddressSweep.h"
#include "tools/finder/BaudRescue.h"
#include "tools/finder/ProbeLink.h"

namespace kestro::finder {

enum class SearchEnd { Done, Cancelled, PortLost, NoPort };

class AnalyzerFinder {
  public:
    enum class State { Idle, WaitingForLine, Searching, Rescuing };

    explicit AnalyzerFinder(Platform& platform);

    // Asks the addresses `first` to `last`, at 9600 baud or, with
    // `allRates`, at every rate an analyzer can be set to (9600 first).
    void search(int first, int last, bool allRates);
    // Ends a search once the request now out has its outcome.
    void cancel();
    // Brings `analyzer` back to 9600 baud.
    void rescue(const FoundAnalyzer& analyzer);

    State state() const { return state_; }
    bool cancelling() const { return cancelling_; }
    // The search under way or last run; null before the first.
    const AddressSweep* sweep() const { return sweep_.get(); }

    std::function<void()> OnProgress;
    std::function<void(const FoundAnalyzer&)> OnFound;
    std::function<void(SearchEnd)> OnSearchEnd;
    std::function<void(RescueEnd, const FoundAnalyzer&)> OnRescueEnd;

  private:
    void takeLine(std::function<void()> run, std::function<void()> noPort);
    void endSearch(SearchEnd end);

    ProbeLink link_;
    State state_ = State::Idle;
    bool cancelling_ = false;
    bool rescuing_ = false;
    std::unique_ptr<AddressSweep> sweep_;
    std::unique_ptr<BaudRescue> rescue_;
};

// The rates a search tries, in order: 9600 alone, or 9600 and then the
// others from the fastest down.
std::vector<int> SearchRates(bool allRates);

}  // namespace kestro::finder
