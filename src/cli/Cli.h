// The rix command line: argument handling for every command.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace rixcli {

int Main(int argc, char** argv);
// Runs one command line with the given streams (tests call this directly).
// An exception that reaches it (out of memory included) ends the command
// with a message and exit status 1, never an abort.
int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
// The command line without that guard.
int RunCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
// Runs `command`, turning an exception into a message on `err` and status 1.
int Guarded(std::FILE* err, const std::function<int()>& command);

}  // namespace rixcli
