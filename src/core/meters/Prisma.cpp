#include "meters/Prisma.h"

#include "Context.h"

namespace rix {

int ReadPrismaDeviceFile(Context& /*ctx*/, const DeviceFileCall& /*call*/) { return 1; }

int WritePrisma(Context& /*ctx*/, const WriterInput& /*in*/) { return 0; }

}  // namespace rix
