// The real engine on the Qt port polls pymodbus's RTU slave (a second,
// independent MODBUS implementation) through a pty: what goes on the wire
// both ways, and the values the engine stores, must be what the slave
// serves. The frames are checked against a bit-by-bit CRC written here, so
// that our CRC table, pymodbus's CRC and this one must all agree.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DB_Modbus.h"
#include "Driver_Modbus.h"
#include "PortMap.h"
#include "Ports.h"
#include "QtPlatform.h"

using namespace kestro;

namespace {

constexpr int kPort = 3;
constexpr int kWaitMs = 15000;
constexpr int kInputCount = 44;    // the live readings, 04h registers 1-44
constexpr int kHoldingCount = 52;  // an upload, 03h registers 1-52

// The values pymodbus_slave.py serves, register n counted from 1.
uint16_t inputRegister(int n) {
    return uint16_t(0x9000 + n * 0x0123);
}
uint16_t holdingRegister(int n) {
    return uint16_t(0x0F00 + n * 0x0457);
}

uint16_t crc16(const std::vector<uint8_t>& bytes) {
    uint16_t crc = 0xFFFF;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

QByteArray frameHex(std::vector<uint8_t> bytes) {
    const uint16_t crc = crc16(bytes);
    bytes.push_back(uint8_t(crc & 0xFF));  // low byte first on the wire
    bytes.push_back(uint8_t(crc >> 8));
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex();
}

QByteArray readRequest(uint8_t function, int count) {
    return frameHex({0x01, function, 0x00, 0x00, 0x00, uint8_t(count)});
}

QByteArray readAnswer(uint8_t function, int count, uint16_t (*value)(int)) {
    std::vector<uint8_t> bytes{0x01, function, uint8_t(2 * count)};
    for (int n = 1; n <= count; ++n) {
        bytes.push_back(uint8_t(value(n) >> 8));
        bytes.push_back(uint8_t(value(n) & 0xFF));
    }
    return frameHex(bytes);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

class NoStatusLine : public StatusLine {
  public:
    void showStatus(const std::string& text, bool) override { last = text; }
    void showPort(const std::string&) override {}
    std::string last;
};

class PymodbusSlave : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo::exists("/usr/bin/python3"));
        ASSERT_TRUE(dir.isValid());
        const QString link = dir.filePath("pymodbus");
        slave.setProgram("/usr/bin/python3");
        slave.setArguments({PYMODBUS_SLAVE_SCRIPT, "--link", link, "--seconds", "50"});
        slave.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        slave.start();
        ASSERT_TRUE(slave.waitForStarted(5000));
        ASSERT_TRUE(waitUntil([&] { return collect(), lines.contains("ready"); }, kWaitMs))
            << "pymodbus_slave.py did not start (python3-pymodbus installed?)";

        PortMap::clear();
        PortMap::setEntry(kPort, link.toStdString());
        pollTimer = platform.createTimer();
        pollTimer->setInterval(100);
        pollTimer->OnTimer = PollTick;
        Host = LinkHost{};
        Host.platform = &platform;
        Host.status = &status;
        Host.slaveIdValue = [] { return 1; };
        Host.selectPort = [] {
            OpenPort(kPort);
            return Ports.PortOpen;
        };
        Host.enablePollTimer = [this](bool on) { pollTimer->setEnabled(on); };
        StartCommunications();
        ASSERT_TRUE(Ports.PortOpen);
    }

    void TearDown() override {
        StopCommunications();
        Host = LinkHost{};
        PortMap::clear();
        slave.closeWriteChannel();  // the script ends when its stdin does
        if (!slave.waitForFinished(3000)) {
            slave.kill();
            slave.waitForFinished(3000);
        }
    }

    // The slave's frame lines gathered so far, as "master <hex>" and
    // "slave <hex>".
    void collect() {
        pending += slave.readAllStandardOutput();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            lines << pending.left(end);
    }
    bool sawLine(const QByteArray& line) {
        collect();
        return lines.contains(line);
    }

    QTemporaryDir dir;
    QProcess slave;
    QByteArray pending;
    QByteArrayList lines;
    QtPlatform platform;
    std::unique_ptr<WindowTimer> pollTimer;
    NoStatusLine status;
};

TEST_F(PymodbusSlave, LiveReadingsAreReadAsServed) {
    ASSERT_TRUE(waitUntil([] { return DB_Modbus.InputRegistersValid; }, kWaitMs))
        << "last status: " << status.last;
    for (int n = 1; n <= kInputCount; ++n)
        EXPECT_EQ(DB_Modbus.InputRegisterTable[n - 1], inputRegister(n)) << "register " << n;
    EXPECT_TRUE(sawLine("master " + readRequest(0x04, kInputCount)));
    EXPECT_TRUE(sawLine("slave " + readAnswer(0x04, kInputCount, inputRegister)));
    EXPECT_EQ(status.last, "Valid response received <04h>.");
}

TEST_F(PymodbusSlave, AnUploadsHoldingRegistersAreReadAsServed) {
    ASSERT_TRUE(waitUntil([] { return DB_Modbus.InputRegistersValid; }, kWaitMs));
    OpenHoldingRead(1, kHoldingCount);
    ASSERT_TRUE(waitUntil([] { return DB_Modbus.HoldingRegistersValid; }, kWaitMs))
        << "last status: " << status.last;
    CloseHoldingRead();
    for (int n = 1; n <= kHoldingCount; ++n)
        EXPECT_EQ(DB_Modbus.HoldingRegisterTable[n - 1], holdingRegister(n)) << "register " << n;
    EXPECT_TRUE(sawLine("master " + readRequest(0x03, kHoldingCount)));
    EXPECT_TRUE(sawLine("slave " + readAnswer(0x03, kHoldingCount, holdingRegister)));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
