#include "platform/core/StatusLightController.h"

namespace kestro {

StatusLightController::StatusLightController(StatusLight* txdLight, StatusLight* rxdLight)
    : txd_(txdLight), rxd_(rxdLight) {}

StatusLightController::~StatusLightController() {
    // The port may already be gone: only the lamps are touched here.
    if (txd_)
        txd_->setLit(false);
    if (rxd_)
        rxd_->setLit(false);
}

void StatusLightController::setComPort(PortComponent* port) {
    port_ = port;
}

void StatusLightController::setMonitoring(bool on) {
    if (!on || monitoring_ || !port_)
        return;
    monitoring_ = true;
    txdOff_ = port_->addTimerTrigger();
    rxdOff_ = port_->addTimerTrigger();

    auto timer = port_->OnTriggerTimer;
    port_->OnTriggerTimer = [this, timer](TriggerHandle handle) {
        if (handle == txdOff_) {
            if (txd_)
                txd_->setLit(false);
        } else if (handle == rxdOff_) {
            if (rxd_)
                rxd_->setLit(false);
        } else if (timer) {
            timer(handle);
        }
    };
    auto avail = port_->OnTriggerAvail;
    port_->OnTriggerAvail = [this, avail](int count) {
        light(rxd_, rxdOff_, RXDOffTimeout);
        if (avail)
            avail(count);
    };
    auto transmit = port_->OnTransmit;
    port_->OnTransmit = [this, transmit](int count) {
        light(txd_, txdOff_, TXDOffTimeout);
        if (transmit)
            transmit(count);
    };
}

void StatusLightController::light(StatusLight* lamp, TriggerHandle off, int ticks) {
    if (lamp)
        lamp->setLit(true);
    port_->setTimerTrigger(off, ticks, true);
}

}  // namespace kestro
