#include "modbus/LinkHost.h"

namespace kestro {

LinkHost Host;

}  // namespace kestro
