// What both optics take of the feed: its frame, its amplitude pattern and
// its polarisation (a balanced feed, Ludwig's third definition), and the
// co- and cross-polar references of the far field.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <utility>

#include "geometry/antenna.hpp"
#include "radiate/radiate.hpp"

namespace radiate::detail {

using cd = std::complex<double>;

// A complex vector.
struct CVec {
    cd x, y, z;
};
inline CVec operator*(cd s, const geometry::Vec3& v) { return {s * v.x, s * v.y, s * v.z}; }
inline CVec operator+(const CVec& a, const CVec& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

struct Feed {
    geometry::Vec3 centre, x, y, z;  // phase centre; z its axis, x in the plane of symmetry
    double theta_t = 0, taper_db = 0, q = 0;
    FeedKind kind = FeedKind::gaussian;
    Polarisation pol = Polarisation::x;

    // The feed of a design, its axis turned by the settings' tilt (a test's
    // hook), its taper at the settings' angle or the design's half angle.
    static Feed of(const geometry::Antenna& an, const Settings& st) {
        Feed f;
        geometry::Vec3 z = an.feed.axis;
        if (st.tilt != 0) {
            const double c = std::cos(st.tilt), s = std::sin(st.tilt);
            z = {c * z.x + s * z.z, z.y, -s * z.x + c * z.z};
        }
        f.centre = an.feed.phase_centre;
        f.z = z;
        f.x = geometry::unit(geometry::Vec3{z.z, 0, -z.x});
        f.y = geometry::cross(z, f.x);
        f.theta_t = st.taper_angle > 0 ? st.taper_angle : an.feed.half_angle;
        f.taper_db = st.taper_db;
        f.q = -st.taper_db / (20 * std::log10(std::cos(f.theta_t)));
        f.kind = st.feed;
        f.pol = st.pol;
        return f;
    }

    // The field's amplitude at th from the axis: nothing behind the feed.
    double amplitude(double th) const {
        constexpr double kPi = 3.14159265358979323846;
        if (th >= kPi / 2) return 0.0;
        if (kind == FeedKind::cosq) return std::pow(std::cos(th), q);
        const double r = th / theta_t;
        return std::pow(10.0, -(taper_db / 20) * r * r);
    }

    // The unit field it radiates at feed angles (th, ph).
    CVec polarisation(double th, double ph) const {
        const double h = 1 / std::sqrt(2.0);
        const geometry::Vec3 that = std::cos(th) * (std::cos(ph) * x + std::sin(ph) * y) + (-std::sin(th)) * z;
        const geometry::Vec3 phat = -std::sin(ph) * x + std::cos(ph) * y;
        const geometry::Vec3 ex = std::cos(ph) * that + (-std::sin(ph)) * phat,
                             ey = std::sin(ph) * that + std::cos(ph) * phat;
        if (pol == Polarisation::y) return cd(1) * ey;
        if (pol == Polarisation::rhc) return cd(h) * ex + cd(0, -h) * ey;
        if (pol == Polarisation::lhc) return cd(h) * ex + cd(0, h) * ey;
        return cd(1) * ex;
    }

    // Its far field along the unit direction u: E r e^{jkr} at distance r.
    CVec field(geometry::Vec3 u) const {
        const double cz = geometry::dot(u, z);
        if (!(cz > 0)) return {};
        const double th = std::acos(std::min(cz, 1.0)), ph = std::atan2(geometry::dot(u, y), geometry::dot(u, x));
        const CVec e = polarisation(th, ph);
        const double f = amplitude(th);
        return {f * e.x, f * e.y, f * e.z};
    }
};

// The co- and cross-polar references of a far field propagating along +z:
// one reflection turns a circular wave's hand, two keep it.
struct References {
    CVec co{1, 0, 0}, cross{0, 1, 0};
    bool co_right = false;  // circular: the co-polar field is the right-hand one
};
inline References references_of(Polarisation pol, bool one_reflection) {
    References r;
    const double h = 1 / std::sqrt(2.0);
    if (pol == Polarisation::y) std::swap(r.co, r.cross);
    if (pol == Polarisation::rhc || pol == Polarisation::lhc) {
        const bool right = (pol == Polarisation::rhc) != one_reflection;
        r.co_right = right;
        r.co = {h, right ? cd(0, -h) : cd(0, h), 0};
        r.cross = {h, right ? cd(0, h) : cd(0, -h), 0};
    }
    return r;
}

}  // namespace radiate::detail
