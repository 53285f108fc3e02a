#include "setup/MeterType.h"
namespace rix {
// stub: to be written
static const MeterTypeInfo kStub{0, "", "OFF", false};
const MeterTypeInfo& MeterTypeByCode(int) { return kStub; }
bool IsCtdType(int) { return false; }
}  // namespace rix
