#include "tests/qtport/PortFixture.h"
#include "tests/support/WakeCounter.h"

using namespace kestro;
using namespace kestro::test;

namespace {

class VanishingDeviceTest : public PortFixture {
  protected:
    // The device goes away under the open port, as an unplugged adapter does.
    void unplug() {
        open();
        ASSERT_EQ(opened, 1);
        link.remove();
        pty.closeMaster();
        ASSERT_TRUE(waitUntil([&] { return closed > 0; }, 5000));
    }
};

}  // namespace

TEST_F(VanishingDeviceTest, PortClosesOnceWithoutSpinningAndKeepsItsTriggers) {
    ASSERT_NO_FATAL_FAILURE(unplug());
    EXPECT_FALSE(port.isOpen());

    // A device that is gone must not wake the port over and over: only its
    // reopen check (about once a second) and its tick timer may.
    const WakeCounter wake;
    runFor(1000);
    EXPECT_LT(wake.wakes(), 200) << "the port polls its vanished device";
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(opened, 1);

    put({1, 2, 3});
    EXPECT_EQ(port.outBuffFree(), 4096);
    const TriggerHandle h = port.addTimerTrigger();
    port.setTimerTrigger(h, 1, true);
    EXPECT_TRUE(waitUntil([&] { return !fired.empty(); }, 5000));
    EXPECT_EQ(fired, std::vector<TriggerHandle>{h});
}

TEST_F(VanishingDeviceTest, PortReopensByItselfWhenTheDeviceComesBack) {
    ASSERT_NO_FATAL_FAILURE(unplug());
    Pty replugged;
    ASSERT_TRUE(replugged.ok());
    link.pointTo(replugged);
    // Generous: the check runs about once a second, but a loaded machine may delay it.
    ASSERT_TRUE(waitUntil([&] { return opened == 2; }, 6000));
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(closed, 1);

    const std::vector<uint8_t> frame = {0x01, 0x04, 0x00, 0x00, 0x00, 0x02, 0x71, 0xCB};
    put(frame);
    EXPECT_EQ(replugged.read(frame.size(), 3000), frame);
    replugged.write({0x01, 0x84, 0x02});
    ASSERT_TRUE(waitUntil([&] { return received.size() == 3; }, 5000));
    EXPECT_EQ(received, (std::vector<uint8_t>{0x01, 0x84, 0x02}));
}

// The link layer closes a port whose device went away before it releases it.
TEST_F(VanishingDeviceTest, AClosedPortStopsLookingForItsDevice) {
    ASSERT_NO_FATAL_FAILURE(unplug());
    port.setOpen(false);
    Pty replugged;
    link.pointTo(replugged);
    runFor(QtComPort::kReopenCheckMs + 500);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(closed, 1);
}
