// A port that cannot be opened, or whose adapter goes away, is said in red
// in the status line, in words the user acts on, until the port works again.
#include <QLabel>
#include <ostream>

#include "modbus/Driver_Modbus.h"
#include "tests/commands/CommandsFixture.h"

namespace kestro::test {
namespace {

const QString kValid = "Valid response received <04h>.";

class PortProblemsTest : public CommandsTest {
  protected:
    QString statusLine() const { return window->sbMainPanel(2)->text(); }
    bool statusRed() const {
        return window->sbMainPanel(2)->palette().color(QPalette::WindowText) == QColor(Qt::red);
    }
    // Runs the virtual clock for `ms` and gives every status text shown.
    QStringList statusesFor(int ms) {
        QStringList seen;
        platform.clock.runUntil(
            [&] {
                if (seen.isEmpty() || seen.back() != statusLine())
                    seen << statusLine();
                return false;
            },
            ms);
        return seen;
    }
};

struct Refusal {
    const char* name;
    PortProblem problem;
    const char* said;
};

void PrintTo(const Refusal& refusal, std::ostream* os) {
    *os << refusal.name;
}

class RefusedPortTest : public PortProblemsTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedPortTest, IsSaidUntilAnotherPortIsChosen) {
    // The port chosen at start refuses; the one chosen next opens.
    bool first = true;
    platform.OnPortCreated = [&](VirtualPort& port) {
        responder.attach(port);
        if (first)
            port.openRefusal = GetParam().problem;
        first = false;
    };
    startProgram();
    EXPECT_EQ(window->sbMainPanel(0)->text(), "COM1,9600,N,8,1");
    EXPECT_EQ(statusesFor(3000), QStringList{GetParam().said});
    EXPECT_TRUE(statusRed());

    reselect(PressOk("COM3"));
    EXPECT_TRUE(platform.clock.runUntil([&] { return statusLine() == kValid; }, 5000))
        << statusLine().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedPortTest,
    ::testing::Values(
        Refusal{
            "AccessDenied",
            {PortFault::AccessDenied, "/dev/ttyUSB0", "", "Add your user to the dialout group."},
            "COM1 (/dev/ttyUSB0): access denied. Add your user to the dialout group."},
        Refusal{"Busy",
                {PortFault::Busy, "/dev/ttyUSB0", "", ""},
                "COM1 (/dev/ttyUSB0) is busy: another program is using it."},
        Refusal{"Unplugged",
                {PortFault::Unplugged, "", "", ""},
                "COM1 is unplugged. Plug the adapter in."},
        Refusal{"Other",
                {PortFault::Other, "/dev/ttyS0", "Input/output error", ""},
                "COM1 (/dev/ttyS0) cannot be opened: Input/output error."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortProblemsTest, AnUnpluggedAdapterIsSaidUntilItIsBack) {
    startProgram();
    ASSERT_TRUE(platform.clock.runUntil([&] { return statusLine() == kValid; }, 5000));

    platform.port->unplug();
    const QString unplugged = "COM1 is unplugged. Plug the adapter in.";
    EXPECT_EQ(statusLine(), unplugged);
    EXPECT_TRUE(statusRed());
    // The scan goes on meanwhile, and says nothing else.
    EXPECT_EQ(statusesFor(5000), QStringList{unplugged});

    platform.port->replug();
    EXPECT_TRUE(platform.clock.runUntil([&] { return statusLine() == kValid; }, 5000))
        << statusLine().toStdString();
}

}  // namespace
}  // namespace kestro::test
