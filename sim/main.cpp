// rvx82a-sim: a simulated RVX82A analyzer, the MODBUS RTU slave that Kestro
// talks to in the end-to-end tests and the demonstration. See --help.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <random>
#include <thread>

#include "sim/EventLog.h"
#include "sim/ModbusServer.h"
#include "sim/Options.h"
#include "sim/PtyLink.h"
#include "sim/Relay.h"
#include "sim/TcpBridge.h"
#include "sim/model/DeviceModel.h"

using namespace kestro::sim;

namespace {

std::atomic<bool> stopRequested{false};

void onSignal(int) {
    stopRequested = true;
}

void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void setUpModel(DeviceModel& model, const Options& options) {
    model.setAddress(options.slaveId);
    if (options.baud != 0)
        model.setBaud(options.baud);
    model.setFirmware(options.firmware);
    model.faults = options.line;
    if (options.clock) {
        model.setClock(*options.clock);
    } else {
        const time_t now = time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        model.setClock(DeviceClock::fromLocalTime(local));
    }
}

int fail(const std::string& message) {
    std::fprintf(stderr, "rvx82a-sim: %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = parseOptions(argc, argv, error);
    if (!options)
        return fail(error + " (see --help)");
    if (options->help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    installSignalHandlers();
    const uint64_t seed = options->seed ? *options->seed : std::random_device{}();
    DeviceModel model;
    setUpModel(model, *options);
    EventLog log;

    // A TCP client reaches the device through a link of its own, without a
    // path: the bridge opens the master's end for it.
    const bool tcp = options->tcpPort >= 0;
    const bool relayed = tcp || !options->link.empty();
    PtyLink link;
    if (relayed && !link.create(options->link, error))
        return fail(error);
    TcpBridge bridge;
    if (tcp && !bridge.listen(options->tcpPort, error))
        return fail(error);
    const std::string device = relayed ? link.deviceEnd().terminal : options->port;
    ModbusServer server(device, model, log, options->freeze);
    std::atomic<int> lineBaud{options->baud};
    if (options->baud != 0)
        server.followBaud(lineBaud);
    if (!server.open(error))
        return fail(error);

    Event start("start");
    if (tcp) {
        start.withText("tcp", "127.0.0.1:" + std::to_string(bridge.port()));
    } else if (relayed) {
        start.withText("link", options->link).withText("pty", link.masterEnd().terminal);
    } else {
        start.withText("port", options->port);
    }
    start.withInt("slave_id", model.address());
    if (options->baud != 0)
        start.withInt("baud", options->baud);
    log.print(start.withInt("seed", int64_t(seed)));

    std::thread relayThread, bridgeThread;
    if (relayed) {
        relayThread = std::thread([&] {
            Relay relay(link.masterEnd().control, link.deviceEnd().control, options->wire, seed,
                        log, options->logTraffic, lineBaud);
            relay.run(stopRequested);
        });
    }
    if (tcp) {
        bridgeThread =
            std::thread([&] { bridge.run(link.masterEnd().terminal, stopRequested, log); });
    }
    const bool served = server.run(stopRequested);
    stopRequested = true;
    for (std::thread* thread : {&relayThread, &bridgeThread}) {
        if (thread->joinable())
            thread->join();
    }
    log.print(Event("stop"));
    return served ? 0 : 1;
}
