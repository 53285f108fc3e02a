#include "setup/Mainsetup.h"
namespace rix {
// stub: to be written
int SaveMainSetup(Reporter&, const MainSetup&, const std::string&) { return 0; }
int LoadMainSetup(MainSetup&, const std::string&) { return 0; }
std::string DailyArchiveName(const std::string& b, int, int) { return b; }
void LocalToday(int& y, int& d) { y = 2000; d = 1; }
}  // namespace rix
