// The status line, the error hook and the error latch.
#include "modbus/Driver_Modbus.h"
#include "modbus/ProtocolCodes.h"

namespace kestro {

void ErrorHook(int code) {
    // The program does nothing with the codes; tests may observe them.
    if (Host.errorHook)
        Host.errorHook(code);
}

namespace {

std::string portFaultText(const PortComponent& port) {
    const PortProblem& problem = port.problem();
    std::string name = "COM" + std::to_string(port.settings().comNumber);
    if (!problem.device.empty())
        name += " (" + problem.device + ")";
    std::string text;
    switch (problem.fault) {
        case PortFault::AccessDenied:
            text = name + ": access denied.";
            break;
        case PortFault::Busy:
            text = name + " is busy: another program is using it.";
            break;
        case PortFault::Unplugged:
            text = name + " is unplugged. Plug the adapter in.";
            break;
        case PortFault::Other:
        case PortFault::None:
            text = name + " cannot be opened" +
                   (problem.detail.empty() ? "." : ": " + problem.detail + ".");
            break;
    }
    return problem.advice.empty() ? text : text + " " + problem.advice;
}

}  // namespace

// While the port is not open, nothing the engine says is about the line:
// the status line keeps saying why the port does not work until it does.
bool ShowPortProblem() {
    const PortComponent* port = Ports.ComPort.get();
    if (!port || port->isOpen() || !Host.status)
        return false;
    if (port->problem().fault == PortFault::None && Ports.PortOpen)
        return false;
    Host.status->showStatus(portFaultText(*port), true);
    return true;
}

void SetStatus(const std::string& text, int kind) {
    if (Host.status && !ShowPortProblem())
        Host.status->showStatus(text, kind == 0 || kind == 1);
}

void ShowQueryStatus(const std::string& text) {
    if (Host.status && !ShowPortProblem())
        Host.status->showStatus(text, false);
}

void ReportReadingMissed(const std::string& reason) {
    if (Ports.LastFunction == kReadInputRegisters && Host.readingMissed)
        Host.readingMissed(reason);
}

void RecordFailure(int function, int kind) {
    switch (function) {
        case kReadCoilStatus:
        case kForceSingleCoil:
            DB_Modbus.CoilDataValid = false;
            break;
        case kReadInputStatus:
            DB_Modbus.InputStatusValid = false;
            break;
        case kReadHoldingRegisters:
        case kPresetSingleRegister:
            DB_Modbus.HoldingRegistersValid = false;
            break;
        case kReadInputRegisters:
            DB_Modbus.InputRegistersValid = false;
            break;
        default:
            break;
    }
    if (kind < 0 || kind > 15)
        return;
    const uint16_t bit = uint16_t(1u << kind);
    if (DB_Modbus.ErrorLatch & bit)
        return;
    DB_Modbus.ErrorLatch |= bit;
    ErrorHook(kind + kFirstFailureCode);
}

}  // namespace kestro
