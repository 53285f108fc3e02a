#include "meters/Gps.h"

#include "Context.h"

namespace rix {

void SetGpsSeparator(Context& /*ctx*/, char /*separator*/) { }

void ResetGpsRunState(Context& /*ctx*/) { }

int DecodeGpsLine(Context& /*ctx*/, LineRecord& /*record*/, RowValues& /*values*/) { return 0; }

}  // namespace rix
