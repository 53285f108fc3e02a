// The rix command line: argument handling for every command.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace rixcli {

int Main(int argc, char** argv);
// Runs one command line with the given streams (tests call this directly).
int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace rixcli
