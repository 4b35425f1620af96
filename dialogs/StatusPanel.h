#pragma once
// The status panel of the configuration and calibration dialogs: a title
// bar, a text and the panel's own Close button, shown over the dialog while a
// device command runs and with its result. While it is shown the dialog's
// own buttons are disabled, so that no second command can start.

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <vector>

namespace kestro {

class StatusPanel {
  public:
    StatusPanel(QWidget& panel, QLabel& title, QLabel& text, QPushButton& close,
                std::vector<QWidget*> dialogButtons);

    void show(const QString& text, bool closeEnabled, const QColor& titleColour);
    void hide();
    // The panel's Close button: hides the panel and gives the dialog its
    // buttons back.
    void close();

  private:
    void setButtonsEnabled(bool enabled);

    QWidget& panel_;
    QLabel& title_;
    QLabel& text_;
    QPushButton& close_;
    std::vector<QWidget*> dialogButtons_;
};

}  // namespace kestro
