#include "platform/QtPlatform.h"

#include <QEventLoop>
#include <algorithm>
#include <chrono>

#include "platform/MappedPort.h"

namespace kestro {

QtWindowTimer::QtWindowTimer() {
    timer_.setInterval(1000);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (OnTimer)
            OnTimer();
    });
}

void QtWindowTimer::setEnabled(bool enabled) {
    if (enabled == timer_.isActive())
        return;
    if (enabled)
        timer_.start();
    else
        timer_.stop();
}

void QtPlatform::setStatusLights(StatusLight* tx, StatusLight* rx) {
    tx_ = tx;
    rx_ = rx;
}

std::unique_ptr<PortComponent> QtPlatform::createPort() {
    return std::make_unique<MappedPort>();
}

std::unique_ptr<StatusLightMonitor> QtPlatform::createStatusLights(PortComponent& port) {
    auto lights = std::make_unique<StatusLightController>(tx_, rx_);
    lights->TXDOffTimeout = kLightOffTicks;
    lights->RXDOffTimeout = kLightOffTicks;
    lights->setComPort(&port);
    lights->setMonitoring(true);
    return lights;
}

void QtPlatform::pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(std::max(0, ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

std::unique_ptr<WindowTimer> QtPlatform::createTimer() {
    return std::make_unique<QtWindowTimer>();
}

int64_t QtPlatform::nowUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace kestro
