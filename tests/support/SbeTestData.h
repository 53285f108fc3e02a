// Sea-Bird .CON texts for the tests: the coefficients of a real SBE 19, with
// the lines a test changes given by number.
#pragma once
#include <map>
#include <string>

namespace rixtest {

using ConLines = std::map<int, std::string>;

// Lines 1..count, CR LF ends; lines not given are empty.
inline std::string ConText(const ConLines& lines, int count = 205) {
    std::string text;
    for (int n = 1; n <= count; ++n) {
        auto it = lines.find(n);
        if (it != lines.end()) text += it->second;
        text += "\r\n";
    }
    return text;
}

// SBE19 with four voltages (the third a fluorometer), instrument code 137.
inline ConLines Sbe19Con() {
    return {
        {1, "2835"},
        {3, "2000.0000 0.0000 1.00000000 0.00000 1"},
        {4, "2835"},
        {5, "1000.000 4.21059973e-003 5.97017997e-004 3.08092908e+004 -1.85656400e-006 1.00000000 0.0000 1"},
        {11, "193005"},
        {13, "-6.524145e-002 2.484202e+002 0.000000e+000 5.500284e-008"},
        {14, "0.000000e+000 0.000000e+000 1.00000000 0.00000 141 1.250000e-002 -1.000000e+001"},
        {39, "0 18 4 137 147 2.000000000000 0.000000000000 0"},
        {40, "0 0 1 0 86 0 5 0 77 2 13 0 13 0"},
        {110, "-4.00753104e+000 4.78066977e-001 1.21247275e-003 -3.18226763e-005 3.2500e-006 -9.57000000e-008"},
        {111, "1000.000 4.21128850e-003 5.98809978e-004 5.39242925e-006 -1.40400219e-006"},
        {117, "WS3S-668P"},
        {119, "0.068 16.920"},
    };
}

// The same sensors set up as another model: voltage count and instrument code of line 39.
inline ConLines ModelCon(int voltages, int code, const std::string& sensors = "0 0 1 0 77 2 86 0") {
    ConLines c = Sbe19Con();
    c[39] = "0 18 " + std::to_string(voltages) + " " + std::to_string(code) + " 147 0.125 0 0";
    c[40] = sensors;
    return c;
}

// SBE19plus, code 2501, no voltages (the coefficients of a real SBE 19plus).
inline ConLines Sbe19PlusCon() {
    return {
        {1, "4977"},
        {14, "0"},
        {39, "0 15 0 2501 147 0.000000000000 60.000000000000 0"},
        {110, "-1.00284100e+000 1.48659600e-001 -3.31228300e-004 4.74357800e-005 3.2500e-006 -9.57000000e-008"},
        {183, "4977"},
        {185, "1.23039300e-003 2.65633700e-004 -2.67916200e-007 1.65328600e-007 1.00000000 0.0000"},
        {187, "4977"},
        {189, "-6.56500000e+001 5.00000000e+001 2.53460100e-011 5.21123300e+005 -2.56343100e+000 2.20464000e-001"},
        {190, "2.50805000e+001 5.00000000e-004 0.00000000e+000 2.25723800e-001 4.41949100e-003 -1.22384800e-011 0.000000"},
    };
}

}  // namespace rixtest
