// The arithmetic of sweeps and feed angles, shared by every front end: the
// row count of a start,stop,step range, the swept value of a row, and the
// conversions of typed feed angles to radians and of solved ones back to
// degrees.
#pragma once

#include <cstdint>

namespace geometry {

// The count of a start,stop,step range: (stop - start) / step + 1.4, with
// the single-precision 1.4 (1.39999998), evaluated in double and truncated
// toward zero.  False, and n untouched, when the count is NaN, infinite or
// beyond 32 bits (a step of 0 among them).  The export's point count of an
// .rsf file follows the same rule.
bool range_count(float start, float stop, float step, std::int32_t& n);

// Rows of a sweep: the range count, where a negative count is kept as it is
// (no rows either) and a range without a count gives 0.
std::int32_t row_count(float start, float stop, float step);

// The swept value of row i (1-based): (i - 1) * step + start, computed
// afresh from the index.
float swept_value(float start, float step, std::int32_t i);

// TE in radians for one typed feed angle answer: degrees when 0 or
// positive, minus the effective f/D when negative.
float angle_of_answer(float answer);

// TE in radians for a row of a TE sweep: the value is an effective f/D with
// angle input type 2 and an angle in degrees with any other type.
float swept_angle(float value, std::int32_t angle_type);

// A solved TE (radians) in degrees: the single-precision quotient by the
// degree factor.
float degrees(float te);

}  // namespace geometry
