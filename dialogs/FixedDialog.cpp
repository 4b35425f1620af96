#include "dialogs/FixedDialog.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>

namespace kestro {

namespace {

// The layout was drawn for an 8 pt sans serif of narrow build; where that
// font is missing a condensed face keeps the captions in their boxes.
const QStringList kFamilies{"MS Sans Serif",         "Microsoft Sans Serif",   "Tahoma",
                            "DejaVu Sans Condensed", "Liberation Sans Narrow", "Arial"};
constexpr double kLargestPoints = 8.0;
constexpr double kSmallestPoints = 6.0;

bool fits(const QFontMetrics& metrics, const QString& caption, int width) {
    return metrics.horizontalAdvance(QString(caption).remove('&')) <= width;
}

// Word-wrapped labels and those still empty (texts filled in later) do not
// take part.
bool captionsFit(const QWidget& form) {
    for (const QLabel* label : form.findChildren<QLabel*>()) {
        if (label->wordWrap() || label->text().isEmpty())
            continue;
        const QSize hint = label->sizeHint();
        if (hint.width() > label->width() || hint.height() > label->height())
            return false;
    }
    for (const QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
        // Room for the button's frame and the focus frame around the text.
        if (!fits(button->fontMetrics(), button->text(), button->width() - 8))
            return false;
    }
    for (const QGroupBox* box : form.findChildren<QGroupBox*>()) {
        if (!fits(box->fontMetrics(), box->title(), box->width() - 16))
            return false;
    }
    return true;
}

void fitFont(QWidget& form) {
    QFont font = form.font();
    font.setFamilies(kFamilies);
    for (double points = kLargestPoints;; points -= 0.5) {
        font.setPointSizeF(points);
        form.setFont(font);
        if (points <= kSmallestPoints || captionsFit(form))
            return;
    }
}

}  // namespace

void SetUpFixedDialog(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog.setFixedSize(dialog.size());
    fitFont(dialog);
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

}  // namespace kestro
