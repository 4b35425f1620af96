// The line faults of the rvx82a-sim link, each seen from the master's end
// and in the event it prints; the same seed gives the same faults; the
// traffic log tells each request's fate; and an independent master (mbpoll)
// reads what the model holds.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "sim/model/DeviceModel.h"
#include "tests/sim/SimProcess.h"

using namespace kestro::sim;
using namespace kestro::sim::test;

namespace {

const std::vector<uint8_t> kReadAll = {0x01, 0x04, 0x00, 0x00, 0x00, 0x2C};

struct FaultCase {
    const char* name;
    std::vector<std::string> options;
    const char* event;
    int firstByteMs;
    void (*check)(const std::vector<Arrival>&);
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

void noAnswer(const std::vector<Arrival>& arrivals) {
    EXPECT_TRUE(arrivals.empty());
}

void damagedAnswer(const std::vector<Arrival>& arrivals) {
    const auto all = joined(arrivals);
    EXPECT_EQ(all.size(), 93u);
    EXPECT_FALSE(crcOk(all));
}

void noiseBeforeAnswer(const std::vector<Arrival>& arrivals) {
    const auto all = joined(arrivals);
    ASSERT_GT(all.size(), 93u);
    ASSERT_LE(all.size(), 97u);
    EXPECT_FALSE(crcOk(all));
    EXPECT_TRUE(crcOk(std::vector<uint8_t>(all.end() - 93, all.end()))) << "the answer follows";
}

void answerInPieces(const std::vector<Arrival>& arrivals) {
    const auto all = joined(arrivals);
    ASSERT_EQ(all.size(), 93u);
    EXPECT_TRUE(crcOk(all));
    int64_t longest = 0;
    for (size_t i = 1; i < arrivals.size(); ++i)
        longest = std::max(longest, arrivals[i].us - arrivals[i - 1].us);
    EXPECT_GE(longest, 9000) << "a pause between pieces";
    EXPECT_LT(longest, 55000) << "shorter than one 55 ms tick";
}

void lateAnswer(const std::vector<Arrival>& arrivals) {
    ASSERT_FALSE(arrivals.empty());
    EXPECT_GE(arrivals.front().us, 1500000);
    EXPECT_TRUE(crcOk(joined(arrivals)));
}

void echoThenAnswer(const std::vector<Arrival>& arrivals) {
    const auto all = joined(arrivals);
    ASSERT_EQ(all.size(), 8u + 93u);
    EXPECT_EQ(std::vector<uint8_t>(all.begin(), all.begin() + 6), kReadAll);
    EXPECT_TRUE(crcOk(std::vector<uint8_t>(all.begin() + 8, all.end())));
}

class SimFaults : public ::testing::TestWithParam<FaultCase> {};

}  // namespace

TEST_P(SimFaults, AreSeenOnTheLineAndReported) {
    TempDir dir;
    const FaultCase& c = GetParam();
    std::vector<std::string> args = {RVX82A_SIM_PATH, "--link", dir.path("l"), "--seed", "3"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    SimProcess sim(args);
    ASSERT_NE(sim.waitFor("\"event\":\"start\"", 5000), "");
    RawLink link;
    ASSERT_TRUE(link.open(dir.path("l")));
    link.send(kReadAll);
    c.check(link.receive(c.firstByteMs));
    EXPECT_NE(sim.waitFor(std::string("\"fault\":\"") + c.event + "\"", 2000), "") << c.event;
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimFaults,
    ::testing::Values(FaultCase{"Drop", {"--drop", "1"}, "drop", 800, noAnswer},
                      FaultCase{"Corrupt", {"--corrupt", "1"}, "corrupt", 1500, damagedAnswer},
                      FaultCase{"Garbage", {"--garbage", "1"}, "garbage", 1500, noiseBeforeAnswer},
                      FaultCase{"Split", {"--split"}, "split", 1500, answerInPieces},
                      FaultCase{"Delay", {"--delay", "1500"}, "delay", 2500, lateAnswer},
                      FaultCase{"Echo", {"--echo"}, "echo", 1500, echoThenAnswer},
                      FaultCase{"Silent", {"--silent"}, "silent", 800, noAnswer}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimSeed, SameSeedGivesTheSameFaults) {
    auto faultsOfARun = [](const std::string& seed) {
        TempDir dir;
        SimProcess sim({RVX82A_SIM_PATH, "--link", dir.path("l"), "--seed", seed, "--drop", "0.3",
                        "--corrupt", "0.3", "--split"});
        EXPECT_NE(sim.waitFor("\"event\":\"start\"", 5000), "");
        RawLink link;
        EXPECT_TRUE(link.open(dir.path("l")));
        std::string outcome;
        for (int i = 0; i < 6; ++i) {
            const auto all = link.transact(kReadAll, 400);
            outcome += all.empty() ? "-" : crcOk(all) ? "+" : "x";
        }
        std::string faults;
        sim.terminate();
        for (const auto& line : sim.lines())
            if (line.find("\"fault\"") != std::string::npos)
                faults += line + "\n";
        return outcome + "\n" + faults;
    };
    const std::string first = faultsOfARun("11");
    EXPECT_EQ(first, faultsOfARun("11"));
    EXPECT_NE(first.find("\"drop\""), std::string::npos) << first;
    EXPECT_NE(first, faultsOfARun("12"));
}

// What the master got, request by request, is what the traffic log says:
// each request, then its answer or the drop that lost it.
TEST(SimTraffic, LogsEachRequestWithItsAnswerOrItsDrop) {
    TempDir dir;
    SimProcess sim({RVX82A_SIM_PATH, "--link", dir.path("l"), "--seed", "11", "--drop", "0.5",
                    "--log-traffic"});
    ASSERT_NE(sim.waitFor("\"event\":\"start\"", 5000), "");
    RawLink link;
    ASSERT_TRUE(link.open(dir.path("l")));
    std::string seen;
    for (int i = 0; i < 8; ++i) {
        const auto all = link.transact(kReadAll);
        seen += all.empty() ? "request drop\n" : "request answer\n";
    }
    sim.terminate();
    std::string logged;
    for (const auto& line : sim.lines()) {
        if (line == R"({"event":"request","function":4,"bytes":8})")
            logged += "request ";
        else if (line == R"({"event":"answer","function":4,"bytes":93})")
            logged += "answer\n";
        else if (line.find("\"fault\":\"drop\"") != std::string::npos)
            logged += "drop\n";
    }
    EXPECT_EQ(logged, seen);
    EXPECT_NE(seen.find("drop"), std::string::npos);
    EXPECT_NE(seen.find("answer"), std::string::npos);
}

namespace {

// Runs mbpoll once and returns the values by reference number.
std::map<int, uint16_t> mbpoll(const std::string& link, const std::string& table, int count) {
    const std::string command = "timeout 10 mbpoll -m rtu -b 9600 -P none -a 1 -r 1 -c " +
                                std::to_string(count) + " -t " + table + " -1 -o 2 " + link +
                                " 2>&1";
    std::map<int, uint16_t> values;
    FILE* out = popen(command.c_str(), "r");
    if (!out)
        return values;
    char line[256];
    while (std::fgets(line, sizeof line, out)) {
        int reference = 0;
        unsigned value = 0;
        if (std::sscanf(line, "[%d]: %u", &reference, &value) == 2)
            values[reference] = uint16_t(value);
    }
    pclose(out);
    return values;
}

}  // namespace

TEST(SimCrossCheck, MbpollReadsWhatTheModelHolds) {
    TempDir dir;
    SimProcess sim({RVX82A_SIM_PATH, "--link", dir.path("l"), "--freeze", "--clock",
                    "2026-12-09 14:35:07", "--firmware", "RVX82A V1.10 TEST"});
    ASSERT_NE(sim.waitFor("\"event\":\"start\"", 5000), "");
    DeviceModel model;
    model.setFirmware("RVX82A V1.10 TEST");
    model.setClock({26, 12, 9, 14, 35, 7, 3});

    const auto input = mbpoll(dir.path("l"), "3", 44);
    const InputImage expectedInput = model.inputRegisters();
    ASSERT_EQ(input.size(), 44u) << "mbpoll read no input registers";
    for (int n = 1; n <= 44; ++n)
        EXPECT_EQ(input.at(n), expectedInput[n - 1]) << "input " << n;
    EXPECT_EQ(input.at(39), 0x3507);
    EXPECT_EQ(input.at(40), 0x0314);

    const auto holding = mbpoll(dir.path("l"), "4", 52);
    const HoldingImage expectedHolding = model.holdingRegisters();
    ASSERT_EQ(holding.size(), 52u) << "mbpoll read no holding registers";
    for (int n = 1; n <= 52; ++n)
        EXPECT_EQ(holding.at(n), expectedHolding[n - 1]) << "holding " << n;
    EXPECT_EQ(sim.terminate(), 0);
}
