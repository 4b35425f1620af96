#pragma once
// The address sweep: asks each slave address of a range, at each of the
// given baud rates in turn, for one input register, and reads the firmware
// text of every address that answers. Driven by the outcomes the probe link
// hands over; nothing happens between them.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/finder/ProbeLink.h"

namespace kestro::finder {

struct FoundAnalyzer {
    int address = 0;
    int baud = 0;
    std::string firmware;  // empty where the holding registers could not be read
};

enum class SweepEnd { Done, Cancelled, PortLost };

class AddressSweep {
  public:
    AddressSweep(ProbeLink& link, std::vector<int> rates, int firstAddress, int lastAddress);

    // The link must be held.
    void start();
    // Ends the sweep once the request now out has its outcome.
    void cancel() { cancelled_ = true; }

    int asked() const { return asked_; }  // addresses asked so far, over all rates
    int total() const;
    int address() const { return address_; }  // the address being asked
    int baud() const;                         // the rate being tried
    const std::vector<FoundAnalyzer>& found() const { return found_; }

    // An address has been asked; address() and baud() are those asked next.
    std::function<void()> OnProgress;
    std::function<void(const FoundAnalyzer&)> OnFound;
    std::function<void(SweepEnd)> OnFinished;

  private:
    void askAddress();
    void onProbe(const ProbeAnswer& answer);
    void onFirmware(const ProbeAnswer& answer);
    void next();
    bool stopped(const ProbeAnswer& answer);
    void finish(SweepEnd end);

    ProbeLink& link_;
    std::vector<int> rates_;
    int first_, last_;
    size_t rate_ = 0;
    int address_ = 0;
    int asked_ = 0;
    bool cancelled_ = false;
    std::vector<FoundAnalyzer> found_;
};

// Whether `frame` is the answer of `address` to a request of `function`:
// the function itself or its exception answer.
bool AnswersFrom(const std::vector<uint8_t>& frame, int address, uint8_t function);

}  // namespace kestro::finder
