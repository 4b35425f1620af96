#include "modbus/Driver_Modbus.h"

namespace kestro {

DriverModbusState Driver_Modbus;

}  // namespace kestro
