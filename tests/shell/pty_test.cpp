// The program on real pseudo-terminals: the port list built by the real
// availability test, and one poll from start-up to the status line.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFile>
#include <QLabel>
#include <cerrno>

#include "modbus/Crc.h"
#include "platform/QtPlatform.h"
#include "shell/Program.h"
#include "tests/qtport/Pty.h"
#include "tests/shell/Capabilities.h"
#include "tests/shell/ShellFixture.h"
#include "tests/support/Waiting.h"

using namespace kestro;
using namespace kestro::test;

namespace {

// Another program that holds a terminal exclusively.
class Holder {
  public:
    explicit Holder(const std::string& device)
        : fd_(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (fd_ >= 0)
            ::ioctl(fd_, TIOCEXCL);
    }
    ~Holder() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

  private:
    int fd_;
};

}  // namespace

TEST_F(ShellTest, APortHeldByAnotherProgramIsListedAndAMissingOneIsNot) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    Holder other(pty.slaveName());
    ASSERT_TRUE(other.ok());
    writeIni(programDir.path(), ("[PORTS]\nCOM2=" + pty.slaveName() +
                                 "\nCOM4=" + programDir.filePath("missing").toStdString() + "\n")
                                    .c_str());
    ComSelectProbe = ProbePort;
    WithoutExclusiveOverride asUser;
    const int refused = ::open(pty.slaveName().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const int reason = errno;
    ASSERT_LT(refused, 0) << "the holder does not hold the terminal";
    EXPECT_EQ(reason, EBUSY);

    QString tooltip;
    start({[&](TfrmComSelect& dialog) {
        const int entry = dialog.cbComPorts->findText("COM2");
        if (entry >= 0)
            tooltip = dialog.cbComPorts->itemData(entry, Qt::ToolTipRole).toString();
        return PressCancel()(dialog);
    }});

    ASSERT_EQ(dialogLists.size(), 1u);
    EXPECT_TRUE(dialogLists[0].contains("COM2"));
    EXPECT_FALSE(dialogLists[0].contains("COM4"));
    EXPECT_EQ(tooltip.toStdString(), pty.slaveName());
}

TEST(EndToEnd, StartsPollsTheAnalyzerOnARealLineAndShowsItsAnswer) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    QTemporaryDir programDir;
    {
        QFile ini(QDir(programDir.path()).filePath("Kestro.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(("[PORTS]\nCOM1=" + pty.slaveName() + "\n").c_str());
    }
    ScriptedInteraction interaction;
    QString preselected;
    RunComSelect = [&](TfrmComSelect& dialog) {
        preselected = dialog.cbComPorts->currentText();
        return PressOk()(dialog);
    };
    QtPlatform platform;
    auto program = std::make_unique<Program>(platform, programDir.path());
    RunComSelect = nullptr;
    TfrmMain& window = program->mainWindow();
    EXPECT_EQ(preselected, "COM1");
    EXPECT_EQ(window.sbMainPanel(0)->text(), "COM1,9600,N,8,1");

    EXPECT_EQ(pty.read(8, 3000),
              std::vector<uint8_t>({0x01, 0x04, 0x00, 0x00, 0x00, 0x2C, 0xF1, 0xD7}));
    std::vector<uint8_t> answer = {0x01, 0x04, 88};
    answer.resize(3 + 88, 0);
    pty.write(WithCrc(answer));
    EXPECT_TRUE(waitUntil(
        [&] { return window.sbMainPanel(2)->text() == "Valid response received <04h>."; }, 3000))
        << window.sbMainPanel(2)->text().toStdString();
    EXPECT_TRUE(interaction.messages.empty());

    window.close();
    EXPECT_FALSE(window.tmrPoll->enabled());
    QFile ini(QDir(programDir.path()).filePath("Kestro.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray settings = ini.readAll();
    EXPECT_TRUE(settings.contains("[PORT]\nName=COM1\n"));
    EXPECT_EQ(settings.count("COM1=" + QByteArray(pty.slaveName().c_str())), 1);
    program.reset();
}
