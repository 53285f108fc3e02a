// Seawater state: practical salinity (PSS-78) and density (EOS-80), shared by
// the CTD decoders, the CTD mode of column device files and the merge.
#pragma once

namespace rix {

// Conductivity in S/m, temperature on the 1968 scale (ITS-90 x 1.00024),
// pressure in decibar. 99 when it cannot be computed.
double PracticalSalinity(double conductivity, double temperature, double pressure);
// kg/m3 at one atmosphere.
double DensityAtSurface(double salinity, double temperature);
// In-situ density, kg/m3; pressure in decibar.
double Density(double salinity, double temperature, double pressure);

}  // namespace rix
