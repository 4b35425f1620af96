#pragma once
// Whether a port can be offered in the port selection: its device opens for
// reading and writing (and is closed again at once), or opening it is
// refused because another program holds it. Any other failure, a missing
// device above all, leaves the port out. A remote line ("tcp://host:port")
// is offered when its host takes or refuses a connection in time.

#include <string>

namespace kestro {

bool IsPortAvailable(int portNumber);  // the device PortMap gives for the port
bool IsDeviceAvailable(const std::string& device);

}  // namespace kestro
