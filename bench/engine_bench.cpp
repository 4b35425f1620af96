// How fast the engine runs on the virtual platform: the default scan against
// a prompt slave, frame building, and the handling of one 04h answer.
//
//   engine_bench [poll ticks]    (default 200000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "tests/support/core/EngineHarness.h"

using namespace kestro;
using namespace kestro::test;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void benchDefaultScan(uint64_t ticks) {
    EngineHarness rig;
    rig.slave.logRequests = false;
    rig.start();
    const int64_t virtualStartMs = rig.nowMs();
    uint64_t received = 0;
    Host.refreshIfValid = [&] { received += uint64_t(Ports.RxCount); };
    const auto start = Clock::now();
    rig.runTicks(int(ticks));
    const double real = secondsSince(start);
    const double virtualSeconds = double(rig.nowMs() - virtualStartMs) / 1000;
    const double wireBytes = double(rig.port().written.size() + received);
    std::printf("default scan, prompt slave, 9600 baud: %llu poll ticks in %.3f s\n",
                static_cast<unsigned long long>(rig.pollTicks), real);
    std::printf("  poll ticks per real second       %12.0f\n", double(rig.pollTicks) / real);
    std::printf("  virtual seconds per real second  %12.0f\n", virtualSeconds / real);
    std::printf("  wire bytes per real second       %12.0f\n", wireBytes / real);
}

// BeginFrame to the appended CRC of a 10h request of 120 registers, without
// writing it to a port.
void benchFraming() {
    InitCrcTable();
    ResetLinkState();
    std::vector<uint8_t> data(240, 0x5A);
    const int frames = 200000;
    uint64_t bytes = 0;
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        BeginFrame(1, 0x10);
        ComputeTimeouts(0x10, 120);
        PutWord(0);
        PutWord(120);
        PutByte(240);
        PutBytes(data.data(), 240);
        PutWord(Ports.TxCrc);
        bytes += uint64_t(Ports.TxLength);
    }
    const double real = secondsSince(start);
    std::printf("frame building (10h, 120 registers, %d bytes): %.0f bytes per second\n",
                Ports.TxLength, double(bytes) / real);
}

void benchProcessResponse() {
    Host = LinkHost{};
    InitCrcTable();
    ResetLinkState();
    ResetMasterTables();
    std::vector<uint8_t> body = {0x01, 0x04, 88};
    for (int i = 0; i < 88; ++i)
        body.push_back(uint8_t(i));
    const std::vector<uint8_t> frame = WithCrc(body);
    std::copy(frame.begin(), frame.end(), Ports.RxBuffer);
    Ports.RxCount = int32_t(frame.size());
    Ports.TxState = 4;
    DB_Modbus.LastStart = 1;
    DB_Modbus.LastCount = 44;
    const int calls = 1000000;
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) {
        Ports.AwaitingResponse = true;
        ProcessResponse();
    }
    const double real = secondsSince(start);
    if (!DB_Modbus.InputRegistersValid)
        std::printf("the answer was not taken\n");
    std::printf("ProcessResponse of a 44-register 04h answer: %.0f ns\n", real / calls * 1e9);
}

}  // namespace

int main(int argc, char** argv) {
    const uint64_t ticks = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200000;
    benchDefaultScan(ticks);
    benchFraming();
    benchProcessResponse();
    return 0;
}
