// The antenna a solved design describes, whatever its family: the
// reflectors as conic surfaces with their rims, the feed, the aperture and
// the frame.  Pictures, surface files, CAD files and analysis read this.
//
// The frame: origin at the prime focus O (the main reflector's focus), z
// along the main axis from the main vertex toward O, x in the plane of
// symmetry (toward the aperture of an offset design), y across it.
#pragma once

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace geometry {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double norm(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline Vec3 unit(Vec3 a) { return (1 / norm(a)) * a; }

// A conic surface of revolution in focal polar form: the point seen from
// the focus along the unit direction u lies at distance p / (1 - e u.w),
// where w is the unit axis from the focus toward the other focus (or, for
// a paraboloid, away from its vertex).  e = 0 is a sphere, e < 1 an
// ellipsoid, e = 1 a paraboloid (p = 2 F), e > 1 a hyperboloid; a plane is
// e = inf, its distance from the focus along -w being p / e.
struct Conic {
    Vec3 focus, w{0, 0, 1};
    double e = 1, p = 0;
    double a = std::numeric_limits<double>::quiet_NaN();  // an ellipsoid's or hyperboloid's semi-axis, as solved

    double distance(Vec3 u) const { return p / (1 - e * dot(u, w)); }
    Vec3 from_focus(Vec3 u) const { return focus + distance(u) * u; }
    // The height above its vertex (the one nearer the focus, along w) at
    // distance rho from its axis, for a surface of revolution.
    double sag(double rho) const;
    // The unit normal at a point of the surface, on the side of the focus.
    Vec3 normal(Vec3 x) const;
    // The first point (smallest t > 0) where the ray o + t k meets the
    // surface; false when it does not.
    bool hit(Vec3 o, Vec3 k, double& t) const;
    // Every t (none, one or two) where the line o + t k meets the surface.
    int crossings(Vec3 o, Vec3 k, double t[2]) const;
};

// The direction of a ray k after reflection at a surface of unit normal n.
inline Vec3 reflect(Vec3 k, Vec3 n) { return k - (2 * dot(k, n)) * n; }

// Where a reflector ends: a surface of revolution within a radius of its
// axis (the cylinder about the axis), or a surface cut by a cylinder
// parallel to the main axis (an offset main) or by a cone from the feed.
struct Trim {
    enum class Kind { cylinder, cone } kind = Kind::cylinder;
    Vec3 centre;   // cylinder: a point of its axis; cone: its apex
    Vec3 axis{0, 0, 1};  // unit
    double size = 0;     // cylinder: radius; cone: half angle in radians
};

struct Reflector {
    std::string_view name;  // "main", "sub"
    Conic surface;
    Trim trim;
    bool revolved = false;  // a surface of revolution about the main axis
    bool failed = false;    // a failed check lies with it
    // The rim's widths in the plane of symmetry and across it, as solved.
    double width_x = std::numeric_limits<double>::quiet_NaN(), width_y = width_x;
    // The rim: n points around it.
    std::vector<Vec3> rim(int n) const;
    // The profile in the plane of symmetry (y = 0): n points (n >= 2) from
    // one side of the rim to the other.
    std::vector<Vec3> profile(int n) const;
};

struct Feed {
    Vec3 phase_centre, axis{0, 0, 1};
    double half_angle = 0;  // radians, to the rim it lights
    double half_angle_degrees = 0;  // the same as solved
    double horn_diameter = std::numeric_limits<double>::quiet_NaN();  // when given
    bool failed = false;
};

struct Aperture {
    Vec3 centre;              // in the plane z = 0 through O
    double diameter = 0;
    double blocked = 0;       // the diameter of the shadow about the axis of revolution (0: none)
};

struct Antenna {
    bool solved = false;  // false: the row has no finite design to describe
    std::string_view type;  // "cassegrain", "gregorian", "prime", ...
    Reflector main;
    std::optional<Reflector> sub;
    Feed feed;
    Aperture aperture;
    double focal_length = 0;  // of the main reflector

    // In the plane of symmetry: the feed ray at angle s from the feed axis
    // (toward +x for s > 0), and turned by t about the axis from the plane.
    Vec3 across() const { return {feed.axis.z, 0, -feed.axis.x}; }
    Vec3 feed_ray(double s) const { return std::cos(s) * feed.axis + std::sin(s) * across(); }
    Vec3 feed_ray(double s, double t) const {
        return std::cos(s) * feed.axis + std::sin(s) * (std::cos(t) * across() + std::sin(t) * Vec3{0, 1, 0});
    }
    // A body of revolution about the main axis lit from the axis: both
    // reflectors and their rims turned about it, the feed on it, looking
    // along it.
    bool axially_symmetric() const {
        auto on_axis = [](Vec3 p) { return p.x == 0 && p.y == 0; };
        auto of_revolution = [&](const Reflector& r) {
            return r.revolved && on_axis(r.surface.focus) && on_axis(r.surface.w) && on_axis(r.trim.centre) &&
                   on_axis(r.trim.axis);
        };
        return of_revolution(main) && (!sub || of_revolution(*sub)) && on_axis(feed.phase_centre) &&
               on_axis(feed.axis) && feed.axis.z != 0;
    }
    // The point of the sub a feed ray meets (the feed at its focus).
    Vec3 sub_at(Vec3 u) const { return sub->surface.from_focus(u); }
    // The main paraboloid's point above x in the plane of symmetry.
    Vec3 main_at(double x) const {
        const double F = main.surface.p / 2;
        return {x, 0, x * x / (4 * F) - F};
    }
};

}  // namespace geometry
