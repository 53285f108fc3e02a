#include "meters/Seawater.h"

#include <cmath>

namespace rix {

namespace {
using Real = long double;
}

double PracticalSalinity(double conductivity, double temperature, double pressure) {
    if (conductivity <= 0) return 99;
    const Real T = temperature, P = pressure;
    // C(35, 15, 0) = 4.2914 S/m
    const Real R = static_cast<Real>(conductivity) * 0.23302418791070511352L;
    const Real rt = 0.6766097L + T * (2.00564e-2L + T * (1.104259e-4L + T * (-6.9698e-7L + T * 1.0031e-9L)));
    const Real Rp = 1 + P * (2.07e-5L + P * (-6.37e-10L + P * 3.989e-15L)) /
                            (1 + 3.426e-2L * T + 4.464e-4L * T * T + 4.215e-1L * R - 3.107e-3L * T * R);
    const Real Rt = R / (rt * Rp);
    if (!(Rt > 0)) return 99;
    // Half powers from one square root: powl costs a fifth of a CTD row.
    const Real r05 = std::sqrt(Rt), r15 = Rt * r05, r2 = Rt * Rt, r25 = r2 * r05;
    const Real dT = T - 15;
    const Real S = 0.008L - 0.1692L * r05 + 25.3851L * Rt + 14.0941L * r15 - 7.0261L * r2 + 2.7081L * r25 +
                   dT / (1 + 0.0162L * dT) *
                       (0.0005L - 0.0056L * r05 - 0.0066L * Rt - 0.0375L * r15 + 0.0636L * r2 - 0.0144L * r25);
    return static_cast<double>(S);
}

namespace {

Real SurfaceDensity(Real S, Real T) {
    const Real rhoW = 999.842594L + T * (6.793952e-2L + T * (-9.095290e-3L + T * (1.001685e-4L +
                                         T * (-1.120083e-6L + T * 6.536332e-9L))));
    const Real s15 = S * std::sqrt(S);
    return rhoW + S * (8.24493e-1L + T * (-4.0899e-3L + T * (7.6438e-5L + T * (-8.2467e-7L + T * 5.3875e-9L)))) +
           s15 * (-5.72466e-3L + T * (1.0227e-4L - T * 1.6546e-6L)) + 4.8314e-4L * S * S;
}

}  // namespace

double DensityAtSurface(double salinity, double temperature) {
    return static_cast<double>(SurfaceDensity(salinity, temperature));
}

double Density(double salinity, double temperature, double pressure) {
    const Real S = salinity, T = temperature;
    const Real p = static_cast<Real>(pressure) * 0.1L;  // bar
    const Real s15 = S * std::sqrt(S);
    const Real kw = 19652.21L + T * (148.4206L + T * (-2.327105L + T * (1.360477e-2L - T * 5.155288e-5L)));
    const Real ks = S * (54.6746L + T * (-0.603459L + T * (1.09987e-2L - T * 6.1670e-5L))) +
                    s15 * (7.944e-2L + T * (1.6483e-2L - T * 5.3009e-4L));
    const Real kp = p * (3.239908L + T * (1.43713e-3L + T * (1.16092e-4L - T * 5.77905e-7L)) +
                         S * (2.2838e-3L + T * (-1.0981e-5L - T * 1.6078e-6L)) + 1.91075e-4L * s15) +
                    p * p * (8.50935e-5L + T * (-6.12293e-6L + T * 5.2787e-8L) +
                             S * (-9.9348e-7L + T * (2.0816e-8L + T * 9.1697e-10L)));
    const Real K = kw + ks + kp;
    return static_cast<double>(SurfaceDensity(S, T) / (1 - p / K));
}

}  // namespace rix
