#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/PortAvailability.h"
#include "platform/WinComDevice.h"
#include "platform/WinComPort.h"
#include "platform/core/PortMap.h"
#include "tests/support/Waiting.h"

using namespace kestro;
using namespace kestro::test;

namespace {

constexpr int kTestPort = 12;  // above COM9: opened through the device namespace
constexpr int kPeerPort = 13;
constexpr int kMissingPort = 40;

// The far end of the line: plain blocking Win32 calls, on the same line
// settings. Reads ask the driver what it holds, so that they end in time
// under any read time-outs a driver supports.
class PeerPort {
  public:
    PeerPort() : handle_(OpenComDevice(WinDeviceName("COM" + std::to_string(kPeerPort)), 0)) {
        if (!ok())
            return;
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        GetCommState(handle_, &dcb);
        dcb.BaudRate = 9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        SetCommState(handle_, &dcb);
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
        SetCommTimeouts(handle_, &timeouts);
    }
    ~PeerPort() {
        if (ok())
            CloseHandle(handle_);
    }
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

    void write(const std::vector<uint8_t>& bytes) {
        DWORD written = 0;
        WriteFile(handle_, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    }
    // Up to `count` bytes; gives up after a second without one.
    std::vector<uint8_t> read(size_t count) {
        std::vector<uint8_t> bytes;
        while (bytes.size() < count) {
            const DWORD waiting = waitForBytes(1000);
            if (waiting == 0)
                break;
            std::vector<uint8_t> chunk(std::min<size_t>(waiting, count - bytes.size()));
            DWORD got = 0;
            ReadFile(handle_, chunk.data(), DWORD(chunk.size()), &got, nullptr);
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
        }
        return bytes;
    }

  private:
    DWORD waitForBytes(int ms) {
        for (int waited = 0;; waited += 10) {
            DWORD errors = 0;
            COMSTAT status{};
            if (ClearCommError(handle_, &errors, &status) && status.cbInQue > 0)
                return status.cbInQue;
            if (waited >= ms)
                return 0;
            Sleep(10);
        }
    }

    HANDLE handle_;
};

class WinComPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer.ok()) << "COM" << kPeerPort
                               << " is missing: script/windows --test joins COM12 and COM13";
        PortMap::clear();
        port.OnPortOpen = [this] { ++opened; };
        port.OnPortClose = [this] { ++closed; };
        port.OnTriggerAvail = [this](int n) {
            available.push_back(n);
            if (!takeBytes)
                return;
            std::vector<uint8_t> bytes(n);
            bytes.resize(port.getBlock(bytes.data(), n));
            received.insert(received.end(), bytes.begin(), bytes.end());
        };
    }

    // The settings the link layer gives every port it opens.
    void open(int portNumber = kTestPort) {
        port.setComNumber(portNumber);
        port.setBaud(9600);
        port.setDataBits(8);
        port.setStopBits(1);
        port.setParity(Parity::None);
        port.setRS485Mode(true);
        port.setDTR(true);
        port.setRTS(true);
        port.setOpen(true);
    }
    void put(const std::vector<uint8_t>& bytes) { port.putBlock(bytes.data(), int(bytes.size())); }
    int availableInAll() const {
        int sum = 0;
        for (int n : available)
            sum += n;
        return sum;
    }

    PeerPort peer;
    WinComPort port;
    int opened = 0;
    int closed = 0;
    bool takeBytes = true;
    std::vector<int> available;
    std::vector<uint8_t> received;
};

}  // namespace

TEST(WinDeviceName, PortsOpenThroughTheDeviceNamespace) {
    const std::pair<std::string, std::string> cases[] = {
        {"COM1", "\\\\.\\COM1"},
        {"COM12", "\\\\.\\COM12"},
        {"\\\\.\\COM3", "\\\\.\\COM3"},
        {"", ""},
    };
    for (const auto& [entry, name] : cases)
        EXPECT_EQ(WinDeviceName(entry), name) << entry;
}

TEST_F(WinComPortTest, OpensPortTwelveAndClosesOnce) {
    open();
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(port.deviceName(), "\\\\.\\COM12");
    EXPECT_EQ(port.problem().fault, PortFault::None);

    port.setOpen(false);
    port.setOpen(false);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(opened, 1);
}

TEST_F(WinComPortTest, AMissingPortDoesNotOpen) {
    open(kMissingPort);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.problem().fault, PortFault::Unplugged);
    EXPECT_EQ(port.problem().device, "COM40");
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(port.outBuffFree(), 4096);
}

// Bytes a line discipline would translate or swallow (LF, CR, XON, XOFF,
// NUL) must reach the line unchanged.
TEST_F(WinComPortTest, AFrameGoesOutByteForByte) {
    open();
    const std::vector<uint8_t> frame = {0x01, 0x0A, 0x0D, 0x11, 0x13, 0x00, 0xFF, 0x7F, 0x03};
    put(frame);
    EXPECT_EQ(peer.read(frame.size()), frame);
    EXPECT_TRUE(waitUntil([&] { return port.outBuffFree() == 4096; }, 1000));
}

TEST_F(WinComPortTest, ReceivedBytesComeAsDataAvailableWithTheirCount) {
    open();
    const std::vector<uint8_t> reply = {0x01, 0x04, 0x0A, 0x0D, 0x11, 0x13, 0x00};
    peer.write(reply);
    ASSERT_TRUE(waitUntil([&] { return received.size() == reply.size(); }, 2000));
    EXPECT_EQ(received, reply);
    EXPECT_EQ(availableInAll(), int(reply.size()));
}

// Bytes the link leaves in the port count again when more arrive.
TEST_F(WinComPortTest, BytesNotTakenAreCountedWithTheNextArrival) {
    open();
    takeBytes = false;
    peer.write({1, 2, 3});
    ASSERT_TRUE(waitUntil([&] { return !available.empty() && available.back() == 3; }, 2000));
    runFor(150);
    const size_t events = available.size();

    peer.write({4, 5});
    ASSERT_TRUE(
        waitUntil([&] { return available.size() > events && available.back() == 5; }, 2000));
    uint8_t bytes[8] = {};
    ASSERT_EQ(port.getBlock(bytes, 8), 5);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST_F(WinComPortTest, BytesFromBeforeTheOpenAreDropped) {
    peer.write({0xEE, 0xEE, 0xEE});
    runFor(100);
    open();
    peer.write({0x42});
    ASSERT_TRUE(waitUntil([&] { return !received.empty(); }, 2000));
    runFor(100);
    EXPECT_EQ(received, std::vector<uint8_t>{0x42});
}

TEST_F(WinComPortTest, WritesToAClosedPortAreDropped) {
    put({1, 2, 3});
    EXPECT_EQ(port.outBuffFree(), 4096);
    open();
    EXPECT_TRUE(peer.read(1).empty());
}

// A port another program holds is listed all the same: Windows refuses the
// second open with access denied (Wine lets it open).
TEST_F(WinComPortTest, PortsThatOpenOrAreHeldAreAvailable) {
    EXPECT_TRUE(IsPortAvailable(kTestPort));
    EXPECT_FALSE(IsPortAvailable(kMissingPort));
    EXPECT_FALSE(IsDeviceAvailable("C:\\windows\\win.ini"));  // opens, but is no port
    open();
    ASSERT_TRUE(port.isOpen());
    EXPECT_TRUE(IsPortAvailable(kTestPort));
}
