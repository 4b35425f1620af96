// rvx82a-sim --tcp: the analyzer behind a serial device server on loopback,
// one client at a time, with the line faults of a --link.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>

#include "modbus/Crc.h"
#include "tests/sim/SimProcess.h"

using kestro::WithCrc;
using namespace kestro::sim::test;

namespace {

// Input registers 1 to 44 of slave 1: 3 + 88 + 2 bytes come back.
const std::vector<uint8_t> kReadAll = {0x01, 0x04, 0x00, 0x00, 0x00, 0x2C};
constexpr size_t kReadAllReply = 93;

class TcpClient {
  public:
    explicit TcpClient(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(uint16_t(port));
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~TcpClient() { close(fd_); }
    bool connected() const { return connected_; }
    void send(const std::vector<uint8_t>& frame) {
        const auto bytes = WithCrc(frame);
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // What arrives until 200 ms pass without a byte (at most 1.5 s for the
    // first); `ended` tells whether the server closed the connection.
    std::vector<uint8_t> receive(bool* ended = nullptr) {
        std::vector<uint8_t> bytes;
        int waitMs = 1500;
        pollfd in{fd_, POLLIN, 0};
        while (poll(&in, 1, waitMs) > 0) {
            uint8_t buffer[256];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0) {
                if (ended)
                    *ended = true;
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
            waitMs = 200;
        }
        return bytes;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

class SimTcp : public ::testing::Test {
  protected:
    // Starts the simulator on any free port and gives that port.
    int start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {RVX82A_SIM_PATH, "--tcp", "0", "--seed", "1"};
        args.insert(args.end(), extra.begin(), extra.end());
        sim = std::make_unique<SimProcess>(args);
        const std::string line = sim->waitFor("\"event\":\"start\"", 5000);
        std::smatch match;
        const std::regex address("\"tcp\":\"127\\.0\\.0\\.1:(\\d+)\"");
        return std::regex_search(line, match, address) ? std::stoi(match[1]) : 0;
    }

    std::unique_ptr<SimProcess> sim;
};

}  // namespace

TEST_F(SimTcp, ServesOneClientAtATimeAndTurnsASecondAway) {
    const int port = start();
    ASSERT_NE(port, 0);
    TcpClient first(port);
    ASSERT_TRUE(first.connected());
    EXPECT_NE(sim->waitFor("\"event\":\"tcp_connect\"", 2000), "");
    first.send(kReadAll);
    const auto reply = first.receive();
    EXPECT_EQ(reply.size(), kReadAllReply);
    EXPECT_TRUE(crcOk(reply));

    TcpClient second(port);
    bool ended = false;
    EXPECT_TRUE(second.receive(&ended).empty());
    EXPECT_TRUE(ended);
    EXPECT_NE(sim->waitFor("\"event\":\"tcp_busy\"", 2000), "");

    first.send(kReadAll);
    EXPECT_EQ(first.receive().size(), kReadAllReply);
}

TEST_F(SimTcp, AClientThatLeftMakesRoomForTheNext) {
    const int port = start();
    ASSERT_NE(port, 0);
    {
        TcpClient first(port);
        ASSERT_TRUE(first.connected());
        first.send(kReadAll);
        EXPECT_EQ(first.receive().size(), kReadAllReply);
    }
    EXPECT_NE(sim->waitFor("\"event\":\"tcp_disconnect\"", 2000), "");
    TcpClient next(port);
    ASSERT_TRUE(next.connected());
    next.send(kReadAll);
    const auto reply = next.receive();
    EXPECT_EQ(reply.size(), kReadAllReply);
    EXPECT_TRUE(crcOk(reply));
}

TEST_F(SimTcp, LineFaultsApplyAsOnALink) {
    const int port = start({"--drop", "1"});
    ASSERT_NE(port, 0);
    TcpClient client(port);
    ASSERT_TRUE(client.connected());
    client.send(kReadAll);
    EXPECT_TRUE(client.receive().empty());
    EXPECT_NE(sim->waitFor("\"fault\":\"drop\"", 2000), "");
}
