#include "platform/MappedPort.h"

#include "platform/PortEvents.h"
#include "platform/QtTcpPort.h"
#include "platform/core/PortMap.h"
#include "platform/core/RemoteLine.h"

#if defined(Q_OS_WIN)
#include "platform/WinComPort.h"
#else
#include "platform/QtComPort.h"
#endif

namespace kestro {

namespace {
#if defined(Q_OS_WIN)
using SerialLine = WinComPort;
#else
using SerialLine = QtComPort;
#endif
}  // namespace

PortComponent& MappedPort::chosenLine() {
    if (line_)
        return *line_;
    if (IsRemoteLine(PortMap::devicePath(settings().comNumber)))
        line_ = std::make_unique<QtTcpPort>(kOutBufferSize);
    else
        line_ = std::make_unique<SerialLine>(kOutBufferSize);
    // The events reach whatever handler this port holds when they happen.
    // The handlers may ask why the port closed: this port says what its
    // line says.
    line_->OnPortOpen = [this] {
        setProblem(line_->problem());
        fire(OnPortOpen);
    };
    line_->OnPortClose = [this] {
        setProblem(line_->problem());
        fire(OnPortClose);
    };
    line_->OnTriggerTimer = [this](TriggerHandle handle) { fire(OnTriggerTimer, handle); };
    line_->OnTriggerAvail = [this](int count) { fire(OnTriggerAvail, count); };
    return *line_;
}

void MappedPort::setOpen(bool open) {
    if (!open && !line_)
        return;
    PortComponent& line = chosenLine();
    if (open) {
        const LineSettings& s = settings();
        line.setComNumber(s.comNumber);
        line.setBaud(s.baud);
        line.setDataBits(s.dataBits);
        line.setStopBits(s.stopBits);
        line.setParity(s.parity);
        line.setRS485Mode(s.rs485Mode);
        line.setDTR(s.dtr);
        line.setRTS(s.rts);
    }
    line.setOpen(open);
    setProblem(line.problem());
}

TriggerHandle MappedPort::addTimerTrigger() {
    return chosenLine().addTimerTrigger();
}

void MappedPort::setTimerTrigger(TriggerHandle handle, int ticks, bool activate) {
    chosenLine().setTimerTrigger(handle, ticks, activate);
}

int MappedPort::outBuffFree() const {
    return line_ ? line_->outBuffFree() : kOutBufferSize;
}

int MappedPort::getBlock(uint8_t* data, int length) {
    return line_ ? line_->getBlock(data, length) : 0;
}

// Through the line's own putBlock; its OnTransmit stays unset, this port's
// putBlock fires OnTransmit once.
void MappedPort::writeBlock(const uint8_t* data, int length) {
    if (line_)
        line_->putBlock(data, length);
}

void MappedPort::applyModemLines() {
    if (!line_)
        return;
    line_->setDTR(settings().dtr);
    line_->setRTS(settings().rts);
}

void MappedPort::applyBaud() {
    if (line_)
        line_->setBaud(settings().baud);
}

}  // namespace kestro
