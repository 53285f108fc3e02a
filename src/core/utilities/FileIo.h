// File handling shared by the archive builders and the archive utilities.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace rix {

struct Context;
class ArchiveStream;

// The one path-join helper: folder + "/" + name (no separator doubled; an
// empty folder gives the name alone).
std::string JoinPath(const std::string& folder, const std::string& name);

// Reads a whole input file into memory. On failure the common box
// "<purpose> File Error" / "Unable to open <path>" is shown and false returned.
bool LoadWholeFile(Context& ctx, const std::string& path, const char* purpose,
                   std::vector<uint8_t>& data);

// Opens an archive for the packet reader, with the same box on failure (the
// reason added when the path names no regular file).
bool OpenArchiveInput(Context& ctx, ArchiveStream& stream, const std::string& path,
                      const char* purpose);

// Closes an output file; a write that failed (a full disk) is reported as
// "<purpose> File Error" / "Unable to write <path>" and gives false.
bool CloseOutput(Context& ctx, std::FILE* file, const std::string& path, const char* purpose);

}  // namespace rix
