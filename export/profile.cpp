#include "export/profile.hpp"

#include <cmath>
#include <limits>

namespace surface {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

float f(double v) { return static_cast<float>(v); }

// Height of the conic surface above its centre: a * sqrt(1 - t*rho^2/b^2),
// that is a*sqrt(1 + rho^2/b^2) for the hyperboloid and a*sqrt(1 - rho^2/b^2)
// for the ellipsoid (NaN beyond the ellipse's rim).
double conic_height(const Profile& p, double rho) {
    double a = p.a, b = p.b, t = p.t;
    return a * std::sqrt(1.0 - t * rho * rho / (b * b));
}

}  // namespace

void DURGEO(float& DM, float& DS, float& FD, float& FDE, float& t, float& a, float& b,
            std::array<float, 3>& centre, std::array<float, 3>& feed) {
    const float M = f(double(FDE) / double(FD));  // magnification
    float e = f((double(M) + 1.0) / (double(M) - 1.0));
    if (t == 1.0f) e = f(1.0 / double(e));
    const float theta = f(2.0 * std::atan(1.0 / (4.0 * double(FDE))));  // the feed angle TE

    const double ed = e, e2 = ed * ed;
    const double sin_t = std::sin(double(theta)), cos_t = std::cos(double(theta));
    // Only the two conic types have a shape; any other type gets none.
    float k = f(kNaN), h = f(kNaN);
    if (t == -1.0f) {
        k = f(2.0 * e2 / (e2 - 1.0));
        h = f((ed * cos_t - 1.0) * double(DS) / (2.0 * ed * sin_t));
    } else if (t == 1.0f) {
        k = f(2.0 * e2 / (1.0 - e2));
        h = f(-(ed * cos_t - 1.0) * double(DS) / (2.0 * ed * sin_t));
    }

    const float d = f(double(k) * double(h));  // distance between the foci
    const float c = f(double(d) / 2.0);
    a = f(double(c) / ed);
    b = f(std::sqrt(std::fabs(double(c) * double(c) - double(a) * double(a))));
    const float FM = f(double(FD) * double(DM));
    centre = {0.0f, 0.0f, f(double(FM) - double(c))};
    feed = {0.0f, 0.0f, f(double(FM) - double(d))};
}

Profile make_profile(Reflector which, float FM, float t, float a, float b,
                     const std::array<float, 3>& centre, const std::array<float, 3>& feed) {
    Profile p;
    p.which = which;
    p.FM = FM;
    p.t = t;
    p.a = a;
    p.b = b;
    p.zC = centre[2];
    p.zF = feed[2];
    return p;
}

DesignProfiles profiles_of(float DM, float FM, float DS, float TE, float t) {
    float FD = f(double(FM) / double(DM));
    float FDE = f(1.0 / (4.0 * std::tan(double(TE) / 2.0)));
    float a = 0, b = 0;
    std::array<float, 3> centre{}, feed{};
    DURGEO(DM, DS, FD, FDE, t, a, b, centre, feed);
    return {make_profile(Reflector::main, FM, t, a, b, centre, feed),
            make_profile(Reflector::sub, FM, t, a, b, centre, feed)};
}

float rsf_slope(const Profile& p, float rho, float direction) {
    const double r = rho;
    if (p.which == Reflector::main) return f(double(direction) * r / (2.0 * double(p.FM)));
    // d/drho of a*sqrt(1 - t*rho^2/b^2)
    const double a = p.a, b = p.b, t = p.t;
    return f(double(direction) * -a * t * r / (b * b * std::sqrt(1.0 - t * r * r / (b * b))));
}

float rsf_diameter(float start, float step, std::int32_t i) {
    return f(double(start) + (double(i) - 1.0) * double(step));
}

float rsf_z(const Profile& p, float rho, float direction, float offset) {
    const double r = rho;
    double z;
    if (p.which == Reflector::main)
        z = double(direction) * r * r / (4.0 * double(p.FM)) + double(offset);
    else
        z = double(direction) * (conic_height(p, r) + double(p.zC)) + double(offset);
    return f(z);
}

float champ_radius(float start, float step, std::int32_t i) {
    return f(double(start) / 2.0 + (double(i) - 1.0) * double(step) / 2.0);
}

float champ_z(const Profile& p, float rho) {
    const double r = rho;
    if (p.which == Reflector::main) return f(r * r / (4.0 * double(p.FM)) - double(p.zF));
    return f(conic_height(p, r) + double(p.zC) - double(p.zF));
}

}  // namespace surface
