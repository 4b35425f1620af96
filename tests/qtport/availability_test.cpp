#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryFile>
#include <string>

#include "platform/PortAvailability.h"
#include "tests/qtport/PortFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class AvailabilityTest : public PortFixture {
  protected:
    // The test as an ordinary user: root opens any device.
    static int availableAsNobody(const std::string& device) {
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(2);
            _exit(IsDeviceAvailable(device) ? 1 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

}  // namespace

TEST_F(AvailabilityTest, AMappedDeviceIsAvailableAndAnythingElseIsNot) {
    QTemporaryFile plainFile;
    ASSERT_TRUE(plainFile.open());
    EXPECT_TRUE(IsPortAvailable(kTestPort));
    EXPECT_TRUE(IsDeviceAvailable(pty.slaveName()));
    EXPECT_FALSE(IsDeviceAvailable(link.path() + ".missing"));
    EXPECT_FALSE(IsDeviceAvailable(plainFile.fileName().toStdString()));
    EXPECT_FALSE(IsDeviceAvailable(""));
    EXPECT_FALSE(IsPortAvailable(49));  // no device of its own

    PortMap::setEntry(kTestPort, link.path() + ".missing");
    EXPECT_FALSE(IsPortAvailable(kTestPort));
}

// Access denied, or the port held by another program, still lists it.
TEST_F(AvailabilityTest, ADeviceThatRefusesAccessCountsAsAvailable) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to test as another user";
    const std::string device = pty.slaveName();
    ASSERT_EQ(chmod(device.c_str(), 0600), 0);
    EXPECT_EQ(availableAsNobody(device), 1);

    ASSERT_EQ(chmod(device.c_str(), 0666), 0);
    open();  // the port holds the device exclusively
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(availableAsNobody(device), 1);
    EXPECT_EQ(availableAsNobody(device + ".missing"), 0);
}
