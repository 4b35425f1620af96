#pragma once
// What a screen reader says about the program's windows, and a keyboard way
// to every command.
//
// A reading is spoken with its caption: the indicator beside "PR (W):"
// reads "PR (W): 400", the status line "Status: No response from slave
// device.", a lamp "Signal loss: on" or "PR (W) forward: off". Fields take
// their names from their caption labels, the meter and clock buttons say
// what they do. Tab also reaches those three buttons and status panel 0,
// where Enter or Space chooses another port, as a double click does.

class QWidget;

namespace kestro {

// Sets up `window`, one of the program's windows (recognised by the names
// of its controls), before it is first shown. From the first call on, every
// other window of the program is set up the same way when it is first
// shown.
void MakeAccessible(QWidget& window);

}  // namespace kestro
