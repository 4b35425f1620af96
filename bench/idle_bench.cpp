// What the program's waits cost while nothing happens: the CPU time of the
// platform's pause and of a device command's wait for the engine, each for
// a few seconds with a 20 ms window timer running beside it, as the
// program's timers do. The tests only check that these waits sleep (they
// count wake-ups); the figures are here.
//
//   idle_bench [seconds per wait]     (default 5)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "device/DeviceCommands.h"
#include "modbus/DB_Modbus.h"
#include "modbus/Ports.h"
#include "platform/QtPlatform.h"
#include "tests/support/core/CpuTime.h"

namespace {

using namespace kestro;

// Runs `wait` with a 20 ms timer beside it and prints its CPU share.
void measure(const char* name, const std::function<void()>& wait) {
    int ticks = 0;
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, [&] { ++ticks; });
    window.start(20);
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = test::processCpuMs();
    wait();
    const double cpuMs = test::processCpuMs() - cpuBefore;
    const double wallMs = double(wall.elapsed());
    std::printf("%-28s %6.0f ms wall, %6.1f ms CPU (%.2f%% of one core), %d timer ticks\n", name,
                wallMs, cpuMs, 100.0 * cpuMs / wallMs, ticks);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int ms = (argc > 1 ? std::atoi(argv[1]) : 5) * 1000;

    QtPlatform platform;
    measure("QtPlatform::pause", [&] { platform.pause(ms); });

    DB_Modbus.RequestPending = true;
    Ports.PortOpen = true;
    QTimer::singleShot(ms, [] { DB_Modbus.RequestPending = false; });
    measure("WaitForEngineOnQt", WaitForEngineOnQt);
    return 0;
}
