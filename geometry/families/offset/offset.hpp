// Offset dual-reflector designs (design mode 3): a classical, cross-polar
// free offset Cassegrain or Gregorian, sized in closed form from one of 31
// sets of prescribed quantities.
//
// The frame: origin at the prime focus O, the common focus of the
// paraboloid and the sub conic; z along the main axis, from the main vertex
// toward O; the main surface z = (x^2 + y^2) / (4 FM) - FM; the aperture, a
// circle of diameter DM about (H, 0) in the xy plane, offset toward +x.
// The sub conic has its other focus, the feed phase centre F', at
// -C2 (sin BETA, 0, cos BETA); a Cassegrain uses the hyperboloid branch
// between O and the main (e > 1), a Gregorian the ellipsoid beyond O.  The
// feed axis makes the angle ALPHA with the sub axis, with
// tan(ALPHA/2) = M tan(BETA/2), M = |(e+1)/(e-1)| (no cross-polarisation),
// and its ray reaches the aperture centre; the feed cone of half angle TE
// then lights exactly the aperture circle, DM = 4 FEQ tan(TE/2).
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "geometry/antenna.hpp"
#include "geometry/solvers.hpp"

namespace geometry {

inline constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// What a case takes.  Angles are in degrees; a quantity not given is NaN.
struct OffsetInputs {
    float t = 0;  // -1 Cassegrain, +1 Gregorian
    float DM = kNoValue, FM = kNoValue, H = kNoValue, HC = kNoValue, TH0 = kNoValue;
    float BETA = kNoValue, ALPHA = kNoValue, E = kNoValue, TE = kNoValue, FDE = kNoValue;
    float DS = kNoValue, LS = kNoValue, LSM = kNoValue, C2 = kNoValue, DFPR = kNoValue, DSRPR = kNoValue;
    float DF = kNoValue;  // the feed aperture diameter, when a horn is given
    int root = 1;         // with E: 1 the design of smaller BETA, 2 the other
};

// A solved design, angles in degrees.  Values a case cannot reach are NaN.
struct OffsetDesign {
    float t = 0;
    float DM, FM, H, HC, TH0, BETA, ALPHA, E, TE, FDE, AS, FS, C2, DS, DSY, LS, LSM, FEQ, M, DFPR, DSRPR;
    float DF, chord, feed_axis, length, height;
};

// The cases, numbered as documented: 1 to 24 take DM, FM, one of H, HC and
// TH0, a shape quantity and a scale quantity (case = 6 x shape + scale + 1);
// 25 to 30 take DM, TH0, TE (or FDE), BETA and a scale quantity; 31 takes
// DM, TH0, BETA, LS and DFPR.
inline constexpr int kOffsetCases = 31;
inline constexpr std::array<std::string_view, 4> kOffsetShapes = {"BETA", "E", "ALPHA", "TE"};
inline constexpr std::array<std::string_view, 6> kOffsetScales = {"DS", "LS", "LSM", "C2", "DFPR", "DSRPR"};

// The names a case prescribes, in order: "DM", "FM", "H" (standing for H,
// HC or TH0: "MAIN"), the shape ("TE" standing for TE or FDE), the scale.
struct OffsetCaseNames {
    std::array<std::string_view, 5> names;
};
OffsetCaseNames offset_case_names(int number);

// Solves case `number`.  The status is no_real_root when the shape step's
// quadratic has no real root (or the root asked for does not exist).
Status solve_offset(int number, const OffsetInputs& in, OffsetDesign& out);

// A design in double: the shape (angles in radians), the size a = AS and
// the main reflector.
struct OffsetFrame {
    double t, DM, FM, H, beta, e, alpha, te, a;
    double c, p, tilt;  // tilt: the feed axis from +z toward +x
    Vec3 feed, w, axis, across;  // F'; unit F'->O; feed axis; in-plane normal of the axis

    OffsetFrame(double t_, double DM_, double FM_, double H_, double beta_, double e_, double alpha_, double te_, double a_)
        : t(t_), DM(DM_), FM(FM_), H(H_), beta(beta_), e(e_), alpha(alpha_), te(te_), a(a_) {
        c = a * e;
        p = a * (1 - e * e);
        feed = {-2 * c * std::sin(beta), 0, -2 * c * std::cos(beta)};
        w = {std::sin(beta), 0, std::cos(beta)};
        // The feed axis is turned from F'->O by -ALPHA (Cassegrain: toward
        // the aperture) or +ALPHA (Gregorian).
        const double xi = t < 0 ? -alpha : alpha;
        tilt = beta - xi;
        axis = {std::sin(tilt), 0, std::cos(tilt)};
        across = {std::cos(tilt), 0, -std::sin(tilt)};
    }
    // Where a feed ray of unit direction u meets the sub conic: the focal
    // polar form r' = p / (1 - e cos psi) about F'.
    Vec3 sub(Vec3 u) const { return feed + (p / (1 - e * dot(u, w))) * u; }
    // The feed ray at angle s from the axis, in the plane of symmetry.
    Vec3 ray(double s) const { return std::cos(s) * axis + std::sin(s) * across; }
    // The feed ray at angle s from the axis, turned by t about it from the
    // plane of symmetry.
    Vec3 ray(double s, double t) const {
        return std::cos(s) * axis + std::sin(s) * (std::cos(t) * across + std::sin(t) * Vec3{0, 1, 0});
    }
    Vec3 sub_centre() const { return sub(axis); }
    Vec3 sub_edge(int k) const { return sub(ray(k == 0 ? te : -te)); }
    Vec3 main_at(double x) const { return {x, 0, x * x / (4 * FM) - FM}; }
    // The width of the rim across the plane of symmetry: the feed cone
    // u = cos TE axis + sin TE (cos s across + sin s y) meets the conic at
    // y = p sin TE sin s / (A - B cos s), A = 1 - e cos TE cos ALPHA,
    // B = e sin TE sin ALPHA, whose largest |y| is |p| sin TE / sqrt(A^2 - B^2).
    double rim_width_y() const {
        const double A = 1 - e * std::cos(te) * std::cos(alpha), B = e * std::sin(te) * std::sin(alpha);
        return 2 * std::fabs(p) * std::sin(te) / std::sqrt(A * A - B * B);
    }
    // The distance from O to the sub along an outgoing ray v toward the main.
    double sub_distance(Vec3 v) const {
        const double cos_phi = -dot(v, w);  // the angle between v and O->F'
        return std::fabs(a * (e * e - 1)) / (1 + e * cos_phi);
    }
};

// The frame of a solved design, from its stored values.
OffsetFrame offset_frame(const OffsetDesign& d);

// Points of a solved design in the plane of symmetry (x, z), for checks
// and pictures, computed again in double from its stored values.
struct OffsetPoint {
    double x = 0, z = 0;
};
struct OffsetPoints {
    OffsetPoint feed;                   // F'
    OffsetPoint sub_centre, sub_edge[2];  // where the central and edge rays meet the sub
    OffsetPoint main_centre, main_edge[2];
};
OffsetPoints offset_points(const OffsetDesign& d);

// Whether a point (x, y, z) lies inside the bundle of rays between the sub
// and the main reflector (or, for a Gregorian, passing through O between
// them).
bool inside_ray_bundle(const OffsetDesign& d, double x, double y, double z);

// Whether the feed stands in the beam: its phase centre (or, with DF, the
// aperture of its horn, a cone on the feed axis whose aperture edge lies on
// the edge ray) inside the beam column of the aperture or inside the bundle
// of rays between sub and main, or the horn's aperture at or beyond the sub.
bool feed_blocks(const OffsetDesign& d);

// The largest relative residual of the design's defining relations: the
// cross-polar condition, the centring of the feed axis on the aperture,
// DM = 4 FEQ tan(TE/2), and C2 = 2 FS = 2 E AS.
double offset_inconsistency(const OffsetDesign& d);

}  // namespace geometry
