#include "tools/traffic/LinkStatistics.h"

#include <algorithm>

namespace kestro {

void TimeSpread::add(int64_t us) {
    minUs = count ? std::min(minUs, us) : us;
    maxUs = count ? std::max(maxUs, us) : us;
    totalUs += us;
    ++count;
}

void LinkStatistics::reset() {
    counts_ = LinkCounts{};
    answerAwaited_ = false;
}

// Only the first frame after a request is its answer; the echo of the
// request comes before it and is not.
void LinkStatistics::timeAnswer(const FrameEvent& answer) {
    if (!answerAwaited_)
        return;
    answerAwaited_ = false;
    counts_.firstByte.add(answer.startUs - requestUs_);
    counts_.wholeFrame.add(answer.endUs - requestUs_);
}

void LinkStatistics::add(const FrameEvent& event) {
    switch (event.outcome) {
        case FrameOutcome::Sent:
            ++counts_.requestsSent;
            answerAwaited_ = true;
            requestUs_ = event.startUs;
            return;
        case FrameOutcome::Timeout:
            ++counts_.timeouts;
            answerAwaited_ = false;
            return;
        case FrameOutcome::Echo:
            ++counts_.echoes;
            return;
        case FrameOutcome::NotAwaited:
            ++counts_.unexpectedFrames;
            return;
        case FrameOutcome::Valid:
            ++counts_.validResponses;
            break;
        case FrameOutcome::CrcFailed:
            ++counts_.crcFailures;
            break;
        case FrameOutcome::UnexpectedFunction:
            ++counts_.unexpectedFrames;
            break;
        case FrameOutcome::Exception:
            ++counts_.exceptions[event.exceptionCode];
            break;
        case FrameOutcome::Invalid:
            ++counts_.invalidResponses;
            break;
        case FrameOutcome::RxOverflow:
            ++counts_.rxOverflows;
            break;
    }
    timeAnswer(event);
}

}  // namespace kestro
