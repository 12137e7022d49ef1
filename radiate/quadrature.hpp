// What both optics integrate and solve with: Gauss-Legendre rules, and the
// Illinois form of regula falsi for the half-power angle.
#pragma once

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

}  // namespace radiate::detail
