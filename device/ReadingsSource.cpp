#include "device/ReadingsSource.h"

#include <memory>
#include <utility>

#include "modbus/DB_Modbus.h"
#include "modbus/LinkHost.h"

namespace kestro {

void ConnectReadingsFeed(ReadingsFeed& feed, std::function<bool()> swapWords,
                         std::function<TimeStamp()> now) {
    // The refresh runs after every processed frame while the input
    // registers are valid: after another request's answer, a damaged frame
    // or an answer that came too late as well. Only the refresh right after
    // the read's valid answer brings a new reading.
    auto stored = std::make_shared<bool>(false);
    Host.readingStored = [stored] { *stored = true; };
    Host.refreshIfValid = [&feed, swapWords, now, stored] {
        const bool newReading = std::exchange(*stored, false);
        if (!DB_Modbus.InputRegistersValid)
            return;
        ReadingSnapshot snapshot = DecodeReadings(DB_Modbus.InputRegisterTable, swapWords(), now());
        snapshot.newReading = newReading;
        feed.publish(snapshot);
    };
    Host.readingMissed = [&feed, now](const std::string& reason) {
        feed.publish(MissedReading{now(), reason});
    };
}

}  // namespace kestro
