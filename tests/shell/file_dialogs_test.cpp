// The file dialogs as the user meets them: a typed path in a folder that
// does not exist is refused with a word, and the dialog stays open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/UserInteraction.h"

namespace kestro::test {
namespace {

struct DialogCase {
    const char* name;
    bool save;
};

TEST(FileDialogs, OpenAndSaveRequireAnExistingFolder) {
    QTemporaryDir temp;
    const QString missing = temp.filePath("no such folder") + "/plant.cfg";
    for (const DialogCase& c : {DialogCase{"Open", false}, DialogCase{"Save As", true}}) {
        SCOPED_TRACE(c.name);
        FileDialogRequest request;
        request.title = c.name;
        request.folder = temp.path();
        request.filter = "Configuration (*.cfg)";
        request.defaultSuffix = "cfg";
        request.save = c.save;
        request.confirmOverwrite = c.save;
        request.confirmCreate = !c.save;

        // Types the path once and accepts it; closes every message box;
        // cancels the dialog when it comes back.
        QStringList boxes;
        bool typed = false;
        QTimer user;
        user.setInterval(10);
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes << box->text();
                box->done(QMessageBox::No);
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                if (typed) {
                    dialog->reject();
                    return;
                }
                typed = true;
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(missing);
                // As the dialog's own button does (QFileDialog's accept is protected).
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        user.start();
        QtInteraction qt;
        const std::optional<QString> chosen = qt.chooseFile(request);
        user.stop();

        EXPECT_FALSE(chosen.has_value()) << chosen.value_or("").toStdString();
        ASSERT_EQ(boxes.size(), 1) << boxes.join(" / ").toStdString();
        EXPECT_TRUE(boxes[0].contains("This folder does not exist.")) << boxes[0].toStdString();
        EXPECT_TRUE(typed);
    }
}

}  // namespace
}  // namespace kestro::test
