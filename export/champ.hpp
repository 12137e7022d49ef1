// The CHAMP spline object file: a variable z_focal_point, one real
// variable per node height, and a circularly symmetric spline whose node
// table refers to those variables.
#pragma once

#include <cstdint>

#include "export/profile.hpp"
#include "textio/output.hpp"

namespace surface {

// The unit of the CHAMP files.
inline constexpr int kChampUnit = 25;
// Nodes beyond this number are neither declared nor tabled.
inline constexpr std::int32_t kChampMaxNodes = 999;

// True for the length-unit codes that have a label: 1 in, 2 ft, 3 mm, 4 m.
inline bool valid_length_unit(std::int32_t code) { return code >= 1 && code <= 4; }

// The step between node diameters: (stop - start)/(N - 1).  N = 1 divides
// by zero (an infinite step, NaN when start equals stop).
float champ_step(float start, float stop, std::int32_t N);

// Writes the z_focal_point variable (value 0.0) into `out` (open).
void write_champ_focal_point(textio::OutputUnit& out);

// Writes the rest of the file and closes it: the node variables zmain<i>
// (zsub<i> for the subreflector) for i = 1..min(N, 999), the spline object
// with the unit label of `unit_code`, its node table, and the closing.
void write_champ_nodes(textio::OutputUnit& out, std::int32_t N, float start, float step,
                       std::int32_t unit_code, const Profile& profile);

}  // namespace surface
