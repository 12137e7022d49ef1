#include "geometry/model.hpp"

#include <cmath>

namespace geometry {

void QUADR(const float c[3], std::complex<float> roots[2], std::int32_t& status) {
    const double c0 = c[0], c1 = c[1], c2 = c[2];
    const double D = c1 * c1 - 4.0 * c0 * c2;
    status = D < 0 ? 1 : 0;
    const double s = c1 < 0 ? -1.0 : 1.0;
    // The principal square root of D + 0i; that of NaN + 0i is NaN in both
    // parts, so a discriminant that is not a number gives roots that are not.
    std::complex<double> w(std::sqrt(D), 0.0);
    if (D < 0) w = std::complex<double>(0.0, std::sqrt(-D));
    if (std::isnan(D)) w = std::complex<double>(D, D);
    const std::complex<double> q = -(c1 + s * w) / 2.0;
    // Plain component arithmetic: no library rescaling of infinities.
    const std::complex<double> r1(q.real() / c2, q.imag() / c2);
    // (c0 + 0i) / q by Smith's algorithm, as a runtime's complex division
    // does it: a finite c0 over an infinite q is zero.
    std::complex<double> r2;
    if (std::fabs(q.imag()) <= std::fabs(q.real())) {
        const double r = q.imag() / q.real(), den = q.real() + q.imag() * r;
        r2 = std::complex<double>(c0 / den, -c0 * r / den);
    } else {
        const double r = q.real() / q.imag(), den = q.real() * r + q.imag();
        r2 = std::complex<double>(c0 * r / den, -c0 / den);
    }
    roots[0] = std::complex<float>(static_cast<float>(r1.real()), static_cast<float>(r1.imag()));
    roots[1] = std::complex<float>(static_cast<float>(r2.real()), static_cast<float>(r2.imag()));
}

// A root that is not a number makes the choice not a number: no rule picks
// the other root because a comparison with NaN came out false.
float larger_root(const std::complex<float> roots[2]) {
    float r1 = roots[0].real(), r2 = roots[1].real();
    if (std::isnan(r1)) return r1;
    if (std::isnan(r2)) return r2;
    return r1 < r2 ? r2 : r1;
}

float smaller_root(const std::complex<float> roots[2]) {
    float r1 = roots[0].real(), r2 = roots[1].real();
    if (std::isnan(r1)) return r1;
    if (std::isnan(r2)) return r2;
    return r1 > r2 ? r2 : r1;
}

float sign_rule_root(const std::complex<float> roots[2]) {
    const float r1 = roots[0].real(), r2 = roots[1].real();
    if (std::isnan(r1)) return r1;
    if (std::isnan(r2)) return r2;
    // Both of one sign: the smaller; opposite signs or a zero root (0 times
    // an infinite root included): the larger.
    const bool one_sign = (r1 > 0 && r2 > 0) || (r1 < 0 && r2 < 0);
    return one_sign ? smaller_root(roots) : larger_root(roots);
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
