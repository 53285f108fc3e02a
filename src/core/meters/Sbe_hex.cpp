#include "meters/Sbe_hex.h"

#include "Context.h"

namespace rix {

int ReadSbeConFile(Context& /*ctx*/, const DeviceFileCall& /*call*/) { return 1; }

int ReadSbe19PlusConFile(Context& /*ctx*/, const DeviceFileCall& /*call*/) { return 1; }

int WriteSbeRecords(Context& /*ctx*/, const WriterInput& /*in*/) { return 0; }

void ResetSbeRecordState(Context& /*ctx*/) { }

}  // namespace rix
