// The ASCII pass-through meters: ASCII, T_ASCII, ASCII_T, XASCII.
#pragma once

namespace rix {

// ASCII_T: replaces the line end by ",\t<ms>\r\n" (line with a comma) or
// "\t<ms>\r\n". line has room for 1024 bytes; length in and out.
// Returns 0 when the line is shorter than 3 bytes.
int AppendLineTime(double lineTime, int& length, char* line);

}  // namespace rix
