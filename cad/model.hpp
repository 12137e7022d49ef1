// The reflectors of one design as CAD geometry: each profile an exact conic
// arc, written as rational quadratic Bézier pieces, in the frame of the
// profile file (z along the main axis, the main vertex at the origin).
//
// A surface of revolution (modes 1 and 2) is described in its half plane:
// x is the radius rho.  An offset design (mode 3) is described in its plane
// of symmetry: x is the main frame's x; its surfaces are the parent
// paraboloid trimmed by the aperture's cylinder and the sub conic trimmed by
// the feed cone, given by the frame of the design.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "geometry/antenna.hpp"
#include "study/study.hpp"

namespace cad {

struct Point2 {
    double x = 0, z = 0;
};

// One rational quadratic Bézier arc: the ends p0 and p2 weigh 1, the
// shoulder p1 weighs w.  A conic arc of less than a half turn is exactly one.
struct Arc {
    Point2 p0, p1, p2;
    double w = 1;
};

// A conic in a plane.  parabola: (s, z0 + s^2/(4F)); ellipse: centre +
// a cos(s) u + b sin(s) v; hyperbola: centre + a cosh(s) u + b sinh(s) v.
struct Conic {
    enum class Kind { parabola, ellipse, hyperbola } kind = Kind::parabola;
    double F = 0, z0 = 0;
    Point2 centre, u, v;
    double a = 0, b = 0;
};
Point2 point(const Conic& c, double s);
// The arc of c from parameter s0 to s1, exactly, in pieces of at most a
// quarter of a turn (an ellipse) or of a unit of s (a hyperbola).
std::vector<Arc> arcs(const Conic& c, double s0, double s1);

struct Reflector {
    const char* layer;  // "MAIN" or "SUB"
    Conic conic;
    double s0 = 0, s1 = 0;         // the profile, in the order of the samples
    std::vector<Point2> samples;   // the points of the profile file, as it writes them (floats)
    double kappa = 0;              // the largest curvature of the surface
    Point2 lit_from;               // the point its reflecting side faces: the prime focus, the feed
};

// What the CAD files take of a study: the unit, the tolerance, the thickness.
struct CadOptions {
    std::string dxf, stl, step;
    bool dxf_r12 = false;
    std::string tolerance, thickness;  // as typed; empty: not given
    bool any() const { return !dxf.empty() || !stl.empty() || !step.empty(); }
    // Any CAD option at all, a file or a setting of one.
    bool given() const { return any() || dxf_r12 || !tolerance.empty() || !thickness.empty(); }
};

struct Model {
    bool offset = false;
    double DM = 0;
    std::vector<Reflector> reflectors;  // the main, then the sub when the design has one
    std::optional<geometry::Antenna> antenna;  // a design of trimmed surfaces: its model, origin at the prime focus
    std::vector<geometry::Vec3> sub_rim;         // an offset sub's rim, 256 points in the vertex frame
    int unit = -1;          // index in study::kUnits; -1 when no unit is given
    double tolerance = 0;   // of the mesh
    double thickness = 0;   // 0: surfaces, else solids
    // The time a STEP file's header gives, "YYYY-MM-DDTHH:MM:SS" (UTC):
    // SOURCE_DATE_EPOCH's when it is set, so that runs write the same bytes;
    // empty for the time of writing.
    std::string timestamp;
};

// Checks the options and builds the model of row d (throws
// study::InputError): the ranges are --main-range and --sub-range (or
// their defaults) as the profile file takes them; every radius must be
// non-negative and every sample finite.
Model make_model(const CadOptions& options, const std::string& main_range, const std::string& sub_range,
                 const study::Study& study, const study::Design& d);

}  // namespace cad
