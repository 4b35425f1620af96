#pragma once
// Calls a port component's event handler through a copy: a handler that
// releases the port would otherwise destroy the very function it is running in.

namespace kestro {

template <class Handler, class... Args>
void fire(const Handler& handler, Args... args) {
    if (!handler)
        return;
    Handler copy = handler;
    copy(args...);
}

}  // namespace kestro
