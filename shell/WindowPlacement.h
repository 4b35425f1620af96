#pragma once
// Window frames and placement shared by the program's windows.

class QWidget;

namespace kestro {

// A fixed-size dialog with a title bar and no border icons (no close box).
void MakeFixedDialog(QWidget& window, int clientWidth, int clientHeight);

// Moves the window to the centre of the screen it will appear on.
void CentreOnScreen(QWidget& window);

}  // namespace kestro
