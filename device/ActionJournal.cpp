#include "device/ActionJournal.h"

namespace kestro {

ActionRecord* ActionJournal::awaitingOutcome() {
    if (actions_.empty() || actions_.back().settled())
        return nullptr;
    return &actions_.back();
}

}  // namespace kestro
