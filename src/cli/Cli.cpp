#include "Cli.h"

namespace rixcli {

int Main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return Run(args, stdout, stderr);
}

int Run(const std::vector<std::string>&, std::FILE*, std::FILE*) { return 2; }

}  // namespace rixcli
