// The port selection dialog and the About window as the user sees them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <set>

#include "platform/Lamp.h"
#include "shell/Comselect.h"
#include "shell/StatusWin.h"

using namespace kestro;

namespace {

PortProbe PortsAt(std::set<int> available) {
    return [available](int n) {
        return PortProbeResult{available.count(n) > 0, QString("/dev/ttyTest%1").arg(n)};
    };
}

QStringList Entries(const QComboBox& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i)
        entries << list.itemText(i);
    return entries;
}

bool HasNoBorderIcons(const QWidget& window) {
    const Qt::WindowFlags flags = window.windowFlags();
    return (flags & Qt::CustomizeWindowHint) && !(flags & Qt::WindowCloseButtonHint) &&
           !(flags & Qt::WindowMaximizeButtonHint) && !(flags & Qt::WindowMinimizeButtonHint);
}

class ComSelectTest : public ::testing::Test {
  protected:
    void TearDown() override {
        RunComSelect = nullptr;
        ComSelectProbe = ProbePort;
    }
};

}  // namespace

TEST_F(ComSelectTest, DialogShowsItsCaptionsAndHints) {
    TfrmComSelect dialog(nullptr, PortsAt({1}));
    EXPECT_EQ(dialog.windowTitle(), "Select COM Port");
    EXPECT_TRUE(HasNoBorderIcons(dialog));
    EXPECT_EQ(dialog.size(), QSize(258, 119));
    EXPECT_EQ(dialog.lblComSelect->text(), "Please select COM port:");
    EXPECT_FALSE(dialog.cbComPorts->isEditable());
    EXPECT_EQ(dialog.cbComPorts->toolTip(), "Please select a COM port from available com ports");
    EXPECT_EQ(dialog.btnOk->text(), "&OK");
    EXPECT_EQ(dialog.btnOk->toolTip(), "Press to open the selected COM port");
    EXPECT_EQ(dialog.btnCancel->text(), "&Cancel");
}

TEST_F(ComSelectTest, ListsAvailablePortsInOrderWithTheFirstSelected) {
    TfrmComSelect dialog(nullptr, PortsAt({12, 3, 1, 51}));
    EXPECT_EQ(Entries(*dialog.cbComPorts), QStringList({"COM1", "COM3", "COM12"}));
    EXPECT_EQ(dialog.cbComPorts->currentText(), "COM1");
    EXPECT_EQ(dialog.SelectedPortNumber(), 1);
    EXPECT_EQ(dialog.cbComPorts->itemData(2, Qt::ToolTipRole).toString(), "/dev/ttyTest12");
    dialog.cbComPorts->setCurrentIndex(2);
    EXPECT_EQ(dialog.SelectedPortNumber(), 12);
}

TEST_F(ComSelectTest, ProbesPortsOneToFiftyOnly) {
    std::vector<int> probed;
    TfrmComSelect dialog(nullptr, [&probed](int n) {
        probed.push_back(n);
        return PortProbeResult{true, {}};
    });
    ASSERT_EQ(probed.size(), 50u);
    EXPECT_EQ(probed.front(), 1);
    EXPECT_EQ(probed.back(), 50);
    EXPECT_EQ(dialog.cbComPorts->itemText(49), "COM50");
}

TEST_F(ComSelectTest, SelectComPortGivesTheChosenPortOnlyOnOk) {
    struct Case {
        std::set<int> available;
        int choose;  // index to pick; -1 presses Cancel
        int result;
        int port;  // the argument afterwards, starting at 7
    };
    const Case cases[] = {
        {{1, 3, 12}, 2, 1, 12},
        {{1, 3, 12}, 0, 1, 1},
        {{1, 3, 12}, -1, 2, 7},
        {{}, 0, 2, 7},  // nothing listed: OK gives no port
    };
    for (const Case& c : cases) {
        ComSelectProbe = PortsAt(c.available);
        RunComSelect = [&c](TfrmComSelect& dialog) {
            if (c.choose < 0) {
                QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
            } else {
                dialog.cbComPorts->setCurrentIndex(c.choose);
                // The button is disabled on an empty list; accept as Enter would.
                if (dialog.btnOk->isEnabled())
                    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
                else
                    dialog.accept();
            }
            return dialog.result();
        };
        int port = 7;
        EXPECT_EQ(SelectComPort(port), c.result) << "choice " << c.choose;
        EXPECT_EQ(port, c.port) << "choice " << c.choose;
    }
}

TEST_F(ComSelectTest, EmptyListDisablesOk) {
    TfrmComSelect dialog(nullptr, PortsAt({}));
    EXPECT_EQ(dialog.cbComPorts->count(), 0);
    EXPECT_FALSE(dialog.btnOk->isEnabled());
    EXPECT_EQ(dialog.SelectedPortNumber(), 0);
}

TEST(AboutWindow, ShowsNameVersionAndBuild) {
    TfrmStatus about;
    EXPECT_EQ(about.windowTitle(), "About Kestro");
    EXPECT_TRUE(HasNoBorderIcons(about));
    EXPECT_EQ(about.size(), QSize(401, 221));
    EXPECT_EQ(about.pnlPicture->size(), QSize(129, 201));
    EXPECT_EQ(about.lblVarnesk->text(), "Varnesk");
    EXPECT_EQ(about.lblVersion->text(), "Kestro 2.21");
    EXPECT_EQ(about.lblSoftwareDescription->text(), "RVX82A Configuration & Calibration Tool");
    EXPECT_EQ(about.lblBuild->text(), "Version 2.21 (Build 260204)");
    EXPECT_EQ(about.lblVarnesk->font().pixelSize(), 37);
    EXPECT_TRUE(about.lblVarnesk->font().italic());
    EXPECT_GE(about.lblVarnesk->font().weight(), QFont::Black);
    EXPECT_EQ(about.lblVersion->font().pixelSize(), 27);
    EXPECT_TRUE(about.lblVersion->font().bold());
    EXPECT_EQ(about.lblSoftwareDescription->font().pixelSize(), 13);
}

TEST(AboutWindow, OkClosesIt) {
    TfrmStatus about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.btnOk, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

// A lit arrow: a narrow tail, a head broad at its base, a pointed tip.
TEST(LampShapes, ArrowsPointTheirWay) {
    for (const Lamp::Shape shape : {Lamp::ArrowLeft, Lamp::ArrowRight}) {
        Lamp lamp;
        lamp.setShape(shape);
        lamp.setLampSize(21);
        lamp.resize(lamp.sizeHint());
        lamp.setChecked(true);
        const QImage picture = lamp.grab().toImage();
        const auto lit = [&](int x, int y) {
            const QColor c = picture.pixelColor(x, y), on = lamp.onColor();
            return std::abs(c.red() - on.red()) + std::abs(c.green() - on.green()) +
                       std::abs(c.blue() - on.blue()) <
                   60;
        };
        // Columns counted from the tail: the shaft, then the head, broad
        // behind the tip and narrow at it.
        const auto x = [shape](int fromTail) {
            return shape == Lamp::ArrowRight ? fromTail : 20 - fromTail;
        };
        EXPECT_TRUE(lit(x(7), 10)) << shape;
        EXPECT_FALSE(lit(x(7), 5)) << shape;
        EXPECT_TRUE(lit(x(13), 5)) << shape;
        EXPECT_TRUE(lit(x(18), 10)) << shape;
        EXPECT_FALSE(lit(x(18), 5)) << shape;
    }
}

TEST(LampShapes, CheckedStateSwitchesBetweenOnAndDimColour) {
    Lamp lamp;
    lamp.setOnColor(QColor(230, 20, 20));
    std::vector<bool> toggles;
    QObject::connect(&lamp, &Lamp::toggled, [&](bool on) { toggles.push_back(on); });
    const QColor dim = lamp.currentColor();
    EXPECT_LT(dim.value(), lamp.onColor().value());
    lamp.setChecked(true);
    lamp.setChecked(true);
    EXPECT_EQ(lamp.currentColor(), lamp.onColor());
    lamp.setLit(false);
    EXPECT_EQ(lamp.currentColor(), dim);
    EXPECT_EQ(toggles, std::vector<bool>({true, false}));
}
