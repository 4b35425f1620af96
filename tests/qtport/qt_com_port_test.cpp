#include <termios.h>

#include <QElapsedTimer>
#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "tests/qtport/PortFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class QtComPortTest : public PortFixture {};

}  // namespace

TEST_F(QtComPortTest, OpensTheMappedDeviceWithTheFixedLineSettings) {
    open();
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(port.deviceName().toStdString(), link.path());

    termios line{};
    ASSERT_EQ(tcgetattr(pty.masterFd(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), speed_t(B9600));
    EXPECT_EQ(cfgetispeed(&line), speed_t(B9600));
    EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(line.c_cflag & PARENB);
    EXPECT_FALSE(line.c_cflag & CSTOPB);
    EXPECT_FALSE(line.c_lflag & (ICANON | ECHO));

    port.setOpen(false);
    port.setOpen(false);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(opened, 1);
}

TEST_F(QtComPortTest, AnUnmappedOrMissingDeviceDoesNotOpen) {
    PortMap::setEntry(kTestPort, link.path() + ".missing");
    open();
    EXPECT_FALSE(port.isOpen());
    PortMap::clear();
    port.setComNumber(49);  // no default device
    port.setOpen(true);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(port.outBuffFree(), 4096);
}

// Bytes a line discipline would translate or swallow (LF, CR, XON, XOFF,
// NUL) must reach the line unchanged.
TEST_F(QtComPortTest, AFrameGoesOutByteForByteInOnePiece) {
    open();
    const std::vector<uint8_t> frame = {0x01, 0x0A, 0x0D, 0x11, 0x13, 0x00, 0xFF, 0x7F, 0x03};
    put(frame);
    EXPECT_EQ(transmitted, std::vector<int>{int(frame.size())});
    EXPECT_EQ(port.outBuffFree(), 4096 - int(frame.size()));
    EXPECT_EQ(pty.read(frame.size()), frame);
    EXPECT_TRUE(waitUntil([&] { return port.outBuffFree() == 4096; }, 5000));
}

TEST_F(QtComPortTest, ReceivedBytesComeAsDataAvailableWithTheirCount) {
    open();
    const std::vector<uint8_t> reply = {0x01, 0x04, 0x0A, 0x0D, 0x11, 0x13, 0x00};
    pty.write(reply);
    ASSERT_TRUE(waitUntil([&] { return received.size() == reply.size(); }, 5000));
    EXPECT_EQ(received, reply);
    EXPECT_EQ(available, std::vector<int>{int(reply.size())});
}

// The link leaves bytes that overflow its frame buffer in the port; they
// count again when more arrive, and there is no event without new bytes.
TEST_F(QtComPortTest, BytesNotTakenAreCountedWithTheNextArrival) {
    open();
    takeBytes = false;
    pty.write({1, 2, 3});
    ASSERT_TRUE(waitUntil([&] { return available.size() == 1; }, 5000));
    runFor(150);
    EXPECT_EQ(available, std::vector<int>{3});

    pty.write({4, 5});
    ASSERT_TRUE(waitUntil([&] { return available.size() == 2; }, 5000));
    EXPECT_EQ(available.back(), 5);
    uint8_t bytes[8] = {};
    ASSERT_EQ(port.getBlock(bytes, 8), 5);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST_F(QtComPortTest, BytesFromBeforeTheOpenAreDropped) {
    pty.write({0xEE, 0xEE, 0xEE});
    runFor(50);
    open();
    pty.write({0x42});
    ASSERT_TRUE(waitUntil([&] { return !received.empty(); }, 5000));
    runFor(100);
    EXPECT_EQ(received, std::vector<uint8_t>{0x42});
}

TEST_F(QtComPortTest, WritesToAClosedPortAreDropped) {
    put({1, 2, 3});
    EXPECT_EQ(port.outBuffFree(), 4096);
    open();
    EXPECT_TRUE(pty.read(1, 200).empty());
}

// A trigger never expires before its ticks (55 ms each) have passed; how
// late a loaded machine lets it be is no failure, so only the order is
// checked beyond that.
TEST_F(QtComPortTest, TriggersExpireOnceAfterTheirTicks) {
    const std::map<int, int> ticksOf = {
        {port.addTimerTrigger(), 3}, {port.addTimerTrigger(), 1}, {port.addTimerTrigger(), 6}};
    std::map<int, qint64> firedAt;
    std::vector<TriggerHandle> order;
    QElapsedTimer clock;
    clock.start();
    port.OnTriggerTimer = [&](TriggerHandle h) {
        firedAt.emplace(h, clock.elapsed());
        order.push_back(h);
    };
    for (const auto& [handle, ticks] : ticksOf)
        port.setTimerTrigger(handle, ticks, true);
    ASSERT_TRUE(waitUntil([&] { return firedAt.size() == ticksOf.size(); }, 5000));
    runFor(3 * kTickMs);

    std::vector<TriggerHandle> byTicks(3);
    for (const auto& [handle, ticks] : ticksOf) {
        EXPECT_GE(firedAt[handle], ticks * kTickMs - 5) << ticks;
        byTicks[ticks == 1 ? 0 : ticks == 3 ? 1 : 2] = TriggerHandle(handle);
    }
    EXPECT_EQ(order, byTicks) << "each once, the shortest first";
}

// A program that was busy finds bytes waiting and a trigger expired: the
// bytes came first, so they reach it first, as on a line watched in real
// time (a frame is not cut by a silence that never was), and a trigger
// that their handler arms again has not expired yet.
TEST_F(QtComPortTest, BytesThatCameBeforeATriggerExpiredReachTheProgramFirst) {
    open();
    const TriggerHandle h = port.addTimerTrigger();
    for (const bool armAgain : {false, true}) {
        std::vector<std::string> events;
        port.OnTriggerAvail = [&](int n) {
            std::vector<uint8_t> bytes(n);
            port.getBlock(bytes.data(), n);
            events.push_back("bytes");
            if (armAgain)
                port.setTimerTrigger(h, 1, true);
        };
        port.OnTriggerTimer = [&](TriggerHandle) { events.push_back("expired"); };
        port.setTimerTrigger(h, 1, true);
        pty.write({1, 2, 3});
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * kTickMs));  // busy
        ASSERT_TRUE(waitUntil([&] { return events.size() >= 2; }, 5000));
        runFor(3 * kTickMs);
        EXPECT_EQ(events, (std::vector<std::string>{"bytes", "expired"})) << armAgain;
    }
}

TEST_F(QtComPortTest, ArmingAgainRestartsATrigger) {
    open();
    const TriggerHandle h = port.addTimerTrigger();
    QElapsedTimer clock;
    clock.start();
    qint64 firedAt = -1;
    port.OnTriggerTimer = [&](TriggerHandle fired) {
        if (fired == h)
            firedAt = clock.elapsed();
    };
    port.setTimerTrigger(h, 3, true);
    runFor(100);
    port.setTimerTrigger(h, 3, true);
    ASSERT_TRUE(waitUntil([&] { return firedAt >= 0; }, 5000));
    EXPECT_GE(firedAt, 100 + 3 * kTickMs - 5) << "counted from the second arming";
}
