#include "geometry/antenna.hpp"

#include <cmath>

namespace geometry {

namespace {
bool plane(const Conic& c) { return std::isinf(c.e); }
}  // namespace

double Conic::sag(double rho) const {
    if (plane(*this)) return 0;
    if (e == 1) return rho * rho / (2 * p);  // the paraboloid: rho^2 / (4 F)
    // (1 - e^2) z^2 - 2 p e z + rho^2 - p^2 = 0 along w from the focus, on
    // the branch through the vertex z0 = -p / (1 + e).
    const double k = 1 - e * e;
    const double z = (p * e - std::copysign(std::sqrt(p * p - k * rho * rho), p)) / k;
    return z + p / (1 + e);
}

Vec3 Conic::normal(Vec3 x) const {
    if (plane(*this)) return w;
    const Vec3 d = x - focus;
    return unit(e * w - (1 / norm(d)) * d);
}

int Conic::crossings(Vec3 o, Vec3 k, double t[2]) const {
    const Vec3 d0 = o - focus;
    if (plane(*this)) {
        t[0] = (-p - dot(d0, w)) / dot(k, w);
        return std::isfinite(t[0]) ? 1 : 0;
    }
    // |d0 + t k| = p + e (d0 + t k).w, squared: A t^2 + B t + C = 0, on the
    // branch where the right side is not negative.
    const double kw = dot(k, w), rhs0 = p + e * dot(d0, w);
    const double A = dot(k, k) - e * e * kw * kw, B = 2 * dot(d0, k) - 2 * e * kw * rhs0, C = dot(d0, d0) - rhs0 * rhs0;
    double roots[2];
    int n = 0;
    if (A == 0) {
        if (B != 0) roots[n++] = -C / B;
    } else {
        const double disc = B * B - 4 * A * C;
        if (disc >= 0) {
            const double q = -0.5 * (B + std::copysign(std::sqrt(disc), B));
            roots[n++] = q / A;
            if (q != 0) roots[n++] = C / q;
        }
    }
    int found = 0;
    for (int i = 0; i < n; ++i)
        if (std::isfinite(roots[i]) && rhs0 + e * roots[i] * kw >= 0) t[found++] = roots[i];
    if (found == 2 && t[1] < t[0]) std::swap(t[0], t[1]);
    return found;
}

bool Conic::hit(Vec3 o, Vec3 k, double& t) const {
    double ts[2];
    const int n = crossings(o, k, ts);
    for (int i = 0; i < n; ++i) {
        if (ts[i] > 0) {
            t = ts[i];
            return true;
        }
    }
    return false;
}

namespace {
// The point of a surface above `base` along the unit direction a (the
// crossing farthest along it: the reflector's side), or seen from the apex
// of a cone along u.
Vec3 along_cylinder(const Conic& c, Vec3 base, Vec3 a) {
    double ts[2];
    const int found = c.crossings(base, a, ts);
    return found > 0 ? base + ts[found - 1] * a : Vec3{NAN, NAN, NAN};
}
Vec3 from_apex(const Conic& c, Vec3 apex, Vec3 u) {
    if (norm(apex - c.focus) == 0) return c.from_focus(u);
    double t = 0;
    return c.hit(apex, u, t) ? apex + t * u : Vec3{NAN, NAN, NAN};
}
}  // namespace

std::vector<Vec3> Reflector::profile(int n) const {
    std::vector<Vec3> out;
    const Vec3 a = trim.axis, across{a.z, 0, -a.x};  // in the plane, normal to the trim's axis
    for (int i = 0; i < n; ++i) {
        const double s = -1 + 2.0 * i / (n - 1);
        if (trim.kind == Trim::Kind::cone) {
            const double angle = s * trim.size;
            out.push_back(from_apex(surface, trim.centre, std::cos(angle) * a + std::sin(angle) * across));
        } else {
            out.push_back(along_cylinder(surface, trim.centre + (s * trim.size) * across, a));
        }
    }
    return out;
}

std::vector<Vec3> Reflector::rim(int n) const {
    std::vector<Vec3> out;
    // Two directions across the trim's axis.
    const Vec3 a = trim.axis;
    const Vec3 e1 = std::fabs(a.y) < 0.9 ? unit(cross({0, 1, 0}, a)) : unit(cross(a, {1, 0, 0}));
    const Vec3 e2 = cross(a, e1);
    for (int i = 0; i < n; ++i) {
        const double s = 2 * 3.14159265358979323846 * i / n;
        const Vec3 across = std::cos(s) * e1 + std::sin(s) * e2;
        out.push_back(trim.kind == Trim::Kind::cone
                          ? from_apex(surface, trim.centre, std::cos(trim.size) * a + std::sin(trim.size) * across)
                          : along_cylinder(surface, trim.centre + trim.size * across, a));
    }
    return out;
}

}  // namespace geometry
