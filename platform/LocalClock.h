#pragma once
// The computer's clock as a time stamp with its local offset.

#include "platform/core/TimeStamp.h"

namespace kestro {

TimeStamp CurrentTimeStamp();

}  // namespace kestro
