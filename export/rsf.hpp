// The .rsf surface file: a label record, a count record and one
// (radius, z) record per sample.
#pragma once

#include <cstdint>
#include <string_view>

#include "export/profile.hpp"
#include "textio/output.hpp"

namespace surface {

// The unit of the .rsf files.
inline constexpr int kRsfUnit = 40;

// The number of samples of a diameter range: (stop - start)/step + 1.4,
// truncated toward zero (so a range that ends a little past a whole step
// still gets its last sample, and one that runs away from stop gets a
// count of zero or below).  The sum is formed in double from the single-
// precision answers; 1.4 is the single-precision constant 1.39999998.
// Returns false, leaving N alone, when that count is not a finite number
// within the 32-bit range (a step of 0 among others).
bool rsf_point_count(float start, float stop, float step, std::int32_t& N);

// Writes the whole file into `out` (open) and closes it: the label as an
// A40 record, the count record "N 1 0" (3I4), then for i = 1..N the radius
// and height of sample i (1P,E13.6,E14.6).  N <= 0 writes no points.
void write_rsf(textio::OutputUnit& out, std::string_view label, std::int32_t N, float start,
               float step, const Profile& profile, float direction, float offset);

}  // namespace surface
