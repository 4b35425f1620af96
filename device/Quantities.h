#pragma once
// The twenty quantities of a reading, in the order the views list them:
// grouped like the main window (currents, voltages, active, reactive and
// apparent power, power factor, frequency, temperature, energy meters).

#include <array>
#include <cstddef>

namespace kestro {

enum class Quantity {
    Ir,
    Is,
    It,
    Vr,
    Vs,
    Vt,
    Pr,
    Ps,
    Pt,
    Qr,
    Qs,
    Qt,
    P,
    Q,
    S,
    PF,
    F,
    Temperature,
    ActiveEnergy,
    ReactiveEnergy,
};
constexpr int kQuantityCount = 20;

struct QuantityInfo {
    Quantity quantity;
    const char* name;  // short name, as the main window labels it
    const char* unit;  // UTF-8; empty for the power factor
    int address;       // first input register of its F32; -1 for S, which is computed
};

// Every quantity in enum order.
const std::array<QuantityInfo, kQuantityCount>& Quantities();
const QuantityInfo& InfoOf(Quantity quantity);

}  // namespace kestro
