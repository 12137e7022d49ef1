#include "geometry/model.hpp"

#include <cmath>

namespace geometry {

void QUADR(const float c[3], std::complex<float> roots[2], std::int32_t& status) {
    const double c0 = c[0], c1 = c[1], c2 = c[2];
    const double D = c1 * c1 - 4.0 * c0 * c2;
    status = D < 0 ? 1 : 0;
    const double s = c1 < 0 ? -1.0 : 1.0;
    const std::complex<double> w = D >= 0 ? std::complex<double>(std::sqrt(D), 0.0)
                                          : std::complex<double>(0.0, std::sqrt(-D));
    const std::complex<double> q = -(c1 + s * w) / 2.0;
    // Plain component arithmetic: no library rescaling of infinities.
    const std::complex<double> r1(q.real() / c2, q.imag() / c2);
    const double den = q.real() * q.real() + q.imag() * q.imag();
    const std::complex<double> r2(c0 * q.real() / den, -c0 * q.imag() / den);
    roots[0] = std::complex<float>(static_cast<float>(r1.real()), static_cast<float>(r1.imag()));
    roots[1] = std::complex<float>(static_cast<float>(r2.real()), static_cast<float>(r2.imag()));
}

float larger_root(const std::complex<float> roots[2]) {
    float r1 = roots[0].real(), r2 = roots[1].real();
    return r1 < r2 ? r2 : r1;
}

float smaller_root(const std::complex<float> roots[2]) {
    float r1 = roots[0].real(), r2 = roots[1].real();
    return r1 > r2 ? r2 : r1;
}

float sign_rule_root(const std::complex<float> roots[2]) {
    const double product = static_cast<double>(roots[0].real()) * roots[1].real();
    return product > 0 ? smaller_root(roots) : larger_root(roots);
}

void total_length(DualReflectorGeometry& g) {
    const double FM = g.FM, DS = g.DS, AS = g.AS, FS = g.FS;
    if (g.t == -1.0f) {
        g.LT = static_cast<float>(FM + AS * std::sqrt(1.0 + DS * DS / (4.0 * (FS * FS - AS * AS))) - FS);
    } else if (g.t == 1.0f) {
        g.LT = static_cast<float>(FM + AS - FS);
    }
}

}  // namespace geometry
