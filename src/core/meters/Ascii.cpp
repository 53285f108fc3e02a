#include "meters/Ascii.h"
namespace rix {
// stub: to be written
int AppendLineTime(double, int&, char*) { return 0; }
}  // namespace rix
