#include "Context.h"

namespace rix {

Context::~Context() {
    CloseAllOutputs(*this);
    if (log.file) {
        std::fclose(log.file);
        log.file = nullptr;
    }
}

}  // namespace rix
