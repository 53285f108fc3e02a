#include "extract/Misc.h"
#include "Context.h"
namespace rix {
// stub: to be written
void ClearJulianTable(JulianState&) {}
void ResetType2Reference(JulianState&) {}
int WriteTimeTitles(int, std::FILE*) { return 1; }
int WriteTimeStamp(const JulianState&, double, double, int, std::FILE*) { return 0; }
bool JulianOf(const JulianState&, double, double& j) { j = 0; return false; }
bool DayAndMillisecond(const JulianState&, double, int&, long&) { return false; }
bool EnterDateTime(JulianState&, double, int, int, int, int, int, int, int, double& j) { j = 0; return false; }
void EnterPacketDay(JulianState&, int, double, double) {}
int ParseDateTimeLine(Context&, char*, int&, double, int, RowValues&) { return 0; }
}  // namespace rix
