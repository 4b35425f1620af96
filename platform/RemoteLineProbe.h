#pragma once
// Whether the serial device server of a remote line is there: it takes a
// TCP connection, or refuses it (a server that serves one client at a time
// refuses the second). No answer within kProbeTimeoutMs, an unknown host or
// one that cannot be reached count as absent. Events are handled while the
// probe waits, user input excepted.

#include "platform/core/RemoteLine.h"

namespace kestro {

constexpr int kProbeTimeoutMs = 1500;

bool IsRemoteLineAnswering(const RemoteLine& line, int timeoutMs = kProbeTimeoutMs);

}  // namespace kestro
