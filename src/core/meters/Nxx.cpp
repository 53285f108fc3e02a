#include "meters/Nxx.h"

#include "Context.h"

namespace rix {

}  // namespace rix
