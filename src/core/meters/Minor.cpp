#include "meters/Minor.h"

#include "Context.h"

namespace rix {

int WriteThermoBath(Context& /*ctx*/, const WriterInput& /*in*/) { return 0; }

int WriteSbe32(Context& /*ctx*/, const WriterInput& /*in*/) { return 0; }

int WriteXmf(Context& /*ctx*/, const WriterInput& /*in*/) { return 0; }

}  // namespace rix
