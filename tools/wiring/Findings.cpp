#include "tools/wiring/Findings.h"

#include <algorithm>
#include <bitset>
#include <cmath>

#include "tools/wiring/CtSources.h"
#include "tools/wiring/PhasorGeometry.h"
#include "tools/wiring/Thresholds.h"

namespace kestro::wiring {

namespace {

std::string wholePercent(double fraction) {
    return std::to_string(std::lround(fraction * 100)) + "%";
}

// What one reading shows, worked out once for all the checks.
struct Scene {
    const WiringReadings& in;
    SiteFlow flow;
    PhasorDiagram diagram;
    bool voltage[kPhaseCount] = {};
    bool load[kPhaseCount] = {};
    PhaseSet withVoltage = 0, withLoad = 0;
    std::vector<Finding> findings;

    Scene(const WiringReadings& readings, SiteFlow siteFlow)
        : in(readings), flow(siteFlow), diagram(phasorDiagram(readings)) {
        double highest = 0;
        for (const PhaseValues& ph : in.phase)
            highest = std::max(highest, ph.v);
        for (int ph = 0; ph < kPhaseCount; ++ph) {
            voltage[ph] = !in.status.phaseLoss[ph] && highest >= kMinVoltage &&
                          in.phase[ph].v >= kNoVoltageFraction * highest;
            load[ph] = in.phase[ph].i >= loadCurrent(ph);
            withVoltage |= voltage[ph] ? phaseBit(ph) : 0;
            withLoad |= load[ph] ? phaseBit(ph) : 0;
        }
    }
    double loadCurrent(int ph) const {
        if (in.fullScale && in.fullScale->current[ph] > 0)
            return kLoadFractionOfFullScale * in.fullScale->current[ph];
        return kMinLoadCurrent;
    }
    void add(FindingKind kind, PhaseSet phases, std::string what, std::string check) {
        findings.push_back({kind, phases, std::move(what), std::move(check)});
    }
};

void checkVoltages(Scene& s) {
    if (s.in.status.signalLoss) {
        s.add(FindingKind::SignalLoss, 0,
              "The analyzer reports signal loss: it measures no voltage.",
              "Check that the supply is on, and the fuses and wires of all the analyzer's "
              "voltage inputs.");
        return;
    }
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        if (s.voltage[ph])
            continue;
        const std::string name = kPhaseNames[ph];
        if (s.load[ph]) {
            s.add(FindingKind::CurrentWithoutVoltage, phaseBit(ph),
                  "Phase " + name + " carries current but has no voltage.",
                  "The voltage tap of phase " + name +
                      " is not connected or its fuse is open; or the CT on " + name +
                      "'s current input sits on a conductor that is not phase " + name + ".");
        } else {
            s.add(FindingKind::NoVoltage, phaseBit(ph), "No voltage on phase " + name + ".",
                  "Check the fuse of phase " + name + "'s voltage tap and its wire to the " +
                      "analyzer's " + name + " voltage input; if phase " + name +
                      " is switched off, switch it on.");
        }
    }
    if (s.in.status.missingPhase && s.withVoltage == 0b111)
        s.add(FindingKind::MissingPhase, 0, "The analyzer reports a missing phase.",
              "Check every voltage tap, its fuse and its wire to the analyzer.");
    if (s.in.status.sequenceFault)
        s.add(FindingKind::SequenceFault, 0,
              "The analyzer reports a phase sequence fault: the voltages turn R, T, S.",
              "Exchange two phases at the analyzer's voltage inputs, S and T for instance, and "
              "exchange the wires of their CTs too, so that each CT stays with its voltage.");
}

std::string sourcesText(const CtSources& sources, PhaseSet moved) {
    for (int a = 0; a < kPhaseCount; ++a) {
        const int b = sources[a];
        if (moved == (phaseBit(a) | phaseBit(b)) && sources[b] == a)
            return "The CTs of phases " + phaseList(moved) +
                   " are probably swapped: each measures the other phase's current.";
    }
    std::string text;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        if (moved & phaseBit(ph))
            text += std::string(text.empty() ? "" : " ") + "The CT on phase " + kPhaseNames[ph] +
                    "'s input probably carries phase " + kPhaseNames[sources[ph]] + "'s current.";
    }
    return text;
}

// Returns the phases whose CT is probably on another phase.
PhaseSet checkCtPhases(Scene& s) {
    // Only a current with a voltage and some load has an angle to trust.
    std::array<bool, kPhaseCount> measurable{};
    for (int ph = 0; ph < kPhaseCount; ++ph)
        measurable[ph] = s.diagram.phase[ph].phi && s.voltage[ph] && s.load[ph];
    const auto sources =
        likelyCtSources(s.in, s.diagram, measurable, s.flow != SiteFlow::ExportsOnly);
    if (!sources)
        return 0;
    PhaseSet moved = 0;
    for (int ph = 0; ph < kPhaseCount; ++ph)
        moved |= (*sources)[ph] != ph ? phaseBit(ph) : 0;
    s.add(FindingKind::CtOnOtherPhase, moved, sourcesText(*sources, moved),
          "Follow each CT's wires from its conductor to the analyzer's current inputs and put "
          "every CT on its own phase's input.");
    return moved;
}

// One finding for each phase whose direction does not fit the site.
void checkDirections(Scene& s, PhaseSet onOtherPhase) {
    PhaseSet forward = 0, back = 0;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        const PhaseValues& v = s.in.phase[ph];
        if (!s.voltage[ph] || !s.load[ph] || (onOtherPhase & phaseBit(ph)))
            continue;
        const double flowing = kMinActiveShare * std::hypot(v.p, v.q);
        forward |= v.p >= flowing && flowing > 0 ? phaseBit(ph) : 0;
        back |= -v.p >= flowing && flowing > 0 ? phaseBit(ph) : 0;
    }
    const bool mixed = forward && back;
    const std::string reversed =
        " mounted reversed: turn it round on its conductor (P1 towards "
        "the supply) or exchange its S1 and S2 wires at the analyzer.";
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        const std::string name = kPhaseNames[ph];
        const PhaseSet bit = phaseBit(ph);
        if (s.flow == SiteFlow::ConsumesOnly && (back & bit)) {
            s.add(FindingKind::CtReversed, bit,
                  "Active power flows back on phase " + name + ", though the site only consumes.",
                  "The CT of phase " + name + " is probably" + reversed);
        } else if (s.flow == SiteFlow::MayExport && mixed && (back & bit)) {
            s.add(FindingKind::CtReversed, bit,
                  "Active power flows back on phase " + name + " but forward on " +
                      phaseList(forward) + ".",
                  "If nothing on phase " + name +
                      " feeds power back (PV inverter, generator), its CT is" + reversed);
        } else if (s.flow == SiteFlow::ExportsOnly && mixed && (forward & bit)) {
            s.add(
                FindingKind::CtReversed, bit,
                "Active power flows forward on phase " + name + " but back on " + phaseList(back) +
                    ".",
                "If phase " + name + " does not draw power from the supply, its CT is" + reversed);
        }
    }
}

void checkCurrents(Scene& s) {
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        const PhaseSet others = 0b111 & ~phaseBit(ph);
        if (!s.voltage[ph] || s.load[ph] || (s.withLoad & others) != others)
            continue;
        const std::string name = kPhaseNames[ph];
        s.add(FindingKind::NoCurrent, phaseBit(ph),
              "No current on phase " + name + " while " + phaseList(others) + " carry load.",
              "If phase " + name + " has load, its CT is open or not connected: check the CT's " +
                  "wires to the analyzer's " + name + " current input, and that the CT's " +
                  "shorting link is open.");
    }
    if (s.withVoltage && !s.withLoad)
        s.add(FindingKind::NoLoad, 0,
              "No current flows on any phase, so the CTs cannot be checked.",
              "Switch on some load on every phase, a few percent of the CTs' rating at least.");
}

void checkSupply(Scene& s) {
    double sum = 0;
    int count = 0;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        sum += s.voltage[ph] ? s.in.phase[ph].v : 0;
        count += s.voltage[ph];
    }
    if (count >= 2) {
        const double mean = sum / count;
        double deviation = 0;
        for (int ph = 0; ph < kPhaseCount; ++ph) {
            if (s.voltage[ph])
                deviation = std::max(deviation, std::abs(s.in.phase[ph].v - mean) / mean);
        }
        if (deviation > kVoltageUnbalanceLimit)
            s.add(FindingKind::VoltageUnbalance, 0,
                  "The phase voltages differ by up to " + wholePercent(deviation) +
                      " from their mean, more than " + wholePercent(kVoltageUnbalanceLimit) + ".",
                  "Check the voltage taps and fuses for a loose contact, the VT ratio of each "
                  "phase in the configuration, and the supply itself.");
    }
    const double f = s.in.frequency;
    if (count > 0 && !(f >= kMinFrequency && f <= kMaxFrequency))
        s.add(FindingKind::FrequencyOutOfRange, 0,
              "The frequency reads " + std::to_string(std::lround(std::isfinite(f) ? f : 0)) +
                  " Hz, outside 45 to 65 Hz.",
              "The analyzer does not see a proper supply voltage: check the voltage taps. A "
              "generator running off speed shows here too.");
}

void checkFullScale(Scene& s) {
    if (!s.in.fullScale)
        return;
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        const std::string name = kPhaseNames[ph];
        const double current = s.in.fullScale->current[ph], voltage = s.in.fullScale->voltage[ph];
        if (current > 0 && s.in.phase[ph].i > kFullScaleLimit * current)
            s.add(FindingKind::CurrentAboveFullScale, phaseBit(ph),
                  "The current of phase " + name + " reads " +
                      wholePercent(s.in.phase[ph].i / current) + " of its engineering full scale.",
                  "Unless the line is overloaded, the CT ratio set for phase " + name +
                      " does not match the CT: compare the engineering and input full scales of "
                      "the configuration with the CT's rating plate.");
        if (voltage > 0 && s.in.phase[ph].v > kFullScaleLimit * voltage)
            s.add(FindingKind::VoltageAboveFullScale, phaseBit(ph),
                  "The voltage of phase " + name + " reads " +
                      wholePercent(s.in.phase[ph].v / voltage) + " of its engineering full scale.",
                  "The VT ratio set for phase " + name +
                      " does not match the VT (or the "
                      "analyzer is connected without one): compare the engineering and input full "
                      "scales of the configuration with the VT's rating plate.");
    }
}

}  // namespace

std::vector<Finding> findFaults(const WiringReadings& readings, SiteFlow flow) {
    Scene s(readings, flow);
    checkVoltages(s);
    checkDirections(s, checkCtPhases(s));
    checkCurrents(s);
    checkSupply(s);
    checkFullScale(s);
    return s.findings;
}

Finding noFaultFound() {
    return {FindingKind::NoFault, 0, "No wiring fault found", ""};
}

std::string phaseList(PhaseSet phases) {
    std::string text;
    size_t left = std::bitset<kPhaseCount>(phases).count();
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        if (!(phases & phaseBit(ph)))
            continue;
        text += kPhaseNames[ph];
        --left;
        text += left > 1 ? ", " : left == 1 ? " and " : "";
    }
    return text;
}

}  // namespace kestro::wiring
