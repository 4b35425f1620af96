#pragma once
// The frame of the shell's dialogs. They are centred on the screen with
// CentreOnScreen of the dialogs' common frame (FixedDialog.h).

#include "dialogs/FixedDialog.h"

class QWidget;

namespace kestro {

// A fixed-size dialog with a title bar and no border icons (no close box).
void MakeFixedDialog(QWidget& window, int clientWidth, int clientHeight);

}  // namespace kestro
