// The STL mesh, made directly from the conics.  Each reflector is a patch
// P(r, theta) over a disc or an annulus: rings of constant r, each a closed
// polygon of points at equal steps of theta, joined ring to ring by strips
// of triangles.  Every point is computed on the surface in double and
// rounded to float once.
//
// The mesh size: on a surface whose normal curvature is at most kappa, a
// flat triangle whose longest edge is L lies within kappa L^2 / 6 of it (the
// radius of the smallest circle about the triangle is at most L/sqrt 3).
// Rings are about h apart along the surface and points of a ring at most h
// apart, so that edges are not much longer than sqrt 2 h; h = 0.8 sqrt(2 T /
// kappa) keeps triangles within about 0.43 T of the surface where the rings
// are even, and within T where the patch is skewed (the tests measure every
// triangle at up to 0.65 T, on an offset sub).
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>

#include "cad/files.hpp"
#include "study/study.hpp"

namespace cad {
namespace {

constexpr double kPi = 3.14159265358979323846;
// At most this many triangles (a 1 GB file) in one STL.
constexpr double kMaxTriangles = 20e6;

using geometry::Vec3;


struct Patch {
    std::function<Vec3(double r, double theta)> at;
    double r0 = 0, r1 = 0;
    bool pole = false;  // r0 is a single point
    Vec3 lit_from;      // the point its reflecting side faces
};

// The patches of a model: surfaces of revolution about z, or the trimmed
// offset surfaces parametrised over the aperture and the feed cone.
std::vector<Patch> patches(const Model& m) {
    std::vector<Patch> out(m.reflectors.size());
    for (std::size_t k = 0; k < out.size(); ++k) out[k].lit_from = {m.reflectors[k].lit_from.x, 0, m.reflectors[k].lit_from.z};
    if (!m.offset) {
        for (std::size_t k = 0; k < out.size(); ++k) {
            const Reflector& R = m.reflectors[k];
            const Conic c = R.conic;
            out[k].at = [c](double s, double theta) {
                const Point2 p = point(c, s);
                return Vec3{p.x * std::cos(theta), p.x * std::sin(theta), p.z};
            };
            out[k].r0 = std::min(R.s0, R.s1);
            out[k].r1 = std::max(R.s0, R.s1);
            out[k].pole = point(c, out[k].r0).x == 0;
        }
        return out;
    }
    const geometry::Antenna an = *m.antenna;
    const double F = an.focal_length, H = an.aperture.centre.x;
    out[0].at = [F, H](double r, double theta) {
        const double x = H + r * std::cos(theta), y = r * std::sin(theta);
        return Vec3{x, y, (x * x + y * y) / (4 * F)};
    };
    out[0].r1 = an.aperture.diameter / 2;
    out[0].pole = true;
    if (out.size() < 2) return out;
    out[1].at = [an](double psi, double theta) {
        return an.sub_at(an.feed_ray(psi, theta)) + Vec3{0, 0, an.focal_length};
    };
    out[1].r1 = an.feed.half_angle;
    out[1].pole = true;
    return out;
}

constexpr int kThetaProbes = 64;

// The ring parameters: at most h apart along the surface, for every theta.
std::vector<double> rings(const Patch& p, double h) {
    constexpr int kSteps = 2048;
    std::vector<double> g(kSteps + 1, 0.0);  // a bound on the surface distance from r0
    const double dr = (p.r1 - p.r0) / kSteps;
    for (int i = 0; i < kSteps; ++i) {
        const double ra = p.r0 + dr * i, rb = ra + dr;
        double longest = 0;
        for (int k = 0; k < kThetaProbes; ++k) {
            const double t = 2 * kPi * k / kThetaProbes;
            longest = std::max(longest, geometry::norm(p.at(rb, t) - p.at(ra, t)));
        }
        g[static_cast<std::size_t>(i) + 1] = g[static_cast<std::size_t>(i)] + longest;
    }
    const double total = g.back();
    const double count = std::ceil(total / h);
    if (!(count < kMaxTriangles)) return {};
    const int n = std::max(1, static_cast<int>(count));
    std::vector<double> out{p.r0};
    std::size_t i = 0;
    for (int j = 1; j < n; ++j) {
        const double target = total * j / n;
        while (g[i + 1] < target) ++i;
        const double f = (target - g[i]) / (g[i + 1] - g[i]);
        out.push_back(p.r0 + dr * (static_cast<double>(i) + f));
    }
    out.push_back(p.r1);
    return out;
}

// Points of a ring: at most h apart.
int ring_points(const Patch& p, double r, double h) {
    double longest = 0;  // the largest chord of a probe step
    for (int k = 0; k < kThetaProbes; ++k) {
        const double a = 2 * kPi * k / kThetaProbes, b = 2 * kPi * (k + 1) / kThetaProbes;
        longest = std::max(longest, geometry::norm(p.at(r, b) - p.at(r, a)));
    }
    const double n = std::ceil(longest * kThetaProbes / h);
    return static_cast<int>(std::max(3.0, std::min(n, kMaxTriangles)));
}

struct Mesh {
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<std::uint32_t, 3>> triangles;
};

std::array<float, 3> to_float(Vec3 v) { return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)}; }
Vec3 to_double(const std::array<float, 3>& v) { return {v[0], v[1], v[2]}; }

// The rings and their points: a mesh's plan, which bounds its size.
struct Plan {
    std::vector<double> rs;
    std::vector<int> counts;
    double triangles = 0;
};

study::InputError too_fine() {
    return study::InputError("--stl: the mesh within --tolerance would pass " +
                             std::to_string(static_cast<std::int64_t>(kMaxTriangles)) + " triangles; give a larger one");
}

Plan plan(const Patch& p, double h) {
    Plan out;
    out.rs = rings(p, h);
    if (out.rs.empty()) throw too_fine();
    for (std::size_t j = 0; j < out.rs.size(); ++j) {
        out.counts.push_back(j == 0 && p.pole ? 1 : ring_points(p, out.rs[j], h));
        if (j > 0) out.triangles += out.counts[j] + (out.counts[j - 1] == 1 ? 0 : out.counts[j - 1]);
    }
    if (out.triangles > kMaxTriangles) throw too_fine();
    return out;
}

// The mesh size of each reflector.
double spacing(const Model& model, std::size_t k) {
    const double h = 0.8 * std::sqrt(2 * model.tolerance / model.reflectors[k].kappa);
    if (!(h > 0) || !std::isfinite(h)) throw study::InputError("--stl: the surfaces of this row have no finite curvature");
    return h;
}

Mesh mesh(const Patch& p, const Plan& plan) {
    const std::vector<double>& rs = plan.rs;
    const std::vector<int>& counts = plan.counts;
    Mesh m;
    std::vector<std::uint32_t> first;
    for (std::size_t j = 0; j < rs.size(); ++j) {
        first.push_back(static_cast<std::uint32_t>(m.points.size()));
        for (int i = 0; i < counts[j]; ++i) m.points.push_back(to_float(p.at(rs[j], 2 * kPi * i / counts[j])));
    }
    for (std::size_t j = 0; j + 1 < rs.size(); ++j) {
        const std::uint32_t a0 = first[j], b0 = first[j + 1];
        const std::int64_t na = counts[j], nb = counts[j + 1];
        if (na == 1) {
            for (std::int64_t k = 0; k < nb; ++k)
                m.triangles.push_back({a0, b0 + static_cast<std::uint32_t>(k), b0 + static_cast<std::uint32_t>((k + 1) % nb)});
            continue;
        }
        // Walk both rings by angle, always advancing the one whose next
        // point comes first.
        std::int64_t i = 0, k = 0;
        while (i < na || k < nb) {
            const bool step_b = i == na || (k < nb && (k + 1) * na <= (i + 1) * nb);
            const std::uint32_t ai = a0 + static_cast<std::uint32_t>(i % na), bk = b0 + static_cast<std::uint32_t>(k % nb);
            if (step_b) {
                m.triangles.push_back({ai, bk, b0 + static_cast<std::uint32_t>((k + 1) % nb)});
                ++k;
            } else {
                m.triangles.push_back({ai, bk, a0 + static_cast<std::uint32_t>((i + 1) % na)});
                ++i;
            }
        }
    }
    // Every triangle is wound the same way; turn them all if the first one's
    // normal points away from the side the reflector is lit from.
    const auto& t = m.triangles.front();
    const Vec3 a = to_double(m.points[t[0]]), b = to_double(m.points[t[1]]), c = to_double(m.points[t[2]]);
    if (geometry::dot(cross(b - a, c - a), p.lit_from - a) < 0)
        for (auto& tri : m.triangles) std::swap(tri[1], tri[2]);
    return m;
}

void put_floats(std::string& out, std::initializer_list<float> values) {
    for (float v : values) {
        char bytes[4];
        std::memcpy(bytes, &v, 4);  // little-endian on every machine the program builds for
        out.append(bytes, 4);
    }
}

}  // namespace

double stl_triangles(const Model& model) {
    const std::vector<Patch> ps = patches(model);
    double total = 0;
    for (std::size_t k = 0; k < ps.size(); ++k) total += plan(ps[k], spacing(model, k)).triangles;
    if (total > kMaxTriangles) throw too_fine();
    return total;
}

std::size_t write_stl(const Model& model, const std::string& path) {
    const std::vector<Patch> ps = patches(model);
    std::vector<Mesh> meshes(ps.size());
    std::size_t count = 0;
    for (std::size_t k = 0; k < ps.size(); ++k) {
        meshes[k] = mesh(ps[k], plan(ps[k], spacing(model, k)));
        count += meshes[k].triangles.size();
    }
    std::string header = std::string("binary STL of refldsgn-solve: main reflector") + (ps.size() > 1 ? " and subreflector" : "");
    if (model.unit >= 0) header += ", lengths in " + std::string(study::kUnits[static_cast<std::size_t>(model.unit)].name);
    header.resize(80, ' ');
    WholeFile file(path);
    std::string block = header;
    const auto n = static_cast<std::uint32_t>(count);
    block.append(reinterpret_cast<const char*>(&n), 4);
    for (const Mesh& m : meshes) {
        for (const auto& t : m.triangles) {
            const auto &a = m.points[t[0]], &b = m.points[t[1]], &c = m.points[t[2]];
            Vec3 normal = cross(to_double(b) - to_double(a), to_double(c) - to_double(a));
            const double len = geometry::norm(normal);
            if (len > 0) normal = (1 / len) * normal;
            put_floats(block, {static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z),
                               a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]});
            block.append(2, '\0');
            if (block.size() > (1 << 20)) {
                file.write(block);
                block.clear();
            }
        }
    }
    file.write(block);
    file.commit();
    return count;
}

}  // namespace cad
