// The parameter set of one dual-reflector design, and the quadratic-root
// routine shared by the solvers.
#pragma once

#include "textio/bits.hpp"
#include <bit>
#include <complex>
#include <cstdint>

namespace geometry {

// One axially symmetric dual-reflector design.  Lengths are in whatever
// unit the user types; TE is in radians.  Every member is single precision.
struct DualReflectorGeometry {
    float t = 0;   // reflector type: -1 Cassegrain, +1 Gregorian
    float DM = 0;  // main reflector diameter
    float FM = 0;  // main reflector focal length
    float LM = 0;  // main vertex to feed point
    float DS = 0;  // subreflector diameter
    float LS = 0;  // feed point to subreflector vertex
    float TE = 0;  // feed half subtended angle (radians)
    float AS = 0;  // subreflector semi-axis a
    float FS = 0;  // subreflector half focal distance c
    float LT = 0;  // total length
    float DF = 0;  // feed diameter (minimum blockage)
    float LP = 0;  // phase-centre depth behind the feed aperture
};

// pi/180 rounded to single precision.
inline constexpr float kDegreeFactor = textio::bit_cast<float>(std::uint32_t{0x3C8EFA35u});

// Roots of c[2]*x^2 + c[1]*x + c[0] = 0 in the cancellation-free form.
// status is 1 when the discriminant is negative, else 0.  Neither c[2] nor
// the intermediate q is tested for zero.
void QUADR(const float c[3], std::complex<float> roots[2], std::int32_t& status);

// Root choices over the real parts of QUADR's two roots.
float larger_root(const std::complex<float> roots[2]);
float smaller_root(const std::complex<float> roots[2]);
// Both roots of one sign: the smaller; otherwise (or a zero root) the larger.
float sign_rule_root(const std::complex<float> roots[2]);

// Total length of the design from FM, DS, AS and FS.  Cassegrain (t exactly
// -1) and Gregorian (t exactly +1) only; any other type leaves LT as it is.
void total_length(DualReflectorGeometry& g);

// The largest relative residual of the design identities (FM = LM + 2 FS,
// LS = FS + AS, the feed-angle relation and, in mode 2, the blockage
// condition), each relative to the size of its terms.
double inconsistency(const DualReflectorGeometry& g, bool blockage);

}  // namespace geometry
