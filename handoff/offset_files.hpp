// Files of one offset design (mode 3) for reflector-analysis tools: TICRA
// regular-grid surface files of the main reflector and the subreflector,
// the design as analytic GRASP objects (.tor), and the profile of both
// reflectors in the plane of symmetry.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "study/study.hpp"

namespace handoff {

// Grid points along x and y of a surface file: --grid N or NX,NY.
struct Grid {
    int nx = 101, ny = 101;
};
// Reads N or NX,NY (6 to 10001 each); throws study::InputError.
Grid parse_grid(const std::string& text);

// A regular xy-grid surface file: a text line, then XS YS XE YE, then NX
// NY, then z at every grid point, y running fastest, four values a line in
// E format.  The main reflector's grid is in the main frame (vertex at the
// origin, z along the main axis) and covers the rim with a margin of two
// cells.  The subreflector's is in a frame whose z axis is normal to the
// plane of its rim (origin at the rim's centre, x in the plane of
// symmetry), where the surface is single-valued however deep the conic;
// beyond the rim the surface continues.  I/O failures raise textio::IoError.
void write_sfc(const std::string& path, const study::Study& study, const study::Design& d, bool sub, Grid grid);

// The design as GRASP objects: coordinate systems of the main reflector,
// the sub and the feed (axes written out), the paraboloid and the sub
// conic, elliptical rims, the two reflectors and a Gaussian feed of the
// given taper (positive dB) at the feed half angle.  The sub's frame has
// its origin at the prime focus and its z axis along the sub axis toward
// the feed; one more frame, sub_grid_coor, places the sub's .sfc grid.
// Lengths carry the study's unit, which must be given.
void write_tor(const std::string& path, const study::Study& study, const study::Design& d);

// The points of the profile of an offset design: 21 a curve, x and z in
// the main frame (vertex at the origin), as floats.  The main curve runs
// across the aperture in x; the sub curve from the feed ray at +TE to the
// one at -TE.
struct OffsetProfilePoint {
    float x, z;
};
std::array<std::vector<OffsetProfilePoint>, 2> offset_profile_samples(const geometry::Antenna& a);

// Both curves in the plane of symmetry as x,z points in the main frame
// (vertex at the origin): reflector,x,z.
void write_offset_profile(const std::string& path, const geometry::Antenna& a);

// Throws study::InputError unless these files apply: an offset study and,
// for the .tor file, a unit.
void check_offset_files(const study::Study& study, bool tor, bool sub = false);

}  // namespace handoff
