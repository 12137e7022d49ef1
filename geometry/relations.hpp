// Helpers shared by the solver families (internal to geometry/).
//
// The solvers evaluate every formula in double precision and round the
// result to single precision when it is stored in an output; a later step
// that needs that output reads the stored single-precision value.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>

#include "geometry/model.hpp"

namespace geometry::detail {

// Round value to single precision into out and return the stored value, so
// that later steps see exactly what the caller will see.
inline double store(float& out, double value) {
    out = static_cast<float>(value);
    return out;
}

// Feed half subtended angle from DM, FM, DS and FS.  The one-argument
// arctangent keeps the angle between -pi/2 and pi/2: a negative denominator
// gives a negative angle, not one beyond 90 degrees.
inline double feed_angle(double t, double DM, double FM, double DS, double FS) {
    return std::atan(8 * FM * DM * DS / (32 * FS * FM * DM + t * DS * (16 * FM * FM - DM * DM)));
}

// Distance LS from the feed point to the subreflector vertex, from DM, FM,
// FS and the feed angle TE (radians).  The solvers follow it with AS = LS - FS.
inline double feed_to_vertex(double t, double DM, double FM, double FS, double TE) {
    return 2 * t * DM * FS / (t * DM - 4 * FM * std::tan(TE / 2));
}

// The relations of the subreflector vertex for given DM, FM and LS, with
// T = tan(TE / 2): the feed position LM and the conic's AS and FS.
inline double vertex_to_feed(double t, double DM, double FM, double LS, double T) {
    return ((FM - LS) * t * DM + 4 * LS * FM * T) / (t * DM);
}
inline double conic_axis(double t, double DM, double FM, double LS, double T) {
    return (t * DM + 4 * FM * T) * LS / (2 * t * DM);
}
inline double conic_focal(double t, double DM, double FM, double LS, double T) {
    return (t * DM - 4 * FM * T) * LS / (2 * t * DM);
}

// Calls QUADR on the stored coefficients; false when its discriminant is
// negative (the solver then returns at once).
inline bool real_roots(const float c[3], std::complex<float> roots[2]) {
    std::int32_t status = 0;
    QUADR(c, roots, status);
    return status == 0;
}

}  // namespace geometry::detail
