// The sine and cosine of a phase for the inner loops of physical optics:
// one reduction to the nearest quarter turn (three parts of pi/2, exact for
// phases below 2^31 quarter turns) and the two polynomials of the reduced
// angle, written without branches so that the compiler may run several at
// once.  Within an ulp or two of the library's, and the same on every
// build (no contraction).
#pragma once

#include <cstdint>
#include <cstring>

namespace radiate {

inline void sin_cos(double x, double& s, double& c) {
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPio2a = 1.57079632673412561417e+00;   // the first 33 bits of pi/2
    constexpr double kPio2b = 6.07710050630396597660e-11;   // the next 33
    constexpr double kPio2c = 2.02226624879595063154e-21;   // the rest
    constexpr double kRound = 6755399441055744.0;           // 1.5 * 2^52: adding it rounds to an integer
    const double t = x * kTwoOverPi + kRound;
    const double n = t - kRound;
    const double r = ((x - n * kPio2a) - n * kPio2b) - n * kPio2c;
    const double z = r * r;
    // sin r and cos r on [-pi/4, pi/4].
    const double sr =
        r + r * z *
                (-1.66666666666666324348e-01 +
                 z * (8.33333333332248946124e-03 +
                      z * (-1.98412698298579493134e-04 +
                           z * (2.75573137070700676789e-06 + z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
    const double cr =
        1.0 - 0.5 * z +
        z * z *
            (4.16666666666666019037e-02 +
             z * (-1.38888888888741095749e-03 +
                  z * (2.48015872894767294178e-05 +
                       z * (-2.75573143513906633035e-07 + z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
    std::uint64_t bits;
    std::memcpy(&bits, &t, sizeof bits);  // n's last bits (std::bit_cast is not in every library yet)
    const auto q = static_cast<unsigned>(bits & 3);
    const double a = (q & 1) ? cr : sr, b = (q & 1) ? sr : cr;
    s = (q & 2) ? -a : a;
    c = ((q + 1) & 2) ? -b : b;
}

}  // namespace radiate
