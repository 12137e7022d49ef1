// Helpers shared by the solver families (internal to geometry/).
//
// The solvers evaluate every formula in double precision and round the
// result to single precision when it is stored in an output; a later step
// that needs that output reads the stored single-precision value.
#pragma once

#include <cmath>

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

}  // namespace geometry::detail
