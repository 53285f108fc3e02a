// Fast decimal number reading and fixed-point printing that give the same
// digits as the C library's "%lf" scan and "%.Nf" print, for the text files
// the merge reads and writes by the million rows.
#pragma once
#include <string>

namespace rix {

// Reads a decimal number at p (no blanks skipped): optional sign, digits with
// an optional point, optional exponent, as "%lf" reads it, but not the
// inf/nan/hex forms. Returns the end of the number, or nullptr when p does not
// begin with one. Out-of-range values become +-inf or 0 as strtod gives them.
const char* ScanDecimal(const char* p, const char* end, double& value);

// Skips blanks, then ScanDecimal; p moves past the number. The "%lf" of the
// setup and correction file scans.
bool ScanDouble(const char*& p, double& value);

// Appends value with `decimals` fixed decimals ("%.<decimals>f").
void AppendFixed(std::string& out, double value, int decimals);

}  // namespace rix
