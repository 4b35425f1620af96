// pymodbus, a second and independent MODBUS implementation, against ours on
// ptys. The real engine on the Qt port polls pymodbus's RTU slave: what goes
// on the wire both ways, and the values the engine stores, must be what the
// slave serves; the frames are checked against a bit-by-bit CRC written
// here, so that our CRC table, pymodbus's CRC and this one must all agree.
// And pymodbus as the master reads rvx82a-sim as our engine does.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "modbus/DB_Modbus.h"
#include "modbus/Driver_Modbus.h"
#include "modbus/Ports.h"
#include "platform/QtPlatform.h"
#include "platform/core/PortMap.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/SimulatorProcess.h"
#include "tests/support/Waiting.h"
#include "tests/support/core/StatusRecorder.h"

using namespace kestro;
using namespace kestro::test;

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

// The engine polling the default live readings on COM3 = `link`, driven by
// a 100 ms window timer as in the program.
class EngineOnLink : public ::testing::Test {
  protected:
    void startEngine(const QString& link) {
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
    }

    bool upload() {
        OpenHoldingRead(1, kHoldingCount);
        const bool read = waitUntil([] { return DB_Modbus.HoldingRegistersValid; }, kWaitMs);
        CloseHoldingRead();
        return read;
    }

    QTemporaryDir dir;
    QtPlatform platform;
    std::unique_ptr<WindowTimer> pollTimer;
    StatusRecorder status;
};

class PymodbusSlave : public EngineOnLink {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo::exists("/usr/bin/python3"));
        ASSERT_TRUE(dir.isValid());
        const QString link = dir.filePath("pymodbus");
        slave = std::make_unique<ChildProcess>(
            "/usr/bin/python3",
            QStringList{PYMODBUS_SCRIPTS "/pymodbus_slave.py", "--link", link, "--seconds", "50"},
            ChildProcess::End::CloseInput);
        ASSERT_TRUE(waitUntil([&] { return slave->sawLine("ready"); }, kWaitMs))
            << "pymodbus_slave.py did not start (python3-pymodbus installed?)";
        ASSERT_NO_FATAL_FAILURE(startEngine(link));
    }
    void TearDown() override {
        EngineOnLink::TearDown();
        slave.reset();
    }
    bool sawLine(const QString& line) { return slave->sawLine(line); }

    std::unique_ptr<ChildProcess> slave;
};

TEST_F(PymodbusSlave, LiveReadingsAreReadAsServed) {
    ASSERT_TRUE(waitUntil([] { return DB_Modbus.InputRegistersValid; }, kWaitMs))
        << "last status: " << status.last();
    for (int n = 1; n <= kInputCount; ++n)
        EXPECT_EQ(DB_Modbus.InputRegisterTable[n - 1], inputRegister(n)) << "register " << n;
    EXPECT_TRUE(sawLine("master " + readRequest(0x04, kInputCount)));
    EXPECT_TRUE(sawLine("slave " + readAnswer(0x04, kInputCount, inputRegister)));
    EXPECT_EQ(status.last(), "Valid response received <04h>.");
}

TEST_F(PymodbusSlave, AnUploadsHoldingRegistersAreReadAsServed) {
    ASSERT_TRUE(waitUntil([] { return DB_Modbus.InputRegistersValid; }, kWaitMs));
    ASSERT_TRUE(upload()) << "last status: " << status.last();
    for (int n = 1; n <= kHoldingCount; ++n)
        EXPECT_EQ(DB_Modbus.HoldingRegisterTable[n - 1], holdingRegister(n)) << "register " << n;
    EXPECT_TRUE(sawLine("master " + readRequest(0x03, kHoldingCount)));
    EXPECT_TRUE(sawLine("slave " + readAnswer(0x03, kHoldingCount, holdingRegister)));
}

// The other way round: pymodbus as the master reads rvx82a-sim (its time
// frozen, so that every read gives the same values) and must get what our
// engine gets from it.
class SimulatorUnderPymodbus : public EngineOnLink {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        link = dir.filePath("rvx82a");
        simulator = std::make_unique<SimulatorProcess>(
            link, QStringList{"--freeze", "--clock", "2026-09-12 14:35:07", "--seed", "5"});
        ASSERT_TRUE(simulator->started());
    }
    void TearDown() override {
        EngineOnLink::TearDown();
        simulator.reset();
    }

    // What pymodbus read: {"input": [...], "holding": [...]}.
    QJsonObject readByPymodbus() {
        ChildProcess master("/usr/bin/python3", {PYMODBUS_SCRIPTS "/pymodbus_master.py", link},
                            ChildProcess::End::CloseInput);
        if (!waitUntil([&] { return !master.lines().isEmpty(); }, kWaitMs))
            return {};
        return QJsonDocument::fromJson(master.lines().front().toUtf8()).object();
    }

    QString link;
    std::unique_ptr<SimulatorProcess> simulator;
};

TEST_F(SimulatorUnderPymodbus, AnswersPymodbusAsItAnswersOurEngine) {
    const QJsonObject theirs = readByPymodbus();
    const QJsonArray input = theirs["input"].toArray(), holding = theirs["holding"].toArray();
    ASSERT_EQ(input.size(), kInputCount) << QJsonDocument(theirs).toJson().toStdString();
    ASSERT_EQ(holding.size(), kHoldingCount) << QJsonDocument(theirs).toJson().toStdString();

    ASSERT_NO_FATAL_FAILURE(startEngine(link));
    ASSERT_TRUE(waitUntil([] { return DB_Modbus.InputRegistersValid; }, kWaitMs))
        << "last status: " << status.last();
    ASSERT_TRUE(upload()) << "last status: " << status.last();
    for (int i = 0; i < kInputCount; ++i)
        EXPECT_EQ(DB_Modbus.InputRegisterTable[i], input[i].toInt()) << "input register " << i + 1;
    for (int i = 0; i < kHoldingCount; ++i)
        EXPECT_EQ(DB_Modbus.HoldingRegisterTable[i], holding[i].toInt())
            << "holding register " << i + 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
