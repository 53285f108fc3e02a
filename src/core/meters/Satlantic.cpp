#include "meters/Satlantic.h"

#include "Context.h"

namespace rix {

int ReadSatlanticCalFile(Context& /*ctx*/, const DeviceFileCall& /*call*/) { return 1; }

int WriteSatlantic(Context& /*ctx*/, const WriterInput& /*in*/) { return 0; }

void EndSatlanticExtraction(Context& /*ctx*/, int /*channel*/) { }

}  // namespace rix
