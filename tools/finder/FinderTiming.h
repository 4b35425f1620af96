#pragma once
// How long the finder waits for an answer. The scan allows a second for
// every answer (the analyzer is known to be there); the finder asks up to
// 247 addresses that mostly stay silent, so it waits only as long as the
// line's timing needs: the request's and the answer's time on the wire at
// the line's rate, the silence that ends a frame, and a short allowance for
// the analyzer to begin its answer.

namespace kestro::finder {

// The rates an analyzer can be set to; Kestro itself talks at 9600.
inline constexpr int kHomeBaud = 9600;
inline constexpr int kBaudRates[] = {1200, 2400, 4800, 9600, 19200};

// Port ticks to wait for the answer to a request of `requestBytes` whose
// answer holds `answerBytes`, at `baud` bit/s (8N1).
int AnswerWaitTicks(int baud, int requestBytes, int answerBytes);

}  // namespace kestro::finder
