#include "tools/wiring/ConfigFullScale.h"

namespace kestro::wiring {

FullScale engineeringFullScale(const ConfigRecord& config) {
    FullScale scale;
    const float ConfigRecord::*current[kPhaseCount] = {&ConfigRecord::EngIr, &ConfigRecord::EngIs,
                                                       &ConfigRecord::EngIt};
    const float ConfigRecord::*voltage[kPhaseCount] = {&ConfigRecord::EngVr, &ConfigRecord::EngVs,
                                                       &ConfigRecord::EngVt};
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        scale.current[ph] = config.*current[ph];
        scale.voltage[ph] = config.*voltage[ph];
    }
    return scale;
}

}  // namespace kestro::wiring
