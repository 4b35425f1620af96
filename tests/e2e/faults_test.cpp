// Line faults between the program and the analyzer: each shows its own
// status text, and the scan goes on through every one of them.
#include <ostream>

#include "tests/e2e/KestroFixture.h"

using namespace kestro::test;

namespace {

struct LineFault {
    const char* name;
    QStringList options;
    QStringList inOrder;  // status texts that must come, in this order
    QStringList never;    // status texts that must not come at all
    QString event;        // the simulator's report of the fault
};

void PrintTo(const LineFault& fault, std::ostream* out) {
    *out << fault.name;
}

class FaultsOnTheLine : public KestroTest, public ::testing::WithParamInterface<LineFault> {};

TEST_P(FaultsOnTheLine, ShowTheirStatusAndTheScanGoesOn) {
    const LineFault& fault = GetParam();
    ASSERT_NO_FATAL_FAILURE(startSimulator(fault.options));
    ASSERT_NO_FATAL_FAILURE(startKestro());
    for (const QString& text : fault.inOrder)
        ASSERT_TRUE(status->waitFor(text, kFaultSeenMs))
            << "no \"" << text.toStdString() << "\"; " << status->history().toStdString();
    for (const QString& text : fault.never)
        EXPECT_FALSE(status->shown().contains(text))
            << text.toStdString() << "; " << status->history().toStdString();
    EXPECT_TRUE(simulator->sawEvent("\"fault\":\"" + fault.event + "\""));
}

// Faults that hit every answer end each transaction alike; a second query
// after the fault's texts shows that the scan went on. Faults that hit
// some answers show valid responses between them.
INSTANTIATE_TEST_SUITE_P(
    Faults, FaultsOnTheLine,
    ::testing::Values(
        LineFault{
            "Silent", {"--silent"}, {kQuery, kNoResponse, kQuery, kNoResponse}, {kValid}, "silent"},
        LineFault{"EveryAnswerCorrupt",
                  {"--corrupt", "1", "--seed", "11"},
                  {kCrcFailed, kNoResponse, kQuery, kCrcFailed},
                  {kValid},
                  "corrupt"},
        LineFault{"Garbage",
                  {"--garbage", "0.5", "--seed", "11"},
                  {kCrcFailed, kNoResponse, kValid},
                  {},
                  "garbage"},
        LineFault{"Dropped", {"--drop", "0.5", "--seed", "16"}, {kNoResponse, kValid}, {}, "drop"},
        // Every answer comes in pieces, with pauses shorter than the tick of
        // silence that ends a frame.
        LineFault{"Split",
                  {"--split", "--seed", "15"},
                  {kValid, kQuery, kValid, kQuery, kValid},
                  {},
                  "split"},
        // Each answer comes after its time-out and before the next request,
        // which is the walk through the other states later; it is ignored.
        LineFault{"DelayedPastTheTimeout",
                  {"--delay", "2000"},
                  {kQuery, kNoResponse, kQuery, kNoResponse},
                  {kValid},
                  "delay"},
        // The master hears its own request and, without a tick of silence in
        // between, the answer: the echo is dropped and the answer read.
        LineFault{"Echo",
                  {"--echo"},
                  {kValid, kQuery, kValid, kQuery, kValid},
                  {kCrcFailed, kNoResponse},
                  "echo"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
