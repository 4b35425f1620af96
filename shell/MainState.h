#pragma once
// Full mode, the main window's own state, beside the settings and the
// unsaved-changes flag that the other units share.

#include "config/ProgramSettings.h"

namespace kestro {

extern bool FullMode;

}  // namespace kestro
