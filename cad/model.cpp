#include "cad/model.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numbers>

#include "cad/files.hpp"
#include "export/profile.hpp"
#include "handoff/exports.hpp"
#include "handoff/offset_files.hpp"

namespace cad {
namespace {

using study::InputError;
constexpr double kPi = 3.14159265358979323846;

// A positive number given as text, or the default when empty.
double positive(const std::string& text, const char* option, double fallback) {
    if (text.empty()) return fallback;
    float v = 0;
    if (!study::parse_number(text, v) || !(v > 0) || !std::isfinite(v))
        throw InputError(std::string(option) + " " + text + ": give a positive number (a length in the design's unit)");
    return v;
}

Point2 operator+(Point2 p, Point2 q) { return {p.x + q.x, p.z + q.z}; }
Point2 operator-(Point2 p, Point2 q) { return {p.x - q.x, p.z - q.z}; }
Point2 operator*(double s, Point2 p) { return {s * p.x, s * p.z}; }
double dot(Point2 p, Point2 q) { return p.x * q.x + p.z * q.z; }

// The main reflector: the paraboloid of focal length F about z, vertex at
// the origin, lit from its focus.
void paraboloid(Reflector& main, double F) {
    main.layer = "MAIN";
    main.conic.kind = Conic::Kind::parabola;
    main.conic.F = F;
    main.kappa = 1 / (2 * F);
    main.lit_from = {0, F};
}

// The profile of an axisymmetric design: the float samples of the profile
// file, and the conic they lie on.
void revolved(Model& m, const std::string& main_range, const std::string& sub_range, const geometry::Antenna& an) {
    handoff::ExportPlan plan;  // the profile's own frame: direction 1, no z offset
    plan.main = handoff::sample_range(main_range, "--main-range", static_cast<float>(an.aperture.diameter));
    if (an.sub) plan.sub = handoff::sample_range(sub_range, "--sub-range", static_cast<float>(an.sub->width_x));
    else if (!sub_range.empty()) throw InputError("--sub-range needs a subreflector, and this design has none");
    const auto samples = handoff::profile_samples(plan, an);
    const surface::DesignProfiles ps = handoff::profiles_of(an);

    m.reflectors.resize(an.sub ? 2 : 1);
    Reflector& main = m.reflectors[0];
    paraboloid(main, ps.main.FM);
    if (!(main.conic.F > 0 && std::isfinite(main.conic.F)))
        throw InputError("the main reflector of this row has no positive finite focal length: no CAD file to write");
    if (an.sub) {
        Reflector& sub = m.reflectors[1];
        sub.layer = "SUB";
        sub.lit_from = {0, ps.sub.zF};
        const double a = ps.sub.a, b = ps.sub.b;
        sub.conic.kind = ps.sub.t > 0 ? Conic::Kind::ellipse : Conic::Kind::hyperbola;
        sub.conic.centre = {0, ps.sub.zC};
        sub.conic.u = {0, 1};
        sub.conic.v = {1, 0};
        sub.conic.a = a;
        sub.conic.b = b;
        sub.kappa = std::fabs(a) / (b * b);
        if (ps.sub.t > 0) sub.kappa = std::max(sub.kappa, b / (a * a));
        if (!(std::isfinite(a) && std::isfinite(b) && b > 0 && std::isfinite(ps.sub.zC) && (ps.sub.t == 1 || ps.sub.t == -1)))
            throw InputError("the subreflector of this row is no finite conic: no CAD file to write");
    }

    for (std::size_t r = 0; r < m.reflectors.size(); ++r) {
        Reflector& R = m.reflectors[r];
        const char* option = r == 0 ? "--main-range" : "--sub-range";
        const handoff::ProfileSamples& p = samples[r];
        for (std::size_t i = 0; i < p.rho.size(); ++i) {
            if (!(p.rho[i] >= 0) || !std::isfinite(p.z[i]))
                throw InputError(std::string(option) + " gives the radius " + std::to_string(p.rho[i]) +
                                 (p.rho[i] >= 0 ? ", where the surface is not finite" : ", below zero") +
                                 ": no CAD file to write");
            R.samples.push_back({p.rho[i], p.z[i]});
        }
        if (R.samples.size() < 2 || R.samples.front().x == R.samples.back().x)
            throw InputError(std::string(option) + " gives a single radius: a CAD file needs a width");
        auto param = [&](double rho) {
            if (R.conic.kind == Conic::Kind::parabola) return rho;
            if (R.conic.kind == Conic::Kind::ellipse) return std::asin(std::min(1.0, rho / R.conic.b));
            return std::asinh(rho / R.conic.b);
        };
        R.s0 = param(R.samples.front().x);
        R.s1 = param(R.samples.back().x);
    }
}

// An offset design: the parabola across the aperture and the sub conic of
// foci O and F' between the edge rays, in the plane of symmetry.
void trimmed(Model& m, const geometry::Antenna& an) {
    m.antenna = an;
    const auto samples = handoff::offset_profile_samples(an);
    const double R = an.aperture.diameter / 2, F = an.focal_length, H = an.aperture.centre.x, te = an.feed.half_angle;

    m.reflectors.resize(an.sub ? 2 : 1);
    Reflector& main = m.reflectors[0];
    paraboloid(main, F);
    main.s0 = H - R;
    main.s1 = H + R;
    if (!an.sub) {
        if (!(F > 0 && std::isfinite(F) && std::isfinite(H) && R > 0 && std::isfinite(R)))
            throw InputError("this row is no finite offset design: no CAD file to write");
        for (const handoff::OffsetProfilePoint& p : samples[0]) main.samples.push_back({p.x, p.z});
        return;
    }
    const geometry::Conic& fr = an.sub->surface;

    Reflector& sub = m.reflectors[1];
    sub.layer = "SUB";
    const double e = fr.e, a = std::fabs(fr.a);
    const bool ellipse = e < 1;
    const double b = a * std::sqrt(std::fabs(1 - e * e));
    const geometry::Vec3 feed3 = an.feed.phase_centre;
    const Point2 O{0, F}, feed{feed3.x, feed3.z + F};
    sub.lit_from = feed;
    Conic& c = sub.conic;
    c.kind = ellipse ? Conic::Kind::ellipse : Conic::Kind::hyperbola;
    c.centre = 0.5 * (O + feed);
    c.u = {fr.w.x, fr.w.z};
    c.v = {-c.u.z, c.u.x};
    c.a = a;
    c.b = b;
    sub.kappa = ellipse ? std::max(a / (b * b), b / (a * a)) : a / (b * b);
    if (!(std::isfinite(a) && std::isfinite(b) && a > 0 && b > 0 && F > 0 && std::isfinite(F) && std::isfinite(H) &&
          std::isfinite(te) && te > 0))
        throw InputError("this row is no finite offset design: no CAD file to write");

    // Every feed ray of the cone must meet the sub: a cone past the
    // hyperboloid's asymptote lights no bounded surface.
    for (int k = 0; k <= 256; ++k) {
        const double s = 2 * kPi * k / 256;
        const geometry::Vec3 u = k == 256 ? an.feed.axis : an.feed_ray(te, s);
        const geometry::Vec3 q = an.sub_at(u);
        if (!(geometry::dot(q - feed3, u) > 0) || !std::isfinite(q.x + q.y + q.z))
            throw InputError("the feed cone of this row reaches past the sub conic (its asymptote): no bounded "
                             "subreflector, no CAD file to write");
        if (k < 256) m.sub_rim.push_back(q + geometry::Vec3{0, 0, F});
    }
    auto in_plane = [&](geometry::Vec3 p) { return Point2{p.x, p.z + F}; };
    auto param = [&](Point2 p) {
        const double X = dot(p - c.centre, c.u), Y = dot(p - c.centre, c.v);
        if (ellipse) return std::atan2(Y / b, X / a);
        return std::asinh(Y / b);
    };
    const Point2 first = in_plane(an.sub_at(an.feed_ray(te))), last = in_plane(an.sub_at(an.feed_ray(-te)));
    const Point2 middle = in_plane(an.sub_at(an.feed.axis));
    if (!ellipse && dot(middle - c.centre, c.u) < 0) c.a = -a;  // the branch the sub lies on
    const double sc = param(middle);
    auto near_middle = [&](double s) {  // an ellipse's arc is the one through the centre point
        if (!ellipse) return s;
        return sc + std::remainder(s - sc, 2 * kPi);
    };
    sub.s0 = near_middle(param(first));
    sub.s1 = near_middle(param(last));

    for (std::size_t r = 0; r < 2; ++r)
        for (const handoff::OffsetProfilePoint& p : samples[r]) m.reflectors[r].samples.push_back({p.x, p.z});
}

}  // namespace

Point2 point(const Conic& c, double s) {
    switch (c.kind) {
    case Conic::Kind::parabola:
        return {s, c.z0 + s * s / (4 * c.F)};
    case Conic::Kind::ellipse:
        return c.centre + (c.a * std::cos(s)) * c.u + (c.b * std::sin(s)) * c.v;
    case Conic::Kind::hyperbola:
        break;
    }
    return c.centre + (c.a * std::cosh(s)) * c.u + (c.b * std::sinh(s)) * c.v;
}

std::vector<Arc> arcs(const Conic& c, double s0, double s1) {
    // The parabola is one polynomial piece; a piece of an ellipse spans at
    // most a quarter turn, one of a hyperbola at most a unit of s.
    const double span = std::fabs(s1 - s0);
    const int pieces = c.kind == Conic::Kind::parabola ? 1
                                                       : std::max(1, static_cast<int>(std::ceil(
                                                                         span / (c.kind == Conic::Kind::ellipse ? kPi / 2 : 1.0))));
    std::vector<Arc> out;
    for (int k = 0; k < pieces; ++k) {
        const double t0 = s0 + (s1 - s0) * k / pieces, t1 = k + 1 == pieces ? s1 : s0 + (s1 - s0) * (k + 1) / pieces;
        Arc arc;
        arc.p0 = point(c, t0);
        arc.p2 = point(c, t1);
        const double half = (t1 - t0) / 2, mid = (t0 + t1) / 2;
        switch (c.kind) {
        case Conic::Kind::parabola:
            arc.p1 = {mid, c.z0 + t0 * t1 / (4 * c.F)};
            arc.w = 1;
            break;
        case Conic::Kind::ellipse:
            arc.w = std::cos(half);
            arc.p1 = c.centre + (c.a * std::cos(mid) / arc.w) * c.u + (c.b * std::sin(mid) / arc.w) * c.v;
            break;
        case Conic::Kind::hyperbola:
            arc.w = std::cosh(half);
            arc.p1 = c.centre + (c.a * std::cosh(mid) / arc.w) * c.u + (c.b * std::sinh(mid) / arc.w) * c.v;
            break;
        }
        out.push_back(arc);
    }
    return out;
}

// SOURCE_DATE_EPOCH (seconds since 1970, the reproducible-builds
// convention) as a STEP time; empty when it is not set.
static std::string source_date() {
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (text == nullptr) return {};
    long long seconds = -1;
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, seconds);
    if (r.ec != std::errc() || r.ptr != end || seconds < 0 || seconds > 253402300799LL)  // to 9999-12-31
        throw InputError(std::string("SOURCE_DATE_EPOCH must be a whole number of seconds since 1970, not '") + text + "'");
    const auto t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &utc);
    return buf;
}

Model make_model(const CadOptions& o, const std::string& main_range, const std::string& sub_range,
                 const study::Study& study, const study::Design& d) {
    Model m;
    const geometry::Antenna an = study.antenna(d);
    m.offset = !an.main.revolved;
    if (const study::Assignment* u = study.inputs().find(study::Key::unit)) m.unit = static_cast<int>(u->value);
    if (!o.step.empty() && m.unit < 0)
        throw InputError("--step needs a length unit: give unit=mm, cm, m, in or ft");
    if (!o.tolerance.empty() && o.stl.empty()) throw InputError("--tolerance sets the mesh of --stl; give --stl FILE");
    if (!o.thickness.empty() && o.step.empty()) throw InputError("--thickness makes the solids of --step; give --step FILE");
    if (o.dxf_r12 && o.dxf.empty()) throw InputError("--dxf-r12 writes the file of --dxf; give --dxf FILE");
    m.DM = an.aperture.diameter;
    if (!(m.DM > 0) || !std::isfinite(m.DM)) throw InputError("this row has no positive finite DM: no CAD file to write");
    m.tolerance = positive(o.tolerance, "--tolerance", m.DM * 1e-5);
    m.thickness = positive(o.thickness, "--thickness", 0);
    if (m.offset && (!main_range.empty() || !sub_range.empty()))
        throw InputError("--main-range and --sub-range sample the diameters of surfaces of revolution; an offset "
                         "design's CAD files cover its rims");
    if (m.offset)
        trimmed(m, an);
    else
        revolved(m, main_range, sub_range, an);
    if (m.thickness > 0)
        for (const Reflector& r : m.reflectors)
            if (!(m.thickness < 1 / r.kappa))
                throw InputError("--thickness " + o.thickness + " reaches the smallest radius of curvature of the " +
                                 (&r == &m.reflectors[0] ? std::string("main reflector") : std::string("subreflector")) +
                                 ": its back would cross itself");
    if (!o.stl.empty()) stl_triangles(m);
    if (!o.step.empty()) {
        std::string why;
        if (!step_available(&why)) throw InputError(why);
        m.timestamp = source_date();
    }
    return m;
}

}  // namespace cad
