// The menus as the keyboard reaches them, and pictures of each menu open
// and of full mode.
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "CommandsFixture.h"

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

}  // namespace
}  // namespace kestro::test
