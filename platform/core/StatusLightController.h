#pragma once
// Drives a transmit and a receive lamp from a port's traffic: a lamp lights
// when bytes go out or come in and goes dark after its off time-out.

#include "modbus/LinkHost.h"
#include "modbus/PortComponent.h"

namespace kestro {

class StatusLight {
  public:
    virtual ~StatusLight() = default;
    virtual void setLit(bool lit) = 0;
};

class StatusLightController : public StatusLightMonitor {
  public:
    StatusLightController(StatusLight* txdLight, StatusLight* rxdLight);
    ~StatusLightController() override;

    int TXDOffTimeout = 4;  // ticks
    int RXDOffTimeout = 4;

    // Takes over the port's trigger and transmit events; the handlers set
    // before are called after the lamps are served.
    void setComPort(PortComponent* port);
    void setMonitoring(bool on);

  private:
    void light(StatusLight* lamp, TriggerHandle off, int ticks);

    StatusLight* txd_;
    StatusLight* rxd_;
    PortComponent* port_ = nullptr;
    bool monitoring_ = false;
    TriggerHandle txdOff_ = 0;
    TriggerHandle rxdOff_ = 0;
};

}  // namespace kestro
