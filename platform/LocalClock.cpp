#include "platform/LocalClock.h"

#include <QDateTime>

namespace kestro {

TimeStamp CurrentTimeStamp() {
    const QDateTime now = QDateTime::currentDateTime();
    return TimeStamp{now.toMSecsSinceEpoch(), now.offsetFromUtc()};
}

}  // namespace kestro
