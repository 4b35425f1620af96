#include "device/ReadingsSource.h"

#include "modbus/DB_Modbus.h"
#include "modbus/LinkHost.h"
#include "modbus/Ports.h"

namespace kestro {

namespace {
constexpr int kReadInputRegisters = 0x04;
}

void ConnectReadingsFeed(ReadingsFeed& feed, std::function<bool()> swapWords,
                         std::function<TimeStamp()> now) {
    // The refresh runs after every processed answer while the input
    // registers are valid; only the answer to the read brings a new reading.
    Host.refreshIfValid = [&feed, swapWords, now] {
        if (!DB_Modbus.InputRegistersValid)
            return;
        ReadingSnapshot snapshot = DecodeReadings(DB_Modbus.InputRegisterTable, swapWords(), now());
        snapshot.newReading = Ports.LastFunction == kReadInputRegisters;
        feed.publish(snapshot);
    };
    Host.readingMissed = [&feed, now](const std::string& reason) {
        feed.publish(MissedReading{now(), reason});
    };
}

}  // namespace kestro
