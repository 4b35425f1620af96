#pragma once
// Decides what the line does to one answer of the device: loses it, damages
// a byte, puts noise before it, cuts it into pieces or holds it back. The
// dice are seeded so that a run can be repeated.

#include <cstdint>
#include <random>
#include <vector>

#include "sim/Options.h"
#include "sim/model/Event.h"

namespace kestro::sim {

struct Piece {
    int gapBeforeMs = 0;  // silence before this piece
    std::vector<uint8_t> bytes;
};

struct ShapedAnswer {
    int delayMs = 0;
    std::vector<Piece> pieces;  // none: the answer is lost
    std::vector<Event> events;
};

class AnswerShaper {
  public:
    AnswerShaper(const WireFaults& faults, uint64_t seed) : faults_(faults), dice_(seed) {}
    ShapedAnswer shape(std::vector<uint8_t> answer);

  private:
    bool roll(double probability);
    int between(int low, int high);
    std::vector<Piece> split(const std::vector<uint8_t>& bytes, ShapedAnswer& shaped);

    WireFaults faults_;
    std::mt19937_64 dice_;
};

}  // namespace kestro::sim
