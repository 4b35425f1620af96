// The rvx82a-sim program on its pseudo-terminal link: answers, pacing,
// commands and their events, exceptions, address change, phase faults.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "modbus/Crc.h"
#include "sim/model/RtuResponder.h"
#include "tests/sim/SimProcess.h"
#include "tests/sim/SimTestSupport.h"

using kestro::WithCrc;
using namespace kestro::sim;
using namespace kestro::sim::test;

namespace {

const std::vector<uint8_t> kReadAll = {0x01, 0x04, 0x00, 0x00, 0x00, 0x2C};
const std::vector<uint8_t> kResetKWh = {0x01, 0x10, 0x00, 0xC8, 0x00, 0x02,
                                        0x04, 0x9E, 0xA9, 0x00, 0x01};

std::vector<uint16_t> registersOf(const std::vector<uint8_t>& reply) {
    std::vector<uint16_t> regs;
    for (size_t i = 3; i + 3 < reply.size(); i += 2)
        regs.push_back(uint16_t(reply[i] << 8 | reply[i + 1]));
    return regs;
}

std::vector<uint8_t> frameOf(uint8_t slave, const std::vector<uint16_t>& configuration) {
    std::vector<uint8_t> frame = {slave, 0x10, 0x00, 0x00, 0x00, 0x1B, 0x36};
    for (uint16_t v : configuration) {
        frame.push_back(uint8_t(v >> 8));
        frame.push_back(uint8_t(v));
    }
    return frame;
}

}  // namespace

class SimProgram : public ::testing::Test {
  protected:
    std::unique_ptr<SimProcess> start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {RVX82A_SIM_PATH, "--link", linkPath, "--seed", "1"};
        args.insert(args.end(), extra.begin(), extra.end());
        auto sim = std::make_unique<SimProcess>(args);
        EXPECT_NE(sim->waitFor("\"event\":\"start\"", 5000), "") << "simulator did not start";
        return sim;
    }
    void connect() { ASSERT_TRUE(link.open(linkPath)); }

    TempDir dir;
    std::string linkPath = dir.path("rvx82a");
    RawLink link;
};

TEST_F(SimProgram, ServesTheInputWindowInSwappedOrder) {
    auto sim = start();
    connect();
    const auto reply = link.transact(kReadAll);
    ASSERT_EQ(reply.size(), 93u);
    EXPECT_TRUE(crcOk(reply));
    const auto regs = registersOf(reply);
    EXPECT_NEAR(swappedFloat(&regs[18]), 50, 0.1);
    EXPECT_NEAR(swappedFloat(&regs[6]), 230, 5);
    EXPECT_EQ(regs[36], 0x0000);
    EXPECT_EQ(regs[37], 0x01FF);
    const int weekday = regs[39] >> 8;
    EXPECT_GE(weekday, 1);
    EXPECT_LE(weekday, 7);
}

TEST_F(SimProgram, PacesBothDirectionsLikeA9600BaudLine) {
    auto sim = start();
    connect();
    link.send(kReadAll);
    const auto arrivals = link.receive();
    ASSERT_FALSE(arrivals.empty());
    ASSERT_EQ(joined(arrivals).size(), 93u);
    // 8 request and 93 answer bytes at 1.04 ms each.
    EXPECT_GE(arrivals.back().us, 101 * 1040);
    EXPECT_LT(arrivals.back().us, 400000);
    EXPECT_GE(arrivals.back().us - arrivals.front().us, 85000) << "the answer trickles in";
}

TEST_F(SimProgram, AppliedCommandsPrintOneJsonLineEach) {
    auto sim = start();
    connect();
    EXPECT_EQ(link.transact(kResetKWh), WithCrc({0x01, 0x10, 0x00, 0xC8, 0x00, 0x02}));
    EXPECT_EQ(sim->waitFor("energy_reset", 2000),
              "{\"event\":\"write\",\"block\":\"energy_reset\",\"selector\":1,\"meter\":\"kWh\"}");
    const auto meter = registersOf(link.transact({0x01, 0x04, 0x00, 0x20, 0x00, 0x02}));
    ASSERT_EQ(meter.size(), 2u);
    EXPECT_LT(swappedFloat(meter.data()), 0.01) << "the kWh meter starts again from zero";

    const std::vector<uint8_t> clock = {0x01, 0x10, 0x01, 0x2C, 0x00, 0x04, 0x08, 0x35,
                                        0x07, 0x14, 0x03, 0x12, 0x09, 0x00, 0x26};
    EXPECT_EQ(link.transact(clock).size(), 8u);
    EXPECT_NE(sim->waitFor("\"clock\":\"2026-12-09 14:35:0", 2000), "");
}

TEST_F(SimProgram, RefusedRequestsAnswerTheModelsExceptions) {
    auto sim = start();
    connect();
    auto badCode = frameOf(0x01, configurationBlock(9600, 1));
    badCode[8] ^= 0x01;  // code word 27080
    EXPECT_EQ(link.transact(badCode), WithCrc({0x01, 0x90, 0x03}));
    EXPECT_NE(sim->waitFor("wrong code word", 2000), "");
    EXPECT_EQ(link.transact({0x01, 0x03, 0x00, 0x00, 0x00, 0x36}), WithCrc({0x01, 0x83, 0x02}));
    EXPECT_EQ(link.transact({0x01, 0x05, 0x00, 0x00, 0xFF, 0x00}), WithCrc({0x01, 0x85, 0x01}));
}

TEST_F(SimProgram, NewSlaveIdTakesEffectAfterTheReplyAndForeignFramesAreIgnored) {
    auto sim = start();
    connect();
    EXPECT_EQ(link.transact(frameOf(0x01, configurationBlock(19200, 9))),
              WithCrc({0x01, 0x10, 0x00, 0x00, 0x00, 0x1B}));
    EXPECT_NE(sim->waitFor("\"event\":\"address\",\"slave_id\":9", 2000), "");
    // Several requests for other slaves in a row, then ours: none of ours
    // may be taken for another slave's reply.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(link.transact(kReadAll, 400).empty());
    for (int i = 0; i < 3; ++i) {
        const auto reply = link.transact({0x09, 0x03, 0x00, 0x00, 0x00, 0x03});
        ASSERT_EQ(reply.size(), 11u) << i;
        EXPECT_EQ(registersOf(reply), (std::vector<uint16_t>{0, 19200, 9}));
    }
}

TEST_F(SimProgram, WithBaudItHearsTheMasterOnlyAtItsLinesRateWhichAWriteMoves) {
    auto sim = start({"--baud", "19200"});
    connect();  // the terminal at 9600 baud
    EXPECT_TRUE(link.transact(kReadAll, 400).empty());
    EXPECT_NE(sim->waitFor("{\"event\":\"rx_error\",\"reason\":\"line speed\","
                           "\"master_baud\":9600,\"baud\":19200}",
                           2000),
              "");
    link.setSpeed(B19200);
    EXPECT_EQ(link.transact(kReadAll).size(), 93u);
    EXPECT_EQ(link.transact(frameOf(0x01, configurationBlock(9600, 1))),
              WithCrc({0x01, 0x10, 0x00, 0x00, 0x00, 0x1B}));
    EXPECT_NE(sim->waitFor("{\"event\":\"baud\",\"baud\":9600}", 2000), "");
    EXPECT_TRUE(link.transact(kReadAll, 400).empty()) << "19200 baud is noise now";
    link.setSpeed(B9600);
    EXPECT_EQ(link.transact(kReadAll).size(), 93u);
}

TEST_F(SimProgram, PhaseOptionsShowInTheStatusWords) {
    auto sim = start({"--drop-phase", "S", "--reverse-p", "R", "--reverse-q", "T"});
    connect();
    const auto regs = registersOf(link.transact({0x01, 0x04, 0x00, 0x24, 0x00, 0x02}));
    ASSERT_EQ(regs.size(), 2u);
    EXPECT_EQ(regs[0], 0x1086) << "missing phase, S lost, PR and QT reversed";
    EXPECT_EQ(regs[1], 0x016D) << "PS, QS and VS cleared";
}

TEST_F(SimProgram, WiringOptionsShowInTheStatusWords) {
    auto sim = start({"--swap-ct", "S,T", "--missing-voltage", "r"});
    connect();
    const auto regs = registersOf(link.transact({0x01, 0x04, 0x00, 0x24, 0x00, 0x02}));
    ASSERT_EQ(regs.size(), 2u);
    EXPECT_EQ(regs[0], 0x08D2) << "missing phase, R lost, PS, PT and QT reversed";
    EXPECT_EQ(regs[1], 0x01B6) << "PR, QR and VR cleared";
    link.close();
    EXPECT_EQ(sim->terminate(), 0);
    sim = start({"--reverse-ct", "T", "--export", "R"});
    connect();
    EXPECT_EQ(registersOf(link.transact({0x01, 0x04, 0x00, 0x24, 0x00, 0x01})),
              std::vector<uint16_t>{0x00C4})
        << "PR reversed by the export, PT and QT by the CT";
}

TEST_F(SimProgram, ReopenedMasterEndKeepsWorkingWithoutStaleBytes) {
    auto sim = start();
    connect();
    EXPECT_EQ(link.transact(kReadAll).size(), 93u);
    link.send(kReadAll);
    link.close();  // the answer goes out while nobody listens
    usleep(300000);
    connect();
    EXPECT_TRUE(link.receive(200).empty()) << "nothing stale on reopening";
    const auto reply = link.transact(kReadAll);
    EXPECT_EQ(reply.size(), 93u);
    EXPECT_TRUE(crcOk(reply));
}

TEST_F(SimProgram, StopsOnSigtermAndRemovesItsLink) {
    auto sim = start();
    struct stat st {};
    ASSERT_EQ(lstat(linkPath.c_str(), &st), 0);
    EXPECT_EQ(sim->terminate(), 0);
    EXPECT_NE(lstat(linkPath.c_str(), &st), 0) << "link left behind";
    EXPECT_EQ(sim->lines().back(), "{\"event\":\"stop\"}");
}

TEST_F(SimProgram, KilledSimulatorCanBeRestartedUnderTheSameLink) {
    auto first = start();
    first->killHard();
    struct stat st {};
    ASSERT_EQ(lstat(linkPath.c_str(), &st), 0) << "a killed simulator leaves its link";
    auto second = start();
    connect();
    EXPECT_EQ(link.transact(kReadAll).size(), 93u);
    EXPECT_EQ(second->terminate(), 0);
}

TEST_F(SimProgram, ServesAnExistingTerminalWithPort) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string terminal = ptsname(master);
    SimProcess sim({RVX82A_SIM_PATH, "--port", terminal, "--slave-id", "3"});
    ASSERT_NE(sim.waitFor("\"port\":\"" + terminal + "\",\"slave_id\":3", 5000), "");
    // The simulator's side sets the line mode; we speak on the controlling side.
    const auto request = WithCrc({0x03, 0x04, 0x00, 0x12, 0x00, 0x02});
    ASSERT_EQ(write(master, request.data(), request.size()), ssize_t(request.size()));
    std::vector<uint8_t> reply;
    const int64_t deadline = monotonicUs() + 2000000;
    while (reply.size() < 9 && monotonicUs() < deadline) {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0)
            continue;
        uint8_t buffer[64];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0)
            reply.insert(reply.end(), buffer, buffer + n);
    }
    ASSERT_EQ(reply.size(), 9u);
    EXPECT_TRUE(crcOk(reply));
    EXPECT_NEAR(swappedFloat(registersOf(reply).data()), 50, 0.1);
    EXPECT_EQ(sim.terminate(), 0);
    close(master);
}

TEST(SimOptions, HelpNamesEveryOptionAndMistakesAreRefused) {
    TempDir dir;
    SimProcess help({RVX82A_SIM_PATH, "--help"});
    EXPECT_EQ(help.wait(5000), 0);
    std::string text;
    for (const auto& line : help.lines())
        text += line + "\n";
    for (const char* option : {"--link",
                               "--tcp",
                               "--port",
                               "--slave-id",
                               "--firmware",
                               "--clock",
                               "--freeze",
                               "--reverse-p",
                               "--reverse-q",
                               "--drop-phase",
                               "--sequence-fault",
                               "--reverse-ct",
                               "--swap-ct",
                               "--missing-voltage",
                               "--export",
                               "--drop",
                               "--corrupt",
                               "--garbage",
                               "--split",
                               "--delay",
                               "--echo",
                               "--silent",
                               "--seed",
                               "--help",
                               "--baud"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
    const std::vector<std::vector<std::string>> refused = {
        {"--link", dir.path("a"), "--slave-id", "0"},
        {"--link", dir.path("a"), "--drop", "1.5"},
        {"--link", dir.path("a"), "--drop-phase", "X"},
        {"--link", dir.path("a"), "--swap-ct", "S"},
        {"--link", dir.path("a"), "--swap-ct", "S,S"},
        {"--link", dir.path("a"), "--swap-ct", "R,S,T"},
        {"--link", dir.path("a"), "--clock", "2026-02-30 10:00:00"},
        {"--port", "/dev/null", "--echo"},
        {"--link", dir.path("a"), "--port", "/dev/null"},
        {"--tcp", "4001", "--link", dir.path("a")},
        {"--tcp", "65536"},
        {"--link", dir.path("a"), "--baud", "600"},
        {"--tcp", "0", "--baud", "9600"},
        {"--bogus"},
    };
    for (auto args : refused) {
        args.insert(args.begin(), RVX82A_SIM_PATH);
        SimProcess sim(args);
        EXPECT_EQ(sim.wait(5000), 2) << args[1] << " " << args.back();
    }
}
