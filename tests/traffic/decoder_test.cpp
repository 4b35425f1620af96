// The decoded column of hand-made frames; CRCs computed by hand (CRC-16/MODBUS,
// low byte first).
#include <gtest/gtest.h>

#include "tools/traffic/FrameDecoder.h"

using namespace kestro;

namespace {

constexpr auto kSent = FrameDirection::Sent;
constexpr auto kReceived = FrameDirection::Received;

struct DecoderCase {
    FrameDirection direction;
    std::vector<uint8_t> bytes;
    const char* text;
};

const DecoderCase kCases[] = {
    {kSent,
     {0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA},
     "slave 1, read input registers, address 0, count 1, CRC ok"},
    {kReceived,
     {0x01, 0x04, 0x02, 0x09, 0x1C, 0xBE, 0xA9},
     "slave 1, read input registers, 2 bytes, CRC ok"},
    {kReceived,
     {0x01, 0x04, 0x02, 0xF6, 0x1C, 0xBE, 0xA9},
     "slave 1, read input registers, 2 bytes, CRC failed"},
    {kReceived,
     {0x01, 0x03, 0x02, 0x00, 0x00, 0xB8, 0x44},
     "slave 1, read holding registers, 2 bytes, CRC ok"},
    {kReceived,
     {0x01, 0x84, 0x02, 0xC2, 0xC1},
     "slave 1, read input registers, exception 2: illegal data address, CRC ok"},
    {kReceived,
     {0x01, 0x83, 0x0C, 0x41, 0x35},
     "slave 1, read holding registers, exception 12, CRC ok"},
    {kSent,
     {0x11, 0x10, 0x00, 0xC8, 0x00, 0x02, 0x04, 0x9E, 0xA9, 0x00, 0x01, 0x94, 0x91},
     "slave 17, preset multiple registers, address 200, count 2, 4 bytes, CRC ok"},
    {kReceived,
     {0x11, 0x10, 0x00, 0xC8, 0x00, 0x02, 0xC2, 0xA6},
     "slave 17, preset multiple registers, address 200, count 2, CRC ok"},
    {kSent,
     {0x01, 0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01, 0x72, 0xCB},
     "slave 1, force multiple coils, address 19, count 10, 2 bytes, CRC ok"},
    {kSent,
     {0x01, 0x05, 0x00, 0x0A, 0xFF, 0x00, 0xAC, 0x38},
     "slave 1, force single coil, address 10, value FF00h, CRC ok"},
    {kReceived, {0x01, 0x2B, 0x00, 0x00, 0x71, 0xD0}, "slave 1, function 43, CRC ok"},
    // Cut short: what is there is named, the CRC cannot hold.
    {kSent, {0x01, 0x04, 0x00}, "slave 1, read input registers, CRC failed"},
    {kReceived, {0x01}, "too short"},
    {kReceived, {}, "too short"},
};

}  // namespace

TEST(FrameDecoder, DecodedColumn) {
    for (const DecoderCase& c : kCases) {
        FrameEvent event;
        event.direction = c.direction;
        event.outcome = c.direction == kSent ? FrameOutcome::Sent : FrameOutcome::Valid;
        event.bytes = c.bytes;
        EXPECT_EQ(DecodedText(event), c.text);
    }
}

TEST(FrameDecoder, FieldsOfAnExceptionAnswer) {
    const DecodedFrame d = DecodeFrame(kReceived, {0x01, 0x84, 0x02, 0xC2, 0xC1});
    EXPECT_EQ(d.slave, 1);
    EXPECT_EQ(d.function, 4);
    EXPECT_TRUE(d.exception);
    EXPECT_EQ(d.exceptionCode, 2);
    EXPECT_FALSE(d.address);
    EXPECT_TRUE(d.crcOk);
}

TEST(FrameDecoder, TimeoutHasNoFrame) {
    FrameEvent event;
    event.direction = kReceived;
    event.outcome = FrameOutcome::Timeout;
    EXPECT_EQ(DecodedText(event), "no response");
}

TEST(FrameDecoder, ExceptionNames) {
    const char* names[] = {"illegal function",     "illegal data address", "illegal data value",
                           "slave device failure", "acknowledge",          "slave device busy",
                           "negative acknowledge", "memory parity error"};
    for (int code = 1; code <= 8; ++code)
        EXPECT_EQ(ExceptionName(code), names[code - 1]) << code;
    EXPECT_EQ(ExceptionName(0), "");
    EXPECT_EQ(ExceptionName(9), "");
}
