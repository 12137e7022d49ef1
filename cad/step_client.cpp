// --step: the model handed to the STEP component, a plug-in built with
// OpenCASCADE and installed beside the programs.  A build or installation
// without it writes every other file; --step then says what to install.
#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "cad/files.hpp"
#include "cad/step_plugin.h"
#include "study/study.hpp"

#ifndef REFLDSGN_STEP_PLUGIN_DIR
#define REFLDSGN_STEP_PLUGIN_DIR "../lib/refldsgn"
#endif
#ifndef REFLDSGN_STEP_PLUGIN_INSTALLED
#define REFLDSGN_STEP_PLUGIN_INSTALLED "/usr/lib/refldsgn"
#endif

namespace cad {
namespace {

constexpr const char* kPlugin = "refldsgn-step.so";
constexpr const char* kInstall =
    "--step needs the STEP component of refldsgn, built with OpenCASCADE (Debian: install the package refldsgn-cad, "
    "or build with libocct-data-exchange-dev and libtbb-dev)";

using geometry::Vec3;

std::string directory_of(const std::string& file) {
    char* real = ::realpath(file.c_str(), nullptr);
    if (real == nullptr) return "";
    const std::string path(real);
    std::free(real);
    return path.substr(0, path.rfind('/'));
}

// Where the plug-in may be: beside the program (a build tree) or in the
// library directory of its installation; for the Python module (the code
// in a shared object), in the build tree two folders up, or in lib/refldsgn
// of the prefix it is installed in; last, where this build installs it.
std::vector<std::string> candidates() {
    std::vector<std::string> out;
    const std::string program = directory_of("/proc/self/exe");
    if (!program.empty()) {
        out.push_back(program + "/" + kPlugin);
        out.push_back(program + "/" REFLDSGN_STEP_PLUGIN_DIR "/" + kPlugin);
    }
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&directory_of), &info) != 0 && info.dli_fname != nullptr) {
        const std::string object = directory_of(info.dli_fname);
        if (!object.empty() && object != program) {
            out.push_back(object + "/../../" + kPlugin);
            out.push_back(object + "/../../../refldsgn/" + kPlugin);
        }
    }
    out.push_back(std::string(REFLDSGN_STEP_PLUGIN_INSTALLED) + "/" + kPlugin);
    return out;
}

struct Loaded {
    refldsgn_write_step_fn fn = nullptr;
    std::string error;
};

// The plug-in's entry, loaded once.
const Loaded& entry() {
    static const Loaded loaded = [] {
        Loaded l;
        for (const std::string& candidate : candidates()) {
            if (::access(candidate.c_str(), F_OK) != 0) continue;
            void* lib = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (lib == nullptr) {
                l.error = std::string("cannot load ") + candidate + ": " + ::dlerror();
                break;
            }
            l.fn = reinterpret_cast<refldsgn_write_step_fn>(::dlsym(lib, "refldsgn_write_step"));
            if (l.fn == nullptr) l.error = candidate + " is no STEP component of refldsgn";
            break;
        }
        return l;
    }();
    return loaded;
}

void put(double (&to)[3], Vec3 v) {
    to[0] = v.x;
    to[1] = v.y;
    to[2] = v.z;
}
Vec3 from_plane(Point2 p) { return {p.x, 0, p.z}; }

struct Reflectors {
    std::array<std::vector<refldsgn_step_arc>, 2> arcs;
    std::array<refldsgn_step_reflector, 2> items{};
};

void set_arcs(std::vector<refldsgn_step_arc>& to, const std::vector<Arc>& pieces) {
    for (const Arc& a : pieces) to.push_back({{a.p0.x, a.p0.z}, {a.p1.x, a.p1.z}, {a.p2.x, a.p2.z}, a.w});
}

// Surfaces of revolution about z: the profiles themselves, over the radii
// of the profile file.
void axisymmetric(const Model& m, Reflectors& out) {
    for (std::size_t k = 0; k < m.reflectors.size(); ++k) {
        const Reflector& R = m.reflectors[k];
        const double s0 = std::min(R.s0, R.s1), s1 = std::max(R.s0, R.s1);
        set_arcs(out.arcs[k], arcs(R.conic, s0, s1));
        refldsgn_step_reflector& r = out.items[k];
        put(r.origin, {0, 0, 0});
        put(r.axis, {0, 0, 1});
        put(r.x_dir, {1, 0, 0});
        const Point2 p0 = point(R.conic, s0);
        r.back[0] = k == 0 ? 0 : p0.x;
        r.back[1] = k == 0 ? -1 : p0.z - R.lit_from.z;
    }
}

// An offset design: the parent surfaces of revolution, beyond the rims,
// trimmed by the aperture's cylinder and by the feed cone.
void offset(const Model& m, Reflectors& out) {
    const geometry::Antenna& an = *m.antenna;
    const double F = an.focal_length, R = an.aperture.diameter / 2, T = m.thickness, H = an.aperture.centre.x;
    const Vec3 lift{0, 0, F};  // from the frame at the prime focus to the vertex frame
    // The main reflector: the paraboloid about z out past the aperture.
    const double reach = std::fabs(H) + 1.05 * R;
    set_arcs(out.arcs[0], arcs(m.reflectors[0].conic, 0, reach));
    refldsgn_step_reflector& main = out.items[0];
    // The seam of each surface of revolution, the half plane of its
    // meridian, lies on the side away from the rim.
    put(main.origin, {0, 0, 0});
    put(main.axis, {0, 0, 1});
    put(main.x_dir, {H < 0 ? 1.0 : -1.0, 0, 0});
    main.back[0] = 0;
    main.back[1] = -1;
    main.trim = REFLDSGN_TRIM_CYLINDER;
    const double depth = reach * reach / (4 * F) + 2 * T + an.aperture.diameter;
    put(main.trim_origin, {H, 0, -depth});
    put(main.trim_axis, {0, 0, 1});
    main.trim_size = R;
    main.trim_length = 3 * depth;

    if (m.reflectors.size() < 2) return;
    // The sub conic about its axis F'O, out past the rim the feed cone cuts.
    const Conic& c = m.reflectors[1].conic;
    const Vec3 feed = an.feed.phase_centre + lift;
    const Vec3 centre = from_plane(c.centre), u = from_plane(c.u), v = from_plane(c.v);
    // How far the rim reaches from the sub axis, and (an ellipse) from its
    // vertex beyond O, in the conic's parameter.
    double farthest = 0, rho = 0, sweep = 0;
    for (const Vec3& p : m.sub_rim) {
        farthest = std::max(farthest, geometry::norm(p - feed));
        const Vec3 q = p - centre;
        rho = std::max(rho, geometry::norm(q - geometry::dot(q, u) * u));
        sweep = std::max(sweep, std::atan2(geometry::norm(q - geometry::dot(q, u) * u) / c.b, geometry::dot(q, u) / c.a));
    }
    Conic meridian;  // in the half plane of the sub axis: x from the axis, z along it
    meridian.kind = c.kind;
    meridian.u = {0, 1};
    meridian.v = {1, 0};
    meridian.a = std::fabs(c.a);
    meridian.b = c.b;
    const bool ellipse = c.kind == Conic::Kind::ellipse;
    const double s1 = ellipse ? std::min(3.14159265358979323846, 1.05 * sweep + 0.02) : std::asinh(1.05 * rho / c.b) + 0.02;
    set_arcs(out.arcs[1], arcs(meridian, 0, s1));
    refldsgn_step_reflector& sub = out.items[1];
    const Vec3 axis = c.a < 0 ? -1.0 * u : u;
    put(sub.origin, centre);
    put(sub.axis, axis);
    const Vec3 q = from_plane(m.reflectors[1].samples[10]) - centre;  // the sub's centre point
    const Vec3 outward = q - geometry::dot(q, axis) * axis;
    put(sub.x_dir, geometry::norm(outward) > 1e-9 * m.DM ? -1.0 * unit(outward) : v);
    const Vec3 vertex = centre + meridian.a * axis;
    sub.back[0] = 0;
    sub.back[1] = geometry::dot(vertex - feed, axis);
    sub.trim = REFLDSGN_TRIM_CONE;
    put(sub.trim_origin, feed);
    put(sub.trim_axis, unit(an.feed.axis));
    sub.trim_size = an.feed.half_angle;
    sub.trim_length = 2 * farthest + 4 * T;
}

}  // namespace

bool step_available(std::string* why) {
    const Loaded& l = entry();
    if (why != nullptr) *why = l.fn != nullptr ? "" : l.error.empty() ? kInstall : l.error;
    return l.fn != nullptr;
}

void write_step(const Model& m, const std::string& path) {
    std::string why;
    if (!step_available(&why)) throw study::InputError(why);
    const refldsgn_write_step_fn fn = entry().fn;
    Reflectors rs;
    if (m.offset)
        offset(m, rs);
    else
        axisymmetric(m, rs);
    const char* names[] = {"main reflector", "subreflector"};
    const std::size_t count = m.reflectors.size();
    for (std::size_t k = 0; k < count; ++k) {
        rs.items[k].name = names[k];
        rs.items[k].arcs = rs.arcs[k].data();
        rs.items[k].n_arcs = static_cast<int>(rs.arcs[k].size());
    }
    // Lengths go in the design's unit, which is the file's: the plug-in
    // trims each offset reflector at a scale of its own.
    static const char* kStepUnits[] = {"INCH", "FT", "MM", "CM", "M"};
    WholeFile file(path);
    file.release_stream();
    refldsgn_step_input in{};
    in.abi = REFLDSGN_STEP_ABI;
    in.path = file.temporary().c_str();
    const std::string name = path.substr(path.rfind('/') + 1);
    in.name = name.c_str();
    in.unit = kStepUnits[m.unit];
    in.model_unit = in.unit;
    const std::string description = std::string(m.offset ? "offset " : "") +
                                    (count > 1 ? "dual-reflector antenna: main reflector and subreflector"
                                               : "single-reflector antenna: main reflector") +
                                    (m.thickness > 0 ? " (solids)" : "");
    in.description = description.c_str();
    in.timestamp = m.timestamp.c_str();
    in.thickness = m.thickness;
    in.reflectors = rs.items.data();
    in.n_reflectors = static_cast<int>(count);
    char message[512] = {0};
    if (fn(&in, message, sizeof message) != 0) throw CadError(path + ": " + message);
    file.commit();
}

}  // namespace cad
