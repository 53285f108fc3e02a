#include "Context.h"

namespace rix {

Context::~Context() {
    // Outputs a run did not complete are removed, never left under their names.
    DiscardAllOutputs(*this);
    log.output.reset();
    log.file = nullptr;
}

}  // namespace rix
