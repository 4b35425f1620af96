#include "sim/AnswerShaper.h"

#include <algorithm>

namespace kestro::sim {

namespace {

Event fault(const char* kind) {
    return Event("fault").withText("fault", kind);
}

}  // namespace

bool AnswerShaper::roll(double probability) {
    return probability > 0 && std::uniform_real_distribution<double>(0, 1)(dice_) < probability;
}

int AnswerShaper::between(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(dice_);
}

ShapedAnswer AnswerShaper::shape(std::vector<uint8_t> answer) {
    ShapedAnswer shaped;
    if (answer.empty())
        return shaped;
    if (roll(faults_.drop)) {
        shaped.events.push_back(fault("drop").withInt("bytes", int64_t(answer.size())));
        return shaped;
    }
    if (roll(faults_.corrupt)) {
        const int index = between(0, int(answer.size()) - 1);
        const int mask = between(1, 255);
        answer[index] ^= uint8_t(mask);
        shaped.events.push_back(fault("corrupt").withInt("index", index).withInt("mask", mask));
    }
    if (roll(faults_.garbage)) {
        std::vector<uint8_t> noise(between(1, 4));
        for (uint8_t& b : noise)
            b = uint8_t(between(0, 255));
        answer.insert(answer.begin(), noise.begin(), noise.end());
        shaped.events.push_back(fault("garbage").withInt("bytes", int64_t(noise.size())));
    }
    if (faults_.delayMs > 0) {
        shaped.delayMs = faults_.delayMs;
        shaped.events.push_back(fault("delay").withInt("ms", faults_.delayMs));
    }
    shaped.pieces = faults_.split && answer.size() > 1 ? split(answer, shaped)
                                                       : std::vector<Piece>{{0, answer}};
    return shaped;
}

// Pauses stay well below one 55 ms port tick, so a master that waits one
// tick of silence for the end of a frame still sees one frame.
std::vector<Piece> AnswerShaper::split(const std::vector<uint8_t>& bytes, ShapedAnswer& shaped) {
    const int count = std::min<int>(int(bytes.size()), between(2, 4));
    std::vector<size_t> cuts;
    while (int(cuts.size()) < count - 1) {
        const size_t cut = size_t(between(1, int(bytes.size()) - 1));
        if (std::find(cuts.begin(), cuts.end(), cut) == cuts.end())
            cuts.push_back(cut);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.push_back(bytes.size());
    std::vector<Piece> pieces;
    size_t from = 0;
    int longest = 0;
    for (size_t cut : cuts) {
        const int gap = pieces.empty() ? 0 : between(10, 30);
        longest = std::max(longest, gap);
        pieces.push_back({gap, std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + cut)});
        from = cut;
    }
    shaped.events.push_back(fault("split")
                                .withInt("pieces", int64_t(pieces.size()))
                                .withInt("longest_gap_ms", longest));
    return pieces;
}

}  // namespace kestro::sim
