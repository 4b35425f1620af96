// A long randomised run of the real engine on the virtual clock against a
// slave that answers, drops, delays, splits, corrupts, raises exceptions and
// answers for other functions and addresses, on a port that is unplugged,
// blocked, and replaced, with writes and holding reads posted at random.
//
// Reproducible from its seed, printed with every failure. KESTRO_SOAK_SEED
// and KESTRO_SOAK_TICKS override the seed and the number of poll ticks.
//
// An answer that arrives after the next request has gone out cannot be told
// from that request's answer when function and size match: RTU frames carry
// no transaction number. Late answers here come after their time-out but
// before the same function can be asked again (a state is asked again ten
// ticks after its time-out at the soonest), and repeated answers follow so
// closely that they spoil the frame they run into.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "modbus/Crc.h"
#include "modbus/Driver_Modbus.h"
#include "modbus/FrameObserver.h"
#include "tests/support/core/EngineHarness.h"

using namespace kestro;
using namespace kestro::test;

namespace {

uint64_t envNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

// A scan with every window at its largest, each chunk waiting out its
// longest time-out: 26 chunks of at most 18 ticks, 18 ticks of state
// changes, and room for a jump to the preset state; a port change freezes
// the scan for its ten ticks of pauses.
constexpr uint64_t kScanBoundTicks = 700;
// A posted write or read is served within about one scan of its posting.
constexpr uint64_t kRequestBoundTicks = kScanBoundTicks + 200;

struct TableImage {
    uint16_t input[kRegisterTableSize];
    uint16_t holding[kRegisterTableSize];
    uint16_t preset[kRegisterTableSize];
    uint8_t coils[kStatusTableSize];
    uint8_t inputStatus[kStatusTableSize];
};

void capture(TableImage& image) {
    std::memcpy(image.input, DB_Modbus.InputRegisterTable, sizeof image.input);
    std::memcpy(image.holding, DB_Modbus.HoldingRegisterTable, sizeof image.holding);
    std::memcpy(image.preset, DB_Modbus.PresetRegisterTable, sizeof image.preset);
    std::memcpy(image.coils, DB_Modbus.CoilStatusTable, sizeof image.coils);
    std::memcpy(image.inputStatus, DB_Modbus.InputStatusTable, sizeof image.inputStatus);
}

// Where the answer handled in one poll tick may store: entries [first,
// first + count) of one table.
struct StoreWindow {
    int function = 0;
    int first = 0;
    int count = 0;
    bool contains(int index) const { return index >= first && index < first + count; }
};

// Listens to the link all through the run, as a traffic monitor would, and
// checks what it hears: time stamps in order and never ahead of the clock,
// requests with a good CRC, time-outs without bytes.
class CheckingObserver : public FrameObserver {
  public:
    explicit CheckingObserver(const VirtualClock& clock) : clock_(clock) {}
    void onFrame(const FrameEvent& e) override {
        ++frames;
        if (e.startUs > e.endUs || e.endUs > clock_.nowUs())
            problem = "frame time stamps out of order or ahead of the clock";
        if (e.direction == FrameDirection::Sent && !CrcCheck(e.bytes.data(), int(e.bytes.size())))
            problem = "a request with a bad CRC was reported";
        if (e.outcome == FrameOutcome::Timeout && !e.bytes.empty())
            problem = "a time-out with bytes was reported";
    }
    uint64_t frames = 0;
    std::string problem;

  private:
    const VirtualClock& clock_;
};

class SoakRun {
  public:
    explicit SoakRun(uint64_t seed) : rng_(seed) {
        rig_.status.keep = 16;
        rig_.recordHookCodes = false;
        rig_.slave.logRequests = false;
        rig_.slave.chooser = [this](const SlaveRequest& r) { return chooseReply(r); };
        for (int i = 0; i < 65536; ++i) {
            rig_.slave.inputRegisters[i] = uint16_t(0x8000 | i);
            rig_.slave.discreteInputs[i] = (i * 7 + 3) % 5 < 2;
            rig_.slave.coils[i] = i % 3 == 0;
        }
        rig_.beforePollTick = [this] { beforeTick(); };
        rig_.afterPollTick = [this] { afterTick(); };
    }

    // Runs `ticks` poll ticks or until the first broken invariant.
    std::string run(uint64_t ticks) {
        Host.frameObserver = &observer_;
        rig_.start();
        while (failure_.empty() && rig_.pollTicks < ticks) {
            rig_.runMs(int64_t(std::min<uint64_t>(ticks - rig_.pollTicks, 10000)) * 100);
            if (!observer_.problem.empty())
                fail(observer_.problem);
        }
        return failure_;
    }
    uint64_t framesObserved() const { return observer_.frames; }

    uint64_t longestScan() const { return longestScan_; }
    uint64_t scans() const { return scans_; }
    uint64_t refusals() const { return refusals_; }
    uint64_t portChanges() const { return portChanges_; }

  private:
    int chance(int n) { return int(rng_() % uint64_t(n)); }

    void fail(const std::string& what) {
        if (!failure_.empty())
            return;
        std::ostringstream out;
        out << "at poll tick " << rig_.pollTicks << " (state " << Ports.TxState << "): " << what;
        failure_ = out.str();
    }

    Reply chooseReply(const SlaveRequest& request) {
        const int roll = chance(100);
        if (roll < 55)
            return Reply::prompt();
        if (roll < 60)
            return Reply::dropped();
        if (roll < 64)
            return Reply::delayed(1250 + chance(500));  // past the time-out
        if (roll < 68)
            return Reply::delayed(chance(700));
        if (roll < 73)
            return split(request);
        if (roll < 77)
            return Reply::corrupted(chance(12));
        if (roll < 80)
            return garbage();
        if (roll < 85) {
            const int codes[] = {1, 2, 3, 4, 6, 7};
            return Reply::exceptionCode(codes[chance(6)]);
        }
        if (roll < 88)
            return Reply::withFunction(1 + chance(20));
        if (roll < 91)
            return Reply::fromAddress(chance(248));
        if (roll < 94)
            return Reply::repeated(chance(30));
        return Reply::edited([this](std::vector<uint8_t>& body) {
            if (chance(2) && body.size() > 2)
                body.pop_back();
            else
                body.push_back(uint8_t(rng_()));
        });
    }

    // Pieces with gaps, some long enough to end a frame, all within 700 ms.
    Reply split(const SlaveRequest& r) {
        const int bytes = r.function == 3 || r.function == 4   ? 5 + 2 * r.count
                          : r.function == 1 || r.function == 2 ? 5 + (r.count + 7) / 8
                                                               : 8;
        const int chunk = 1 + chance(20);
        const int pieces = (bytes + chunk - 1) / chunk;
        return Reply::split(chunk, chance(std::min(90, 700 / pieces + 1)));
    }

    Reply garbage() {
        std::vector<uint8_t> bytes(chance(50) == 0 ? 1100 : 1 + chance(300));
        for (uint8_t& b : bytes)
            b = uint8_t(rng_());
        return Reply::garbage(std::move(bytes));
    }

    // Where the answer waiting to be handled in this tick may store.
    StoreWindow storeWindow() const {
        StoreWindow w;
        if (!Ports.FrameReceived || !Ports.AwaitingResponse || Ports.TxPending)
            return w;
        const DbModbusState& db = DB_Modbus;
        const int starts[] = {0, db.CoilReadStart, db.InputStatusReadStart, db.HoldingReadStart,
                              db.InputReadStart};
        if (Ports.TxState < 1 || Ports.TxState > 4)
            return w;
        w.function = Ports.TxState;
        w.first = int(db.LastStart) - starts[w.function];
        w.count = db.LastCount;
        return w;
    }

    void beforeTick() {
        capture(before_);
        window_ = storeWindow();
        checkTimeBounds();
    }

    void afterTick() {
        checkStores();
        trackProgress();
        checkRequests();
        if (failure_.empty())
            act();
    }

    void checkTimeBounds() {
        if (!Ports.AwaitingResponse) {
            awaitingSinceUs_ = -1;
            return;
        }
        const int64_t now = rig_.platform.clock.nowUs();
        if (awaitingSinceUs_ >= 0 && now - awaitingSinceUs_ > awaitingLimitUs_)
            fail("AwaitingResponse set for " + std::to_string((now - awaitingSinceUs_) / 1000) +
                 " ms");
    }

    template <typename T>
    void checkRegisterStores(const T* was, const T* now, int function, const char* name,
                             const uint16_t* image) {
        for (int i = 0; i < kRegisterTableSize; ++i) {
            if (was[i] == now[i])
                continue;
            if (window_.function != function || !window_.contains(i))
                return fail(std::string(name) + " changed at " + std::to_string(i));
            if (image && now[i] != image[i])
                return fail(std::string(name) + " holds a wrong value at " + std::to_string(i));
        }
    }

    void checkStatusStores(const uint8_t* was, const uint8_t* now, int function, const char* name,
                           const uint8_t* image) {
        for (int b = 0; b < kStatusTableSize; ++b) {
            const uint8_t changed = was[b] ^ now[b];
            if (!changed)
                continue;
            if (b % 2 == 1 || b == kStatusTableSize - 1)
                return fail(std::string(name) + " changed outside its points at byte " +
                            std::to_string(b));
            for (int bit = 0; bit < 8; ++bit) {
                if (!(changed >> bit & 1))
                    continue;
                const int point = 8 * (b / 2) + bit;
                if (window_.function != function || !window_.contains(point))
                    return fail(std::string(name) + " changed at point " + std::to_string(point));
                if (image && ((now[b] >> bit) & 1) != image[point])
                    return fail(std::string(name) + " holds a wrong point " +
                                std::to_string(point));
            }
        }
    }

    // Stores land only inside the window of the answer handled; the input
    // tables (windows starting at 1, slave images constant) take only the
    // slave's values.
    void checkStores() {
        if (std::memcmp(before_.preset, DB_Modbus.PresetRegisterTable, sizeof before_.preset))
            return fail("the engine changed PresetRegisterTable");
        const ScriptedSlave& s = rig_.slave;
        checkRegisterStores(before_.input, DB_Modbus.InputRegisterTable, 4, "InputRegisterTable",
                            s.inputRegisters.data());
        checkRegisterStores(before_.holding, DB_Modbus.HoldingRegisterTable, 3,
                            "HoldingRegisterTable", nullptr);
        checkStatusStores(before_.coils, DB_Modbus.CoilStatusTable, 1, "CoilStatusTable", nullptr);
        checkStatusStores(before_.inputStatus, DB_Modbus.InputStatusTable, 2, "InputStatusTable",
                          s.discreteInputs.data());
    }

    void trackProgress() {
        if (Ports.AwaitingResponse && awaitingSinceUs_ < 0) {
            awaitingSinceUs_ = rig_.platform.clock.nowUs();
            // Waiting for room, then for the answer, seen at poll-tick grain.
            awaitingLimitUs_ =
                int64_t(Ports.TxTimeout.Ticks + Ports.ResponseTimeout.Ticks + 2) * kTickMs * 1000 +
                100000;
        }
        if (rig_.status.lastRed() && rig_.status.last().find("refused") != std::string::npos)
            ++refusals_;
        if (!Ports.PortOpen)
            return;
        ++ticksInScan_;
        if (Ports.TxState == 0) {
            longestScan_ = std::max(longestScan_, ticksInScan_);
            ticksInScan_ = 0;
            ++scans_;
        }
        if (ticksInScan_ > kScanBoundTicks)
            fail("the scan has not come back to state 0");
    }

    // Bounds count the ticks with the port open: a device command stops
    // waiting when the port closes, and nothing is sent meanwhile.
    void checkRequests() {
        if (!Ports.PortOpen) {
            if (waiting_)
                endWait();
            return;
        }
        const uint64_t now = ++openTicks_;
        if (waiting_ && DB_Modbus.RequestPending && now - pendingSince_ > kRequestBoundTicks)
            fail("RequestPending never cleared");
        if (waiting_ && !DB_Modbus.RequestPending)
            endWait();
        const bool armed[] = {DB_Modbus.PresetArmed, DB_Modbus.CoilsArmed,
                              DB_Modbus.SingleCoilArmed, DB_Modbus.SingleRegisterArmed};
        for (int i = 0; i < 4; ++i) {
            if (armed[i] && now - armedSince_[i] > kRequestBoundTicks)
                fail("a posted write was never sent nor failed (" + std::to_string(i) + ")");
        }
    }

    void endWait() {
        waiting_ = false;
        CloseHoldingRead();
    }

    // What the requesters and the line do between two poll ticks.
    void act() {
        if (!waiting_ && chance(300) == 0)
            postWaitingRequest();
        if (chance(700) == 0)
            postPresetWrite(chance(2) ? 201 : 301, chance(2) ? 2 : 4);
        if (chance(3000) == 0)
            postCoilWrites();
        if (chance(500) == 0)
            changeWindows();
        faultLine();
    }

    void postPresetWrite(uint16_t start, uint16_t count) {
        std::vector<uint16_t> values(count);
        for (uint16_t& v : values)
            v = uint16_t(rng_());
        PostPresetWrite(start, count, values.data());
        armedSince_[0] = openTicks_;
    }

    // Download, calibration or upload, each waited for; some do not fit.
    void postWaitingRequest() {
        const int kind = chance(10);
        if (kind < 4)
            postPresetWrite(1, 27);
        else if (kind < 6)
            postPresetWrite(101, 14);
        else if (kind < 7)
            postPresetWrite(uint16_t(1 + chance(520)), uint16_t(1 + chance(130)));
        if (kind < 7) {
            DB_Modbus.RequestPending = true;
        } else {
            DB_Modbus.HoldingRegistersValid = false;
            OpenHoldingRead(1, kind == 9 ? uint16_t(chance(560)) : 52);
        }
        waiting_ = true;
        pendingSince_ = openTicks_;
    }

    void postCoilWrites() {
        DbModbusState& db = DB_Modbus;
        const uint64_t now = openTicks_;
        db.SingleCoilValue = chance(2);
        db.CoilWriteStart = uint16_t(1 + chance(3300));
        db.SingleCoilArmed = true;
        armedSince_[2] = now;
        db.SingleRegisterValue = uint16_t(rng_());
        db.SingleRegisterArmed = true;
        armedSince_[3] = now;
        if (chance(2)) {
            db.CoilWriteCount = uint16_t(1 + chance(1500));
            db.CoilsArmed = true;
            armedSince_[1] = now;
        }
    }

    void changeWindows() {
        const uint16_t inputCounts[] = {0, 44, 44, 44, 120, 250, 501, 502};
        const uint16_t statusCounts[] = {0, 0, 0, 10, 960, 1000, 3200, 3201};
        DB_Modbus.InputReadCount = inputCounts[chance(8)];
        DB_Modbus.CoilReadCount = statusCounts[chance(8)];
        DB_Modbus.InputStatusReadCount = statusCounts[chance(8)];
    }

    void faultLine() {
        const uint64_t now = rig_.pollTicks;
        if (now == replugAt_)
            rig_.port().replug();
        if (now == unblockAt_)
            rig_.port().blockOutput(false);
        if (chance(4000) == 0) {
            rig_.port().unplug();
            replugAt_ = now + 5 + uint64_t(chance(60));
        }
        if (chance(2500) == 0) {
            rig_.port().blockOutput(true);
            unblockAt_ = now + 1 + uint64_t(chance(30));
        }
        // The user picks another port, also when the last one did not open.
        if (!portChangeDue_ && (!Ports.PortOpen || chance(20000) == 0))
            changePort();
    }

    // The selection runs between poll ticks; its pauses run nested ones.
    void changePort() {
        portChangeDue_ = true;
        ++portChanges_;
        rig_.platform.clock.afterMs(1 + chance(99), [this] {
            OpenPort(uint16_t(1 + chance(8)));
            portChangeDue_ = false;
        });
    }

    std::mt19937_64 rng_;
    EngineHarness rig_;
    CheckingObserver observer_{rig_.platform.clock};
    std::string failure_;
    TableImage before_{};
    StoreWindow window_;
    int64_t awaitingSinceUs_ = -1;
    int64_t awaitingLimitUs_ = 0;
    uint64_t ticksInScan_ = 0, longestScan_ = 0, scans_ = 0, refusals_ = 0;
    bool waiting_ = false;
    uint64_t pendingSince_ = 0;
    uint64_t armedSince_[4] = {};
    uint64_t replugAt_ = 0, unblockAt_ = 0;
    bool portChangeDue_ = false;
    uint64_t openTicks_ = 0, portChanges_ = 0;
};

}  // namespace

TEST(Soak, EngineKeepsItsInvariantsUnderRandomFaults) {
    const uint64_t seed = envNumber("KESTRO_SOAK_SEED", 20240611);
    const uint64_t ticks = envNumber("KESTRO_SOAK_TICKS", 1000000);
    SCOPED_TRACE("soak seed " + std::to_string(seed) + " (KESTRO_SOAK_SEED)");
    SoakRun soak(seed);
    EXPECT_EQ(soak.run(ticks), "");
    std::cout << "soak: seed " << seed << ", " << ticks << " poll ticks, " << soak.scans()
              << " scans, longest " << soak.longestScan() << " ticks, " << soak.refusals()
              << " ticks showing a refusal, " << soak.portChanges() << " port changes, "
              << soak.framesObserved() << " frames observed\n";
}
