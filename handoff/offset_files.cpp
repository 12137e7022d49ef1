#include "handoff/offset_files.hpp"

#include <charconv>
#include <cmath>

#include "geometry/antenna.hpp"
#include "study/shortest.hpp"
#include "textio/format.hpp"
#include "textio/output.hpp"

namespace handoff {
namespace {

using geometry::Vec3;
using study::InputError;


Vec3 unit_vector(Vec3 v) { return (1 / geometry::norm(v)) * v; }

// The sub's rim: its centre, the unit normal of its plane (away from the
// feed side of the conic, toward the sub's back), and the in-plane axis.
struct Rim {
    Vec3 centre, normal, along;
};
Vec3 sub_edge(const geometry::Antenna& a, int k) {
    const double te = a.feed.half_angle;
    return a.sub_at(a.feed_ray(k == 0 ? te : -te));
}

Rim rim_of(const geometry::Antenna& a) {
    const Vec3 e1 = sub_edge(a, 0), e2 = sub_edge(a, 1);
    Rim r;
    r.centre = 0.5 * (e1 + e2);
    r.along = unit_vector(e1 - e2);
    // The plane holds the y axis and the in-plane chord: its normal is the
    // in-plane perpendicular of the chord, turned away from the feed.
    r.normal = {-r.along.z, 0, r.along.x};
    if (geometry::dot(r.normal, a.feed.phase_centre - r.centre) > 0) r.normal = -1.0 * r.normal;
    return r;
}

// Where the line X = c + t n meets the reflecting sheet of the sub conic
// |X - F'| = p + e (X - F').w, nearest to c; the nearest real point of
// the quadratic where the line passes the conic by.
double sub_height(const geometry::Conic& fr, Vec3 c, Vec3 n) {
    const Vec3 d0 = c - fr.focus;
    const double nw = geometry::dot(n, fr.w), dw = geometry::dot(d0, fr.w);
    // |d0 + t n|^2 = (p + e (dw + t nw))^2
    const double A = 1 - fr.e * fr.e * nw * nw;
    const double B = 2 * geometry::dot(d0, n) - 2 * fr.e * nw * (fr.p + fr.e * dw);
    const double C = geometry::dot(d0, d0) - (fr.p + fr.e * dw) * (fr.p + fr.e * dw);
    const double disc = B * B - 4 * A * C;
    const double root = std::sqrt(std::max(disc, 0.0));
    double best = std::nan(""), best_abs = INFINITY;
    for (double t : {(-B - root) / (2 * A), (-B + root) / (2 * A)}) {
        const Vec3 X = c + t * n;
        const bool sheet = fr.p + fr.e * geometry::dot(X - fr.focus, fr.w) >= 0;
        if (sheet && std::fabs(t) < best_abs) best = t, best_abs = std::fabs(t);
    }
    if (std::isnan(best)) best = -B / (2 * A);  // past the conic's edge: the nearest point of the line
    return best;
}

void put_e(std::string& line, double v) { textio::put_E(line, static_cast<float>(v), 16, 8); }

std::string shortest(double v) {
    std::string s;
    study::append_shortest(s, static_cast<float>(v));
    return s;
}

}  // namespace

Grid parse_grid(const std::string& text) {
    Grid g;
    const auto comma = text.find(',');
    auto number = [&](std::string_view s, int& n) {
        const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
        return r.ec == std::errc() && r.ptr == s.data() + s.size() && n >= 6 && n <= 10001;
    };
    const std::string_view all(text);
    const bool ok = comma == std::string::npos ? number(all, g.nx) && number(all, g.ny)
                                               : number(all.substr(0, comma), g.nx) && number(all.substr(comma + 1), g.ny);
    if (!ok) throw InputError("--grid " + text + ": give N or NX,NY, each from 6 to 10001 points");
    return g;
}

void check_offset_files(const study::Study& study, bool tor, bool sub) {
    study.require(study::Capability::offset_files,
                  "--sfc-main, --sfc-sub and --tor are for offset designs (mode 3); modes 1 and 2 have "
                  "--rsf-main, --rsf-sub, --champ-main and --champ-sub");
    if (sub && !study.can(study::Capability::sub))
        throw InputError("--sfc-sub needs a subreflector, and " + study.lacks(study::Capability::sub));
    if (tor && study.inputs().find(study::Key::unit) == nullptr)
        throw InputError("--tor needs unit= (" + study::unit_names() + "): every length of a .tor file carries its unit");
}

void write_sfc(const std::string& path, const study::Study& study, const study::Design& d, bool sub, Grid grid) {
    const geometry::Antenna a = study.antenna(d);
    const double R = a.aperture.diameter / 2, F = a.focal_length, H = a.aperture.centre.x;
    // The grid's frame: origin o, axes ex, ey, ez (in the design's frame).
    Vec3 o{H, 0, -F}, ex{1, 0, 0}, ey{0, 1, 0}, ez{0, 0, 1};
    double half_x = R, half_y = R;
    if (sub) {
        const Rim rim = rim_of(a);
        o = rim.centre;
        ex = rim.along;
        ez = rim.normal;
        half_x = geometry::norm(sub_edge(a, 0) - sub_edge(a, 1)) / 2;
        half_y = a.sub->width_y / 2;
    }
    // A margin of two cells on each side: 2 half = (n - 5) cells.
    const double dx = 2 * half_x / (grid.nx - 5), dy = 2 * half_y / (grid.ny - 5);
    const double xs = (sub ? 0 : H) - half_x - 2 * dx, ys = -half_y - 2 * dy;
    const double xe = xs + dx * (grid.nx - 1), ye = ys + dy * (grid.ny - 1);

    textio::OutputUnit file = textio::OutputUnit::create(1, path);
    file.record(std::string(sub ? "subreflector" : "main reflector") + " of " + study.title() +
                (sub ? "; z normal to the plane of the rim" : "; main frame, vertex at the origin"));
    std::string line;
    for (double v : {xs, ys, xe, ye}) put_e(line, v);
    file.record(line);
    line.clear();
    textio::put_I(line, grid.nx, 8);
    textio::put_I(line, grid.ny, 8);
    file.record(line);
    line.clear();
    int on_line = 0;
    for (int i = 0; i < grid.nx; ++i) {
        for (int j = 0; j < grid.ny; ++j) {
            const double x = xs + i * dx, y = ys + j * dy;
            double z = 0;
            if (sub) {
                const Vec3 c = o + (x * ex) + (y * ey);
                z = sub_height(a.sub->surface, c, ez);
            } else {
                z = (x * x + y * y) / (4 * F);
            }
            put_e(line, z);
            if (++on_line == 4) {
                file.record(line);
                line.clear();
                on_line = 0;
            }
        }
    }
    if (on_line > 0) file.record(line);
    file.close();
}

std::array<std::vector<OffsetProfilePoint>, 2> offset_profile_samples(const geometry::Antenna& a) {
    const double R = a.aperture.diameter / 2, F = a.focal_length, H = a.aperture.centre.x;
    constexpr int kSamples = 21;
    std::array<std::vector<OffsetProfilePoint>, 2> out;
    for (int k = 0; k < kSamples; ++k) {
        const double x = H - R + 2 * R * k / (kSamples - 1);
        out[0].push_back({static_cast<float>(x), static_cast<float>(x * x / (4 * F))});
    }
    for (int k = 0; k < kSamples && a.sub; ++k) {
        const double s = a.feed.half_angle * (1 - 2.0 * k / (kSamples - 1));
        const Vec3 p = a.sub_at(a.feed_ray(s));
        out[1].push_back({static_cast<float>(p.x), static_cast<float>(p.z + F)});
    }
    return out;
}

void write_offset_profile(const std::string& path, const geometry::Antenna& a) {
    const auto samples = offset_profile_samples(a);
    textio::OutputUnit file = textio::OutputUnit::create(1, path);
    file.record("reflector,x,z");
    for (std::size_t r = 0; r < 2; ++r)
        for (const OffsetProfilePoint& p : samples[r])
            file.record(std::string(r == 0 ? "main," : "sub,") + shortest(p.x) + "," + shortest(p.z));
    file.close();
}

void write_tor(const std::string& path, const study::Study& study, const study::Design& d) {
    const geometry::Antenna a = study.antenna(d);
    const study::Assignment* u = study.inputs().find(study::Key::unit);
    const std::string unit(study::kUnits[static_cast<std::size_t>(u->value)].name);
    const study::Assignment* taper = study.inputs().find(study::Key::taper);
    const study::Assignment* freq = study.inputs().find(study::Key::freq);
    auto len = [&](double v) { return shortest(v) + " " + unit; };
    auto vec = [&](Vec3 v, bool lengths) {
        return "struct(x: " + (lengths ? len(v.x) : shortest(v.x)) + ", y: " + (lengths ? len(v.y) : shortest(v.y)) +
               ", z: " + (lengths ? len(v.z) : shortest(v.z)) + ")";
    };
    auto coor_sys = [&](const std::string& name, Vec3 origin, Vec3 x, Vec3 y, const std::string& comment) {
        return "// " + comment + "\n" + name + "  coor_sys\n(\n  origin           : " + vec(origin, true) +
               ",\n  x_axis           : " + vec(x, false) + ",\n  y_axis           : " + vec(y, false) +
               ",\n  base             : ref(global_coor)\n)\n\n";
    };
    // The feed's frame: origin at F', z along the feed axis toward the sub
    // (or the main).
    const Vec3 fz = a.feed.axis, fx = {fz.z, 0, -fz.x};
    std::string t = "// " + study.title() + "\n// Written by refldsgn-solve " REFLDSGN_VERSION
                    "; lengths in " + unit + ", angles in degrees.\n\n";
    t += "global_coor  coor_sys\n(\n)\n\n";
    t += coor_sys("main_coor", {0, 0, -a.focal_length}, {1, 0, 0}, {0, 1, 0},
                  "main reflector: vertex at the origin, z along the main axis");
    Vec3 sx, sy{0, 1, 0}, centre;
    if (a.sub) {
        // The sub's frame: origin at O, z toward the feed, x in the plane of
        // symmetry (x = y cross z).
        const Vec3 sz = unit_vector(a.feed.phase_centre);
        sx = {sy.y * sz.z - sy.z * sz.y, sy.z * sz.x - sy.x * sz.z, sy.x * sz.y - sy.y * sz.x};
        centre = 0.5 * (sub_edge(a, 0) + sub_edge(a, 1));
        t += coor_sys("sub_coor", {0, 0, 0}, sx, sy,
                      "subreflector: origin at the prime focus, z along the sub axis to the feed");
    }
    t += coor_sys("feed_coor", a.feed.phase_centre, fx, {0, 1, 0}, "feed: origin at the phase centre, z along the feed axis");
    if (a.sub) {
        const Rim rim = rim_of(a);
        t += coor_sys("sub_grid_coor", rim.centre, rim.along, {0, 1, 0},
                      "the frame of the subreflector's .sfc grid: origin at the rim's centre, z normal to its plane");
    }
    t += "main_surface  paraboloid\n(\n  focal_length     : " + len(a.focal_length) + "\n)\n\n";
    if (a.sub) {
        const geometry::Conic& conic = a.sub->surface;
        const std::string type = a.type == "cassegrain" ? "hyperboloid" : "ellipsoid";
        t += "sub_surface  " + type + "\n(\n  vertex_distance  : " + len(2 * conic.a) + ",\n  foci_distance    : " +
             len(2 * (conic.a * conic.e)) + "\n)\n\n";
    }
    t += "main_rim  elliptical_rim\n(\n  centre           : struct(x: " + len(a.aperture.centre.x) + ", y: " + len(0) +
         "),\n  half_axis        : struct(x: " + len(a.aperture.diameter / 2) + ", y: " + len(a.aperture.diameter / 2) +
         ")\n)\n\n";
    if (a.sub)
        t += "sub_rim  elliptical_rim\n(\n  centre           : struct(x: " + len(geometry::dot(centre, sx)) + ", y: " +
             len(0) + "),\n  half_axis        : struct(x: " + len(a.sub->width_x / 2) + ", y: " +
             len(a.sub->width_y / 2) + ")\n)\n\n";
    t += "main_reflector  reflector\n(\n  coor_sys         : ref(main_coor),\n  surface          : ref(main_surface),\n"
         "  rim              : ref(main_rim)\n)\n\n";
    if (a.sub)
        t += "sub_reflector  reflector\n(\n  coor_sys         : ref(sub_coor),\n  surface          : ref(sub_surface),\n"
             "  rim              : ref(sub_rim)\n)\n\n";
    if (freq != nullptr)
        t += "frequencies  frequency\n(\n  frequency_list   : sequence(" + shortest(freq->value) + " GHz)\n)\n\n";
    t += "feed  gaussian_beam_pattern\n(\n";
    if (freq != nullptr) t += "  frequency        : ref(frequencies),\n";
    t += "  coor_sys         : ref(feed_coor),\n  taper_angle      : " + shortest(a.feed.half_angle_degrees) +
         ",\n  taper            : " + shortest(-(taper != nullptr ? double(taper->value) : 10.0)) + "\n)\n";
    textio::OutputUnit file = textio::OutputUnit::create(1, path);
    if (!t.empty() && t.back() == '\n') t.pop_back();
    file.record(t);
    file.close();
}

}  // namespace handoff
