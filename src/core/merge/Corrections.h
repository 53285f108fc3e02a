// Corrections applied while merging: clean-water offsets, temperature and
// salinity corrections and scattering corrections of an NX9 a/c meter's
// absorption and attenuation columns, and dissolved oxygen from a Sea-Bird
// SBE43 or SBE23 sensor.
#pragma once
#include <string>

namespace rix {

struct Context;
struct MergeRow;

// NX9 file columns (time is column 0): 1-3, 7-9, 13-15 absorption ("a"),
// 4-6, 10-12, 16-18 attenuation ("c").
bool IsAbsorptionColumn(int column);
bool IsAttenuationColumn(int column);
int AttenuationPartner(int aColumn);  // the "c" column at the same wavelength

// Each reads the whole file into its table and returns the row count; an
// unopenable file is reported and gives 0.
int ReadCleanWaterFile(Context& ctx, const std::string& path);
int ReadSalinityCorrectionFile(Context& ctx, const std::string& path);
int ReadTemperatureCorrectionFile(Context& ctx, const std::string& path);
void ClearCorrectionTables(Context& ctx);

// The wavelength of a base column from its title ("a412__" gives 412; 0 when
// it does not read), and the nearest row of a table.
double ColumnWavelength(const std::string& title);
int NearestCorrectionRow(const Context& ctx, int table, double wavelength);  // table 0 clean, 1 sal, 2 temp
// Looks up each NX9 column's nearest rows from the base titles; once per pair.
void PrepareCorrections(Context& ctx);

void ApplyCleanWater(Context& ctx, MergeRow& baseRow);

// flags: the pair's correction bits. Temperatures in degrees C, salinities in PSU.
double ApplyTsCorrection(Context& ctx, int column, double value, double temperature, double calTemperature,
                         double salinity, double calSalinity, int flags);

struct TsInputs {
    double temperature = 9999.0;
    double calTemperature = 0;
    double salinity = 9999.0;
    double calSalinity = 0;
    int flags = 0;
};
// The scattering correction of an "a" column; 9999.9 when it cannot be computed.
double ScatterCorrection(Context& ctx, const MergeRow& baseRow, int column, double value, int method,
                         const TsInputs& ts);

// Oxygen device file for sensor type 23 or 43: 1 when it read without error.
int ReadOxygenDeviceFile(Context& ctx, int sensorType, const std::string& path);
void ClearSbe23History(Context& ctx);
double OxygenSolubility(double temperature, double salinity);  // ml/l
double Sbe43Oxygen(const Context& ctx, double voltage, double pressure, double temperature, double salinity);
double Sbe23Oxygen(Context& ctx, double timeMs, double sensorTemperature, double sensorCurrent, double pressure,
                   double temperature, double salinity);

}  // namespace rix
