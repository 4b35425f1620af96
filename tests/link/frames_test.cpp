// Request layouts of the eight function codes, as they reach the wire.
#include "tests/link/LinkFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class FramesTest : public LinkFixture {};

struct FrameCase {
    const char* name;
    std::function<void()> build;
    std::vector<uint8_t> body;  // without CRC
};

}  // namespace

TEST_F(FramesTest, EachFunctionPutsItsLayoutOnTheWire) {
    const uint8_t coils[2] = {0xCD, 0x01};
    const uint8_t registers[4] = {0x9E, 0xA9, 0x00, 0x01};
    const FrameCase cases[] = {
        {"01h", [] { BuildRequest(1, 0x01, 1, nullptr, 0, 16); }, {1, 0x01, 0, 0, 0, 16}},
        {"02h", [] { BuildRequest(2, 0x02, 9, nullptr, 0, 960); }, {2, 0x02, 0, 8, 0x03, 0xC0}},
        {"03h", [] { BuildRequest(1, 0x03, 1, nullptr, 0, 52); }, {1, 0x03, 0, 0, 0, 52}},
        {"04h", [] { BuildRequest(1, 0x04, 1, nullptr, 0, 44); }, {1, 0x04, 0, 0, 0, 0x2C}},
        {"05h", [] { BuildSingleWrite(1, 0x05, 5, 0xFF00); }, {1, 0x05, 0, 4, 0xFF, 0}},
        {"06h", [] { BuildSingleWrite(17, 0x06, 2, 0x1234); }, {17, 0x06, 0, 1, 0x12, 0x34}},
        {"0Fh",
         [&] { BuildRequest(1, 0x0F, 20, coils, 2, 10); },
         {1, 0x0F, 0, 19, 0, 10, 2, 0xCD, 0x01}},
        {"10h",
         [&] { BuildRequest(1, 0x10, 201, registers, 4, 2); },
         {1, 0x10, 0, 200, 0, 2, 4, 0x9E, 0xA9, 0, 1}},
    };
    VirtualPort& port = open();
    for (const auto& c : cases) {
        port.written.clear();
        Ports.AwaitingResponse = false;
        c.build();
        EXPECT_EQ(port.written, WithCrc(c.body)) << c.name;
        EXPECT_EQ(Ports.LastFunction, c.body[1]) << c.name;
    }
}

TEST_F(FramesTest, StandingRequestIsF1D7Terminated) {
    VirtualPort& port = open();
    BuildRequest(1, 0x04, 1, nullptr, 0, 44);
    EXPECT_EQ(port.written, (std::vector<uint8_t>{1, 4, 0, 0, 0, 0x2C, 0xF1, 0xD7}));
}
