#pragma once
// A remote line: a serial line that a serial device server puts on the
// network, reached over TCP with the RTU frames carried unchanged. A
// [PORTS] entry names one as "tcp://host:port", for instance
// "COM9=tcp://192.168.1.50:4001"; the host may be a name, an IPv4 address
// or an IPv6 address in brackets ("tcp://[fe80::1]:4001").

#include <optional>
#include <string>

namespace kestro {

struct RemoteLine {
    std::string host;  // without the brackets of an IPv6 address
    int port = 0;      // 1-65535
};

// Whether a device names a remote line at all ("tcp://", any case), valid
// or not: such a device is never a serial device.
bool IsRemoteLine(const std::string& device);
// The host and port of a well-formed remote line; nothing otherwise.
std::optional<RemoteLine> ParseRemoteLine(const std::string& device);

}  // namespace kestro
