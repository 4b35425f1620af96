#include "device/Quantities.h"

#include "device/RegisterMap.h"

namespace kestro {

using namespace regmap;

const std::array<QuantityInfo, kQuantityCount>& Quantities() {
    static const std::array<QuantityInfo, kQuantityCount> table = {{
        {Quantity::Ir, "Ir", "A", kInIr},
        {Quantity::Is, "Is", "A", kInIs},
        {Quantity::It, "It", "A", kInIt},
        {Quantity::Vr, "Vr", "V", kInVr},
        {Quantity::Vs, "Vs", "V", kInVs},
        {Quantity::Vt, "Vt", "V", kInVt},
        {Quantity::Pr, "Pr", "W", kInPr},
        {Quantity::Ps, "Ps", "W", kInPs},
        {Quantity::Pt, "Pt", "W", kInPt},
        {Quantity::Qr, "Qr", "Var", kInQr},
        {Quantity::Qs, "Qs", "Var", kInQs},
        {Quantity::Qt, "Qt", "Var", kInQt},
        {Quantity::P, "P", "W", kInP},
        {Quantity::Q, "Q", "Var", kInQ},
        {Quantity::S, "S", "VA", -1},
        {Quantity::PF, "PF", "", kInCos},
        {Quantity::F, "F", "Hz", kInF},
        {Quantity::Temperature, "Temperature", "\u00B0C", kInTemp},
        {Quantity::ActiveEnergy, "Energy P", "kWh", kInPtot},
        {Quantity::ReactiveEnergy, "Energy Q", "kVarh", kInQTot},
    }};
    return table;
}

const QuantityInfo& InfoOf(Quantity quantity) {
    return Quantities()[static_cast<size_t>(quantity)];
}

}  // namespace kestro
