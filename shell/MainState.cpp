#include "shell/MainState.h"

namespace kestro {

bool FullMode = false;

}  // namespace kestro
