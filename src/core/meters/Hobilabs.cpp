#include "meters/Hobilabs.h"

#include "Context.h"

namespace rix {

int ReadHobiDeviceFile(Context& /*ctx*/, const DeviceFileCall& /*call*/) { return 1; }

}  // namespace rix
