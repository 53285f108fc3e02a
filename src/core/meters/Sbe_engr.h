// Sea-Bird scans in engineering units: pressure, temperature, conductivity,
// salinity, second temperature and the external voltages of one parsed line.
#pragma once

#include "meters/Sbe_hex.h"

namespace rix {

// Stands for a value that cannot be computed.
constexpr double kSbePlaceholder = 9999.999999;

// Result 3 with the scan filled, or 0 when a value would not be finite.
int SbeEngineering(const SbeCalibration& cal, int meterType, const SbeRawScan& raw, SbeScan& scan);

}  // namespace rix
