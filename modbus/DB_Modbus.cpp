#include "modbus/DB_Modbus.h"

#include "modbus/LinkHost.h"

namespace kestro {

DbModbusState DB_Modbus;

void ResetMasterTables() {
    DB_Modbus = DbModbusState{};
    if (Host.slaveIdValue)
        DB_Modbus.TargetSlave = Host.slaveIdValue();
}

}  // namespace kestro
