#pragma once
// The platform the program runs on: ports on a serial line (QSerialPort on
// Linux, our own on Windows) or on a TCP connection (MappedPort), status
// lights on the main window's lamps, window timers on QTimer, and pauses
// that keep the event loop running.

#include <QTimer>
#include <memory>

#include "platform/core/Platform.h"
#include "platform/core/StatusLightController.h"

namespace kestro {

class QtWindowTimer : public WindowTimer {
  public:
    QtWindowTimer();
    void setInterval(int ms) override { timer_.setInterval(ms > 0 ? ms : 1); }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

class QtPlatform : public Platform {
  public:
    // The lamps the status-light controller of every port drives; the main
    // window sets them once it has built them. None: the lamps stay unlit.
    void setStatusLights(StatusLight* tx, StatusLight* rx);

    // A closed MappedPort; it finds its device through PortMap when it opens.
    std::unique_ptr<PortComponent> createPort() override;
    std::unique_ptr<StatusLightMonitor> createStatusLights(PortComponent& port) override;
    // Returns after `ms` ms; events, window timers and port events included,
    // are handled meanwhile.
    void pause(int ms) override;
    int64_t nowUs() const override;
    std::unique_ptr<WindowTimer> createTimer() override;

    static constexpr int kLightOffTicks = 4;

  private:
    StatusLight* tx_ = nullptr;
    StatusLight* rx_ = nullptr;
};

}  // namespace kestro
