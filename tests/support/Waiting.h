#pragma once
// Waiting with the Qt event loop running, bounded in time: the code under
// test lives on this thread, so every wait must keep serving its timers and
// its port.

#include <functional>

namespace kestro::test {

// Runs the event loop until `done` holds (checked every few ms) or
// `timeoutMs` passed; returns whether `done` held.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

// Runs the event loop for `ms` milliseconds.
void runFor(int ms);

}  // namespace kestro::test
