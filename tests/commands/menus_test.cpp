// The menus as the keyboard reaches them, and pictures of each menu open
// and of full mode.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include "tests/commands/CommandsFixture.h"

namespace kestro::test {
namespace {

class MenusTest : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        startProgramWith("plant.cfg", sample());
        activate();
        window->seSlaveID->setFocus();
    }

    // The menu that the access key Alt+`key` opened, if any.
    QMenu* openWith(Qt::Key key) {
        QTest::keyClick(window.get(), key, Qt::AltModifier);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    // Escape, as often as it takes to close every open menu.
    void closeMenus() {
        for (int i = 0; i < 3 && QApplication::activePopupWidget(); ++i)
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
    }

    // The window with its open menu drawn where it is on the screen, under
    // a strip with the window's caption (the offscreen platform draws no
    // frame).
    void savePicture(const QString& name, QMenu* menu = nullptr) {
        QApplication::processEvents();
        const QPixmap client = window->grab();
        const QPoint menuAt = menu ? menu->pos() - window->mapToGlobal(QPoint(0, 0)) : QPoint();
        const QSize clientSize = menu ? client.size().expandedTo(QSize(menuAt.x() + menu->width(),
                                                                       menuAt.y() + menu->height()))
                                      : client.size();
        const int captionHeight = 24;
        QPixmap picture(clientSize + QSize(0, captionHeight));
        picture.fill(Qt::white);
        QPainter painter(&picture);
        const QRect caption(0, 0, picture.width(), captionHeight);
        painter.fillRect(caption, window->palette().color(QPalette::Highlight));
        painter.setPen(window->palette().color(QPalette::HighlightedText));
        painter.drawText(caption.adjusted(8, 0, 0, 0), Qt::AlignVCenter, window->windowTitle());
        painter.drawPixmap(0, captionHeight, client);
        if (menu)
            painter.drawPixmap(menuAt + QPoint(0, captionHeight), menu->grab());
        painter.end();
        const QDir folder(KESTRO_SCREENSHOT_DIR);
        ASSERT_TRUE(QDir().mkpath(folder.path()));
        EXPECT_TRUE(picture.save(folder.filePath(name + ".png"))) << name.toStdString();
    }
};

TEST_F(MenusTest, AccessKeysOpenTheirMenus) {
    const std::tuple<Qt::Key, QMenu*, const char*> keys[] = {
        {Qt::Key_F, window->siFile, "menu-file"},
        {Qt::Key_C, window->siConfiguration, "menu-configuration"},
        {Qt::Key_H, window->siHelp, "menu-help"},
    };
    // Twice round: a key pressed again opens its menu again, and one
    // menu's key does not spoil the next one's.
    for (int round = 0; round < 2; ++round) {
        for (const auto& [key, menu, picture] : keys) {
            SCOPED_TRACE(menu->title().toStdString());
            QMenu* opened = openWith(key);
            EXPECT_EQ(opened, menu);
            if (opened && round == 0)
                savePicture(picture, opened);
            closeMenus();
        }
    }
}

// Configuration and Calibration share the access key C: in full mode it
// opens them in turn.
TEST_F(MenusTest, InFullModeTheAccessKeyCOpensBothMenusInTurn) {
    interaction.answers = {Answer::Yes};
    QTest::keyClick(window->seSlaveID, Qt::Key_F11, Qt::AltModifier);
    ASSERT_TRUE(FullMode);
    savePicture("full-mode");

    QMenu* const expected[] = {window->siConfiguration, window->siCalibration,
                               window->siConfiguration};
    for (QMenu* menu : expected) {
        QMenu* opened = openWith(Qt::Key_C);
        EXPECT_EQ(opened, menu) << menu->title().toStdString();
        if (opened == window->siCalibration)
            savePicture("menu-calibration", opened);
        closeMenus();
    }
}

// A menu opened by its access key has its first enabled entry highlighted,
// so that Enter runs it, also for the two menus that share their key.
TEST_F(MenusTest, AMenuOpenedByItsAccessKeyHighlightsItsFirstEntry) {
    interaction.answers = {Answer::Yes};
    QTest::keyClick(window->seSlaveID, Qt::Key_F11, Qt::AltModifier);
    ASSERT_TRUE(FullMode);
    const std::tuple<Qt::Key, QMenu*, QAction*> cases[] = {
        {Qt::Key_F, window->siFile, window->bbNewConfig},
        {Qt::Key_C, window->siConfiguration, window->bbEditConfig},
        {Qt::Key_C, window->siCalibration, window->bbEditCalibration},
        {Qt::Key_H, window->siHelp, window->bbAbout},
    };
    for (const auto& [key, menu, first] : cases) {
        SCOPED_TRACE(menu->title().toStdString());
        QMenu* opened = openWith(key);
        ASSERT_EQ(opened, menu);
        EXPECT_EQ(opened->activeAction(), first);
        closeMenus();
    }
}

TEST_F(MenusTest, AltFEnterStartsANewConfiguration) {
    QMenu* file = openWith(Qt::Key_F);
    ASSERT_EQ(file, window->siFile);
    QTest::keyClick(file, Qt::Key_Return);
    EXPECT_EQ(Settings.FileName, "RVX82AUNTITLED.CFG");
    EXPECT_EQ(window->sbMainPanel(1)->text(), "RVX82AUNTITLED.CFG");
}

TEST_F(MenusTest, AltHEnterOpensAbout) {
    QMenu* help = openWith(Qt::Key_H);
    ASSERT_EQ(help, window->siHelp);
    bool shown = false;
    QTimer::singleShot(0, about.get(), [&] {
        shown = about->isVisible();
        about->done(QDialog::Rejected);
    });
    QTest::keyClick(help, Qt::Key_Return);
    EXPECT_TRUE(shown);
}

// The Slave ID field has the focus from the start; Ctrl+X there is Exit,
// not a cut of its text.
TEST_F(MenusTest, CtrlXInTheSlaveIdFieldExits) {
    ASSERT_EQ(QApplication::focusWidget(), window->seSlaveID);
    window->seSlaveID->selectAll();
    QTest::keyClick(window->seSlaveID, Qt::Key_X, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->seSlaveID->value(), sample().SlaveID);
}

}  // namespace
}  // namespace kestro::test
