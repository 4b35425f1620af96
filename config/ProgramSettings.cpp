#include "config/ProgramSettings.h"

namespace kestro {

IniRecord Settings;
bool ConfigSaved = false;

}  // namespace kestro
