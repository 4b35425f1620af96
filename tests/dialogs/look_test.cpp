// How the dialogs look, filled and with each state of their status panels:
// nothing may be cut off or reach beyond its parent. The pictures are kept
// under the build folder for a look by eye.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>

#include "device/DeviceCommands.h"
#include "dialogs/Calibrate.h"
#include "dialogs/EUnits.h"
#include "tests/dialogs/DialogFixture.h"

namespace kestro::test {
namespace {

bool named(const QWidget& widget) {
    return !widget.objectName().isEmpty() && !widget.objectName().startsWith("qt_");
}

QString plain(QString caption) {
    return caption.remove('&');
}

// What of the form does not fit: a widget outside its parent, or a text
// larger than the room its widget gives it.
QStringList clipped(const QWidget& form) {
    QStringList found;
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        if (!named(*w) || !w->isVisibleTo(&form))
            continue;
        const QString name = w->objectName();
        if (!w->parentWidget()->rect().contains(w->geometry()))
            found << name + " outside";
        const QFontMetrics fm = w->fontMetrics();
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            const QRect room = label->contentsRect();
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect needed = fm.boundingRect(room, flags, label->text());
            if (needed.width() > room.width() || needed.height() > room.height())
                found << name + " text";
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            if (fm.horizontalAdvance(plain(button->text())) > button->width() - 6)
                found << name + " caption";
        } else if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
            if (fm.horizontalAdvance(box->title()) > box->width() - 8)
                found << name + " title";
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            if (fm.horizontalAdvance(edit->text()) > edit->contentsRect().width() - 4)
                found << name + " text";
        } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
            if (fm.horizontalAdvance(combo->currentText()) > combo->width() - 24)
                found << name + " text";
        } else if (const auto* list = qobject_cast<const QListWidget*>(w)) {
            for (int i = 0; i < list->count(); ++i) {
                const QRect item = list->visualItemRect(list->item(i));
                const int text = fm.horizontalAdvance(list->item(i)->text());
                if (!list->viewport()->rect().contains(item) || text + 24 > item.width())
                    found << name + " item " + QString::number(i);
            }
        }
    }
    return found;
}

class LookTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        Config.FirmwareVersion = QString("RVX82A V2.21").leftJustified(50, ' ');
        Config.InpIr = 12345.678f;
        Config.CalControl = 0x1C7;
        QDir().mkpath(KESTRO_SCREENSHOT_DIR);
    }
    // Checks the dialog as it is now and keeps its picture.
    void look(QDialog& dialog, const QString& name) {
        QApplication::processEvents();
        EXPECT_EQ(clipped(dialog).join(", "), "") << name.toStdString();
        const QString path = QString(KESTRO_SCREENSHOT_DIR) + "/" + name + ".png";
        EXPECT_TRUE(dialog.grab().save(path)) << path.toStdString();
    }
};

TEST_F(LookTest, ConfigurationDialog) {
    TfrmEng dialog;
    EXPECT_EQ(dialog.size(), QSize(319, 366));
    dialog.show();
    look(dialog, "configuration");
    const struct {
        const char* name;
        const char* text;
        bool close;
        QColor colour;
    } states[] = {
        {"configuration-downloading", "Downloading configuration... Please wait.", false, clNavy},
        {"configuration-downloaded", "Configuration downloaded.", true, clNavy},
        {"configuration-download-failed", "Configuration download failed.", true, clRed},
        {"configuration-no-port", "Comport is not available.", true, clRed},
        {"configuration-uploading", "Uploading configuration... Please wait.", false, clNavy},
        {"configuration-uploaded", "Configuration uploaded.", true, clNavy},
        {"configuration-upload-failed", "Configuration upload failed.", true, clRed},
    };
    for (const auto& s : states) {
        dialog.ShowStatus(s.text, s.close, s.colour);
        look(dialog, s.name);
    }
    Config.Baud = 600;
    dialog.RecordToForm();
    dialog.ShowStatus("Baud rate not set. Please select a baud rate.", true, clRed);
    look(dialog, "configuration-no-baud");
}

TEST_F(LookTest, CalibrationDialog) {
    TfrmCal dialog;
    EXPECT_EQ(dialog.size(), QSize(335, 248));
    dialog.show();
    look(dialog, "calibration");
    const struct {
        const char* name;
        const char* text;
        bool close;
        QColor colour;
    } states[] = {
        {"calibration-calibrating", "Calibrating unit... Please wait.", false, clNavy},
        {"calibration-success", "Calibration success.", true, clNavy},
        {"calibration-failed", "Calibration failed.", true, clRed},
        {"calibration-no-port", "Comport is not available.", true, clRed},
    };
    for (const auto& s : states) {
        dialog.ShowStatus(s.text, s.close, s.colour);
        look(dialog, s.name);
    }
}

}  // namespace
}  // namespace kestro::test
