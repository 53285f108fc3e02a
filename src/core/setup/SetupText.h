// Reading the text setup files: bounded lines and the C-style field scans
// ("%d", "%s") their formats are built on, without the overflow hazards of
// fixed buffers or out-of-range conversions.
#pragma once
#include <climits>
#include <cstddef>
#include <cstdio>
#include <string>

namespace rix::setuptext {

// Opens a setup, device or calibration file for reading; nullptr when it
// cannot be opened or is no regular file (a folder, a device, a pipe).
// Files as editors save them read like plain ones: a UTF-8 byte-order mark
// is dropped, and in a file whose lines end in CR alone (no LF anywhere)
// every CR reads as LF. Such a file is read through a normalised copy, so a
// rewind goes back to its first line.
std::FILE* OpenForReading(const std::string& path);

// Reads one line ended by LF, CR or CR LF (the end is not kept). At most
// `limit` characters are kept; the rest of a longer line is read and dropped,
// so it never turns into a line of its own. False at end of file.
bool ReadLine(std::FILE* stream, std::size_t limit, std::string& line);

// Reads one line up to and including its LF, the way device files opened in
// binary mode are read: a CR stays in the line. At most `limit` characters are
// kept; the rest of a longer line is dropped. False at end of file.
bool ReadLineWithEnd(std::FILE* stream, std::size_t limit, std::string& line);

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// "%d": skips blanks, then an optional sign and at least one digit. The value
// saturates at the limits of int instead of overflowing. p moves past it.
bool ScanInt(const char*& p, int& value);

// "%s": skips blanks, then takes the run of non-blank characters.
bool ScanWord(const char*& p, std::string& word);

void ToUpperAscii(std::string& text);

}  // namespace rix::setuptext
