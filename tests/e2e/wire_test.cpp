// What the program puts on the wire, seen from the other end of a
// pseudo-terminal that stands for the RS-485 adapter.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QFile>
#include <vector>

#include "tests/e2e/KestroFixture.h"
#include "tests/support/Waiting.h"

using namespace kestro::test;

namespace {

// A terminal nobody answers on; the test reads what the master writes.
class SilentLine {
  public:
    explicit SilentLine(const QString& linkPath) {
        fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0)
            return;
        ok_ = QFile::link(QString::fromLocal8Bit(ptsname(fd_)), linkPath);
    }
    ~SilentLine() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool ok() const { return ok_; }
    const std::vector<uint8_t>& received() {
        uint8_t buffer[256];
        ssize_t n;
        while ((n = read(fd_, buffer, sizeof buffer)) > 0)
            bytes_.insert(bytes_.end(), buffer, buffer + n);
        return bytes_;
    }

  private:
    int fd_ = -1;
    bool ok_ = false;
    std::vector<uint8_t> bytes_;
};

TEST_F(KestroTest, RequestOnTheWireReadsTheFortyFourInputRegistersAgainAfterNoAnswer) {
    SilentLine line(workDir.filePath("adapter"));
    ASSERT_TRUE(line.ok());
    ASSERT_NO_FATAL_FAILURE(startKestro(workDir.filePath("adapter")));

    const std::vector<uint8_t> request = {0x01, 0x04, 0x00, 0x00, 0x00, 0x2C, 0xF1, 0xD7};
    ASSERT_TRUE(
        waitUntil([&] { return line.received().size() >= 2 * request.size(); }, kFaultSeenMs))
        << "received " << line.received().size() << " bytes; " << status->history().toStdString();
    const std::vector<uint8_t>& wire = line.received();
    EXPECT_EQ(std::vector<uint8_t>(wire.begin(), wire.begin() + 8), request);
    EXPECT_EQ(std::vector<uint8_t>(wire.begin() + 8, wire.begin() + 16), request);
    EXPECT_TRUE(status->waitFor(kQuery, 0) && status->waitFor(kNoResponse, 0) &&
                status->waitFor(kQuery, 0))
        << status->history().toStdString();
}

}  // namespace
