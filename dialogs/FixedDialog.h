#pragma once
// The window of a dialog laid out in fixed pixel positions: a fixed client
// size, a title bar without buttons, centred on the screen, and a font small
// enough for every caption to fit the box it was laid out for.

#include <QDialog>

namespace kestro {

// Called once the form's widgets exist, before it is first shown.
void SetUpFixedDialog(QDialog& dialog);

void CentreOnScreen(QWidget& window);

}  // namespace kestro
