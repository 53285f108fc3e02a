#include "meters/Nxs.h"

#include "Context.h"

namespace rix {

int ReadNxsDeviceFile(Context& /*ctx*/, const DeviceFileCall& /*call*/) { return 1; }

int WriteNxs(Context& /*ctx*/, const WriterInput& /*in*/) { return 0; }

void ResetNxsState(Context& /*ctx*/) { }

}  // namespace rix
