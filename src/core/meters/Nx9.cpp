#include "meters/Nx9.h"

#include "Context.h"

namespace rix {

int ReadNx9DeviceFile(Context& /*ctx*/, const DeviceFileCall& /*call*/) { return 1; }

int WriteNx9(Context& /*ctx*/, const WriterInput& /*in*/) { return 0; }

void ResetNx9State(Context& /*ctx*/) { }

}  // namespace rix
