#include "MainState.h"

namespace kestro {

IniRecord Settings;
bool ConfigSaved = false;
bool FullMode = false;

}  // namespace kestro
