// What both optics integrate, solve and read their cuts with: Gauss-Legendre
// rules, the Illinois form of regula falsi for the half-power angle, and the
// reading of the cross-polar level and the sidelobes.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace radiate::detail {

// Gauss-Legendre nodes and weights on [a, b].
inline void gauss_legendre(int n, double a, double b, std::vector<double>& x, std::vector<double>& w) {
    constexpr double kPi = 3.14159265358979323846;
    x.assign(n, 0);
    w.assign(n, 0);
    for (int i = 0; i < (n + 1) / 2; ++i) {
        double z = std::cos(kPi * (i + 0.75) / (n + 0.5)), dp = 0;
        for (int it = 0; it < 100; ++it) {
            double p0 = 1, p1 = 0;
            for (int j = 1; j <= n; ++j) {
                const double p2 = p1;
                p1 = p0;
                p0 = ((2.0 * j - 1) * z * p1 - (j - 1.0) * p2) / j;
            }
            dp = n * (z * p0 - p1) / (z * z - 1);
            const double dz = p0 / dp;
            z -= dz;
            if (std::fabs(dz) < 1e-16) break;
        }
        const double wi = 2 / ((1 - z * z) * dp * dp);
        x[i] = 0.5 * (a + b) - 0.5 * (b - a) * z;
        x[n - 1 - i] = 0.5 * (a + b) + 0.5 * (b - a) * z;
        w[i] = w[n - 1 - i] = 0.5 * (b - a) * wi;
    }
}

// The root of excess between lo and hi (excess(lo) = flo > 0 >= fhi =
// excess(hi)) by the Illinois form of regula falsi: a few evaluations where
// halving the bracket takes forty.  root is what is returned when the
// bracket is already narrower than 1e-13 of hi; the search ends when
// |excess| falls below `small`.
template <class F>
double regula_falsi(double lo, double hi, double flo, double fhi, double root, double small, const F& excess) {
    int side = 0;
    for (int it = 0; it < 60 && hi - lo > 1e-13 * hi; ++it) {
        root = (lo * fhi - hi * flo) / (fhi - flo);
        if (!(root > lo && root < hi)) root = (lo + hi) / 2;
        const double f = excess(root);
        if (f == 0) break;
        if (f > 0) {
            lo = root, flo = f;
            if (side == 1) fhi /= 2;
            side = 1;
        } else {
            hi = root, fhi = f;
            if (side == -1) flo /= 2;
            side = -1;
        }
        if (std::fabs(f) < small) break;
    }
    return root;
}

// Levels in dB of a power ratio, floored at -300.
inline double db(double ratio) { return std::max(10 * std::log10(ratio), -300.0); }

// The cross-polar level and the sidelobes are read in the half-cuts at
// these azimuths (the cuts 0, 45 and 90 degrees, both halves), at
// kReadSteps + 1 angles whose sines run evenly from 0 to that of five
// half-power widths.
inline constexpr int kReadSteps = 200;
inline constexpr double kReadAzimuths[6] = {0, 3.14159265358979323846, 0.78539816339744830962,
                                            0.78539816339744830962 + 3.14159265358979323846,
                                            1.57079632679489661923, 1.57079632679489661923 + 3.14159265358979323846};

// What the half-cuts show: the highest cross-polar power within twice the
// half-power width hp, and the highest co-polar power beyond the first
// minimum (a blocked beam has no true null).
struct CutReading {
    double cross_max = 0, side = 0;
    bool found = false;  // a first minimum was seen
    // One half-cut: kReadSteps + 1 powers of each, at sines i ds.
    void add(const double* level, const double* cross, double ds, double hp) {
        for (int i = 0; i <= kReadSteps; ++i)
            if (std::asin(std::min(1.0, i * ds)) <= 2 * hp) cross_max = std::max(cross_max, cross[i]);
        for (int i = 1; i < kReadSteps; ++i) {
            if (level[i] <= level[i - 1] && level[i] <= level[i + 1]) {
                found = true;
                side = std::max(side, *std::max_element(level + i, level + kReadSteps + 1));
                break;
            }
        }
    }
};

}  // namespace radiate::detail
