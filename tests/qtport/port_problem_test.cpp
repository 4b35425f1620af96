// Why the Qt port is not open, in the terms the status line tells the user:
// access denied, busy, unplugged.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "tests/qtport/PortFixture.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class PortProblemTest : public PortFixture {};

}  // namespace

TEST_F(PortProblemTest, ADeviceHeldByAnotherProgramIsBusy) {
    QtComPort other;
    other.setComNumber(kTestPort);
    other.setOpen(true);
    ASSERT_TRUE(other.isOpen());

    open();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.problem().fault, PortFault::Busy);
    EXPECT_EQ(port.problem().device, link.path());
}

TEST_F(PortProblemTest, AMissingDeviceIsUnplugged) {
    link.remove();
    open();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.problem().fault, PortFault::Unplugged);
}

TEST_F(PortProblemTest, ADeviceThatGoesAwayIsUnpluggedUntilItIsBack) {
    open();
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(port.problem().fault, PortFault::None);
    link.remove();
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return closed > 0; }, 1000));
    EXPECT_EQ(port.problem().fault, PortFault::Unplugged);
    EXPECT_EQ(port.problem().device, link.path());

    Pty replugged;
    ASSERT_TRUE(replugged.ok());
    link.pointTo(replugged);
    ASSERT_TRUE(waitUntil([&] { return opened == 2; }, 6000));
    EXPECT_EQ(port.problem().fault, PortFault::None);
}

// As an ordinary user (root opens any device): in a child that dropped to
// nobody when the tests run as root.
TEST_F(PortProblemTest, ADeviceTheUserMayNotOpenIsAccessDeniedWithTheDialoutHint) {
    const std::string device = pty.slaveName();
    const bool root = geteuid() == 0;
    ASSERT_EQ(chmod(device.c_str(), root ? 0600 : 0), 0);
    auto check = [this] {
        open();
        if (port.isOpen() || port.problem().fault != PortFault::AccessDenied)
            return 1;
        if (port.problem().advice.find("dialout") == std::string::npos)
            return 2;
        return 0;
    };
    int result = 0;
    if (!root) {
        result = check();
    } else {
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(3);
            _exit(check());
        }
        int status = 0;
        waitpid(child, &status, 0);
        result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    EXPECT_EQ(result, 0) << "1: not access denied; 2: no word of the dialout group";
}
