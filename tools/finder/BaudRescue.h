#pragma once
// Brings an analyzer that talks at another rate back to 9600 baud: reads its
// configuration block at its rate, writes the block back with 9600 baud and
// the configuration code word (as a download does, every other value as the
// analyzer holds it), and asks it at 9600 whether it answers.

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/finder/AddressSweep.h"
#include "tools/finder/ProbeLink.h"

namespace kestro::finder {

enum class RescueEnd {
    Rescued,       // it answers at 9600 baud
    NotRead,       // its configuration could not be read at its rate
    NotWritten,    // the write was refused, or neither confirmed nor taken
    NoAnswerHome,  // written, but no answer at 9600 baud
    PortLost,
};

class BaudRescue {
  public:
    BaudRescue(ProbeLink& link, FoundAnalyzer analyzer);

    // The link must be held.
    void start();

    const FoundAnalyzer& analyzer() const { return analyzer_; }
    std::function<void(RescueEnd)> OnFinished;

  private:
    void onConfiguration(const ProbeAnswer& answer);
    void onWritten(const ProbeAnswer& answer);
    void askHome();
    void onHome(const ProbeAnswer& answer);
    void finish(RescueEnd end);

    ProbeLink& link_;
    FoundAnalyzer analyzer_;
    int homeTries_ = 0;
    bool echoed_ = false;  // the analyzer confirmed the write
};

}  // namespace kestro::finder
