#include "shell/WindowPlacement.h"

#include <QWidget>

namespace kestro {

void MakeFixedDialog(QWidget& window, int clientWidth, int clientHeight) {
    window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window.setFixedSize(clientWidth, clientHeight);
}

}  // namespace kestro
