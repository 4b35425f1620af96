#pragma once
// The access keys of a menu bar's menus (Alt and the underlined letter).

class QMenuBar;

namespace kestro {

// Qt gives a menu its access key also while the menu is disabled. Two menus
// that share a key (Configuration and Calibration both have C) then take
// turns with it, so every other press falls on the disabled one: nothing
// opens, and the bar is left waiting for keys, so the next access key does
// nothing either. Served here instead, a press opens the next enabled menu
// with that key after the one it opened last, and disabled menus are passed
// over.
void ServeMenuAccessKeys(QMenuBar& bar);

}  // namespace kestro
