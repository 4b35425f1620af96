#include "dialogs/StatusPanel.h"

#include <QPalette>

#include "device/DeviceCommands.h"

namespace kestro {

StatusPanel::StatusPanel(QWidget& panel, QLabel& title, QLabel& text, QPushButton& close,
                         std::vector<QWidget*> dialogButtons)
    : panel_(panel),
      title_(title),
      text_(text),
      close_(close),
      dialogButtons_(std::move(dialogButtons)) {
    QPalette palette = title_.palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Window, clNavy);
    title_.setPalette(palette);
    panel_.raise();
    panel_.hide();
}

void StatusPanel::show(const QString& text, bool closeEnabled, const QColor& titleColour) {
    QPalette palette = title_.palette();
    palette.setColor(QPalette::Window, titleColour);
    title_.setPalette(palette);
    // The focus goes to the panel before the dialog's buttons are disabled:
    // leaving it on a disabled button would pass it on to the next field,
    // where a key typed while the command waits would replace the text.
    panel_.show();
    close_.setEnabled(closeEnabled);
    if (closeEnabled)
        close_.setFocus();
    else
        panel_.setFocus();
    setButtonsEnabled(false);
    text_.setText(text);
}

void StatusPanel::hide() {
    panel_.hide();
}

void StatusPanel::close() {
    hide();
    setButtonsEnabled(true);
}

void StatusPanel::setButtonsEnabled(bool enabled) {
    for (QWidget* button : dialogButtons_)
        button->setEnabled(enabled);
}

}  // namespace kestro
