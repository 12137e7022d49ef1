#include "radiate/radiate.hpp"

#include "radiate/clones.hpp"
#include "textio/charconv.hpp"
#include "radiate/feed.hpp"
#include "radiate/po.hpp"
#include "radiate/quadrature.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <type_traits>

namespace radiate {
namespace {

using geometry::Vec3;
using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

using detail::gauss_legendre;

using detail::CVec;
// The field reflected by a perfect conductor of unit normal n.
CVec reflected(const CVec& e, const Vec3& n) {
    const cd en = e.x * n.x + e.y * n.y + e.z * n.z;
    return {2.0 * en * n.x - e.x, 2.0 * en * n.y - e.y, 2.0 * en * n.z - e.z};
}

// Whether a point lies within a reflector's trim, with the slack of a
// design solved in single precision (its identities hold to 2^-12).
bool inside(const geometry::Reflector& r, const Vec3& p) {
    const geometry::Trim& t = r.trim;
    const Vec3 d = p - t.centre;
    const double along = geometry::dot(d, t.axis);
    if (t.kind == geometry::Trim::Kind::cylinder)
        return geometry::norm(d - along * t.axis) <= t.size * (1 + 1e-4) + 1e-12;
    return std::acos(std::clamp(along / geometry::norm(d), -1.0, 1.0)) <= t.size * (1 + 1e-4);
}

// One ray from the feed: where it meets the aperture plane, its field there
// (from the unit field e it leaves with) and its path; false, with the
// reflector it passes by (0 the sub, 1 the main), when it misses one.
bool trace(const geometry::Antenna& a, Vec3 u, const CVec& e0, Vec3& at, CVec& e, double& path, int& missed) {
    Vec3 o = a.feed.phase_centre, k = u;
    e = e0;
    path = 0;
    double t = 0;
    if (a.sub) {
        if (!a.sub->surface.hit(o, k, t) || !inside(*a.sub, o + t * k)) {
            missed = 0;
            return false;
        }
        o = o + t * k;
        path += t;
        const Vec3 n = a.sub->surface.normal(o);
        k = geometry::reflect(k, n);
        e = reflected(e, n);
    }
    if (!a.main.surface.hit(o, k, t) || !inside(a.main, o + t * k)) {
        missed = 1;
        return false;
    }
    o = o + t * k;
    path += t;
    const Vec3 n = a.main.surface.normal(o);
    k = geometry::reflect(k, n);
    e = reflected(e, n);
    // On to the plane z = 0.
    const double s = -o.z / k.z;
    at = o + s * k;
    path += s;
    return std::isfinite(at.x + at.y + path);
}

// The shortest text that reads back as the same double.
std::string shortest(double v) {
    char buf[32];
    return std::string(buf, textio::shortest_chars(buf, buf + sizeof buf, v));
}

// The most rings of rays in the feed's cone (twice as many around): some
// 8 million rays, half a gigabyte.
constexpr double kMaxRings = 2048;

// The rings of rays for the far field out to the reach: the aperture's
// phase turns by pi reach across its radius there.
int rings_for(double reach) {
    const double wanted = std::ceil(0.5 * kPi * std::max(reach, 8.0)) + 16;
    if (!(wanted <= kMaxRings))
        throw geometry::InputError("the far field wanted reaches sin(theta) D/lambda = " + shortest(reach) +
                                   ", more than the rays of geometrical optics sample here (at most " +
                                   shortest(std::floor((kMaxRings - 16) / (0.5 * kPi))) + "): give a smaller --theta-max");
    return std::max(32, static_cast<int>(wanted));
}

using detail::db;

}  // namespace

Settings settings_of(double freq_ghz, double metres, double taper_db, double taper_angle_deg, int feed, int pol,
                     int method, double po_sampling) {
    if (!(freq_ghz > 0) || !std::isfinite(freq_ghz)) throw geometry::InputError("freq must be positive");
    if (!(taper_db > 0) || !std::isfinite(taper_db)) throw geometry::InputError("taper must be positive (dB below the peak)");
    if (!std::isnan(taper_angle_deg) && !(taper_angle_deg > 0 && taper_angle_deg < 90))
        throw geometry::InputError("taper_angle must lie between 0 and 90 degrees");
    Settings st;
    st.wavelength = 0.299792458 / freq_ghz / metres;
    st.taper_db = taper_db;
    st.taper_angle = std::isnan(taper_angle_deg) ? 0 : taper_angle_deg * (kPi / 180);
    st.feed = feed == 1 ? FeedKind::cosq : FeedKind::gaussian;
    st.pol = static_cast<Polarisation>(std::clamp(pol, 0, 3));
    st.method = method == 1 ? Method::po : Method::go;
    if (!std::isnan(po_sampling) && !(po_sampling >= 1 && po_sampling <= 64))
        throw geometry::InputError("--po-sampling must lie between 1 and 64 points per wavelength");
    st.po_sampling = std::isnan(po_sampling) ? 0 : po_sampling;
    return st;
}


namespace {

constexpr double kDeg = kPi / 180;

// The settings whose samples reach the far field out to theta (radians).
Settings reaching(const Settings& st, const geometry::Antenna& antenna, double theta) {
    Settings wide = st;
    wide.reach = std::max(st.reach, std::sin(std::min(theta, kPi / 2)) * antenna.aperture.diameter / st.wavelength);
    return wide;
}

// Five half-power widths of a beam (the mean of the cuts 0 and 90 degrees).
template <class Beam>
double five_widths(const Beam& beam) {
    return 5 * (beam.half_power_width(0) + beam.half_power_width(90 * kDeg)) / 2;
}

}  // namespace

void preflight(const geometry::Antenna& antenna, const Settings& st, double theta_max) {
    if (!antenna.solved) return;
    const Settings wide = std::isnan(theta_max) ? st : reaching(st, antenna, theta_max * kDeg);
    if (st.method == Method::po)
        po_plan(antenna, wide);
    else
        rings_for(wide.reach);
}

Result result_of(const geometry::Antenna& antenna, const Settings& st) {
    Result r = Aperture(antenna, st).result();
    if (st.method == Method::po) Currents(antenna, st).result(r);
    return r;
}

std::vector<Cut> cuts_of(const geometry::Antenna& antenna, const Settings& st, std::span<const double> cuts,
                         double theta_max, int points) {
    double tmax = theta_max * kDeg;
    auto cuts_from = [&](const auto& beam) {
        std::vector<Cut> out;
        for (double phi : cuts) out.push_back(beam.cut(phi * kDeg, tmax, points));
        return out;
    };
    if (st.method == Method::po) {
        // The currents sampled for the whole cut: its extent by default five
        // of physical optics' own half-power widths, which geometrical
        // optics' foretell (with room to spare).
        const double sampled = std::isnan(theta_max) ? 1.5 * five_widths(Aperture(antenna, st)) : tmax;
        const Currents currents(antenna, reaching(st, antenna, sampled));
        if (std::isnan(theta_max)) tmax = five_widths(currents);
        return cuts_from(currents);
    }
    if (std::isnan(theta_max)) tmax = five_widths(Aperture(antenna, st));
    // The rays for the whole cut.
    return cuts_from(Aperture(antenna, reaching(st, antenna, tmax)));
}

Levels levels_of(const Cut& c) {
    Levels l;
    for (std::size_t i = 0; i < c.theta.size(); ++i) {
        l.theta_deg.push_back(c.theta[i] / kDeg);
        l.co_dbi.push_back(10 * std::log10(std::norm(c.co[i])));
        l.cross_dbi.push_back(10 * std::log10(std::norm(c.cross[i])));
        l.co_phase_deg.push_back(std::arg(c.co[i]) / kDeg);
        l.cross_phase_deg.push_back(std::arg(c.cross[i]) / kDeg);
    }
    return l;
}

std::string pattern_file(const geometry::Antenna& antenna, const Settings& st, std::span<const double> cuts,
                         double theta_max, int points, bool cut_format, const std::string& heading) {
    return pattern_text(cuts_of(antenna, st, cuts, theta_max, points), st, cuts, points, cut_format, heading);
}

std::string pattern_text(const std::vector<Cut>& all, const Settings& st, std::span<const double> cuts, int points,
                         bool cut_format, const std::string& heading) {
    std::string text;
    if (!cut_format) text = "phi_deg,theta_deg,co_dBi,cross_dBi,co_phase_deg,cross_phase_deg\n";
    // ICOMP 3: Ludwig's third co and cross; 2: the two circular hands.
    const bool circular = st.pol == Polarisation::rhc || st.pol == Polarisation::lhc;
    for (std::size_t k = 0; k < all.size(); ++k) {
        const double phi = cuts[k];
        const Cut& c = all[k];
        const double tmax = -c.theta.front();
        if (cut_format) {
            char head[96];
            text += heading + ", phi = " + shortest(phi) + " deg\n";
            std::snprintf(head, sizeof head, "%.10E %.10E %d %.10E %d 1 2\n", -tmax / kDeg, 2 * tmax / kDeg / (points - 1),
                          points, phi, circular ? 2 : 3);
            text += head;
        }
        const Levels l = cut_format ? Levels{} : levels_of(c);
        for (std::size_t i = 0; i < c.theta.size(); ++i) {
            if (cut_format) {
                // Circular: the right hand first, whichever is co-polar.
                const bool swap = circular && !c.co_right;
                const std::complex<double> first = swap ? c.cross[i] : c.co[i], second = swap ? c.co[i] : c.cross[i];
                char line[128];
                std::snprintf(line, sizeof line, "%.10E %.10E %.10E %.10E\n", first.real(), first.imag(),
                              second.real(), second.imag());
                text += line;
                continue;
            }
            text += shortest(phi) + "," + shortest(l.theta_deg[i]) + "," + shortest(l.co_dbi[i]) + "," +
                    shortest(l.cross_dbi[i]) + "," + shortest(l.co_phase_deg[i]) + "," + shortest(l.cross_phase_deg[i]) +
                    "\n";
        }
    }
    return text;
}

double uniform_circle(double d, double s) {
    const double u = kPi * d * s;
    if (u == 0) return 1;
#if defined(__STDCPP_MATH_SPEC_FUNCS__) || defined(__cpp_lib_math_special_functions)
    return 2 * std::cyl_bessel_j(1.0, u) / u;
#else
    // J1(u) = (1/pi) int_0^pi cos(t - u sin t) dt, by Gauss-Legendre.
    std::vector<double> x, w;
    detail::gauss_legendre(64 + static_cast<int>(std::fabs(u)), 0, kPi, x, w);
    double j1 = 0;
    for (std::size_t i = 0; i < x.size(); ++i) j1 += w[i] * std::cos(x[i] - u * std::sin(x[i]));
    return 2 * (j1 / kPi) / u;
#endif
}

Aperture::Aperture(const geometry::Antenna& an, const Settings& st) {
    if (!an.solved) throw std::invalid_argument("the row has no finite design");
    k_ = 2 * kPi / st.wavelength;
    diameter_ = an.aperture.diameter;
    area_ = kPi * diameter_ * diameter_ / 4;
    const double te = an.feed.half_angle;
    if (!(te > 0 && te < kPi / 2) || !(diameter_ > 0) || !(k_ > 0))
        throw std::invalid_argument("the row's feed angle or aperture is out of range");
    // The feed, in its frame (z along its axis, x in the plane of
    // symmetry), and the references of the aperture's field.
    const detail::Feed feed = detail::Feed::of(an, st);
    const Vec3 x = feed.x, y = feed.y, z = feed.z;
    auto amplitude = [&](double th) { return feed.amplitude(th); };
    const detail::References refs = detail::references_of(st.pol, !an.sub);
    const CVec co_ref = refs.co, cross_ref = refs.cross;
    co_right_ = refs.co_right;
    auto project = [](const CVec& e, const CVec& ref) {
        return e.x * std::conj(ref.x) + e.y * std::conj(ref.y) + e.z * std::conj(ref.z);
    };

    // The feed's power over its forward half space: inside its cone and
    // beyond (its pattern does not depend on phi).
    constexpr int kOuter = 96;
    std::vector<double> tx, tw;
    gauss_legendre(kOuter, te, kPi / 2, tx, tw);
    double outside = 0;
    for (int i = 0; i < kOuter; ++i) outside += tw[i] * 2 * kPi * amplitude(tx[i]) * amplitude(tx[i]) * std::sin(tx[i]);
    // Rays enough for the far field out to the reach: the aperture's phase
    // turns by pi reach across its radius there.
    const int kTheta = rings_for(st.reach);
    const int kPhi = 2 * kTheta;
    // A blocked disc about the axis of a surface of revolution is a cone of
    // feed angles: the quadrature is split at its edge, so that each side
    // is integrated whole.
    const double blocked_radius = an.aperture.blocked / 2;
    double theta_b = 0;
    if (blocked_radius > 0 && an.main.revolved && st.tilt == 0) {
        auto radius = [&](double t) {
            Vec3 at;
            CVec e;
            double path = 0;
            int missed = 0;
            const Vec3 u = std::cos(t) * z + std::sin(t) * x;
            return trace(an, u, CVec{1, 0, 0}, at, e, path, missed) ? std::hypot(at.x, at.y) : NAN;
        };
        // Bracketed inside the cone: its edge ray may pass the rims by the
        // little that a design solved in single precision allows.
        double lo = 0, hi = te * 0.999;
        if (radius(hi) > blocked_radius) {
            for (int it = 0; it < 80; ++it) {
                const double mid = (lo + hi) / 2;
                (radius(mid) < blocked_radius ? lo : hi) = mid;
            }
            theta_b = (lo + hi) / 2;
        }
    }
    if (theta_b > 0) {
        constexpr int kInner = 16;
        std::vector<double> bx, bw;
        gauss_legendre(kInner, 0, theta_b, bx, bw);
        gauss_legendre(kTheta, theta_b, te, tx, tw);
        tx.insert(tx.begin(), bx.begin(), bx.end());
        tw.insert(tw.begin(), bw.begin(), bw.end());
    } else {
        gauss_legendre(kTheta, 0, te, tx, tw);
    }
    const int n_theta = static_cast<int>(tx.size());
    double inside_power = 0;
    for (int i = 0; i < n_theta; ++i) inside_power += tw[i] * 2 * kPi * amplitude(tx[i]) * amplitude(tx[i]) * std::sin(tx[i]);
    feed_power_ = inside_power + outside;
    spill_sub_ = an.sub ? outside : 0;
    spill_main_ = an.sub ? 0 : outside;

    const double dphi = 2 * kPi / kPhi, step = 1e-6;
    // One ray and its tube: where it meets the aperture plane, the
    // integrand of each component there, and the ray tube's dA / dOmega.
    struct Ray {
        bool ok = false;
        int missed = -1;  // the reflector it passes by (0 the sub, 1 the main)
        Vec3 at;
        cd co, cross;
        double J = 0;
    };
    auto dir = [&](double t, double p) { return std::cos(t) * z + std::sin(t) * (std::cos(p) * x + std::sin(p) * y); };
    auto ray = [&](double th, double ph, double w, double f) {
        Ray r;
        // The feed's field: Ludwig's third definition of its polarisation.
        const CVec e0 = feed.polarisation(th, ph);
        CVec e;
        double path = 0;
        if (!trace(an, dir(th, ph), e0, r.at, e, path, r.missed)) return r;
        // The ray tube: dA = J dOmega, from the neighbouring rays.
        Vec3 p[4];
        CVec dummy;
        double dpath = 0;
        int dm = 0;
        const double th_m = std::max(th - step, th / 2);
        const bool ok = trace(an, dir(th + step, ph), e0, p[0], dummy, dpath, dm) &&
                        trace(an, dir(th_m, ph), e0, p[1], dummy, dpath, dm) &&
                        trace(an, dir(th, ph + step), e0, p[2], dummy, dpath, dm) &&
                        trace(an, dir(th, ph - step), e0, p[3], dummy, dpath, dm);
        if (!ok) throw std::invalid_argument("a ray beside the feed's cone misses a reflector");
        const Vec3 dt = (1 / (th + step - th_m)) * (p[0] - p[1]), dp = (1 / (2 * step)) * (p[2] - p[3]);
        r.J = std::fabs(dt.x * dp.y - dt.y * dp.x) / std::sin(th);
        // The integrand of the aperture field's components: w sin(th) J E,
        // with |E| = f / sqrt(J) and the phase of the path.
        const cd amp = (w * std::sin(th) * std::sqrt(r.J) * f) * std::polar(1.0, -k_ * path);
        r.co = amp * project(e, co_ref);
        r.cross = amp * project(e, cross_ref);
        r.ok = true;
        return r;
    };
    // A body of revolution lit from its axis by a balanced feed: the rays
    // of a ring are one ray turned about the axis, and their fields in the
    // aperture are one field (the feed's polarisation, unchanged by the two
    // reflections), so that one ray a ring is traced.
    const bool by_rings = an.axially_symmetric() && st.tilt == 0;
    if (by_rings) {
        // The azimuths whose cosines the ring sums need: a ring's rays lie
        // in opposite pairs, and (when its quarters match) in mirror pairs.
        const int share = kPhi % 4 == 0 ? 4 : 2;
        for (int j = 0; j < kPhi / share; ++j) ring_cos_.push_back(std::cos((j + 0.5) * dphi));
        ring_share_ = share;
    }
    samples_.reserve(static_cast<std::size_t>(n_theta) * kPhi);
    for (int i = 0; i < n_theta; ++i) {
        const double th = tx[i], f = amplitude(th), w = tw[i] * dphi;
        const Ray ring = by_rings ? ray(th, 0, w, f) : Ray{};
        const bool ring_blocked =
            theta_b > 0 ? th < theta_b : std::hypot(ring.at.x, ring.at.y) < blocked_radius;
        if (by_rings && ring.ok)
            rings_.push_back({std::hypot(ring.at.x, ring.at.y), ring.co, ring.cross, ring_blocked});
        for (int j = 0; j < kPhi; ++j) {
            const double ph = (j + 0.5) * dphi;
            Ray r = ring;
            if (by_rings) {
                // Turned about the axis by ph.
                const Vec3 a = ring.at, across = geometry::cross(z, a);
                r.at = std::cos(ph) * a + std::sin(ph) * across;
            } else {
                r = ray(th, ph, w, f);
            }
            if (!r.ok) {
                (r.missed == 0 ? spill_sub_ : spill_main_) += w * f * f * std::sin(th);
                continue;
            }
            Sample s{r.at.x, r.at.y, r.co, r.cross,
                     by_rings ? ring_blocked
                              : theta_b > 0 ? th < theta_b : std::hypot(r.at.x, r.at.y) < blocked_radius};
            aperture_power_ += w * f * f * std::sin(th);
            all_co_ += s.co;
            if (!s.blocked) unblocked_co_ += s.co;
            abs_co_ += std::abs(s.co);
            co2_ += std::norm(s.co) / (w * std::sin(th) * r.J);
            any_cross_ = any_cross_ || s.cross != cd(0);
            samples_.push_back(s);
        }
    }
    if (samples_.empty()) throw std::invalid_argument("no ray of the feed reaches the aperture");
}

Aperture Aperture::of_points(const std::vector<std::array<double, 3>>& points, double wavelength, double diameter) {
    Aperture a;
    a.k_ = 2 * kPi / wavelength;
    a.diameter_ = diameter;
    a.area_ = kPi * diameter * diameter / 4;
    for (const auto& [x, y, w] : points) {
        a.samples_.push_back({x, y, cd(w), cd(0), false});
        a.aperture_power_ += w * w;  // for unit areas; the tests read the field's shape
        a.all_co_ += w;
    }
    a.unblocked_co_ = a.all_co_;
    a.feed_power_ = 1;
    return a;
}

void Aperture::field(double theta, double phi, cd& co, cd& cross) const {
    const double s = k_ * std::sin(theta), cx = s * std::cos(phi), cy = s * std::sin(phi);
    double ar = 0, ai = 0, br = 0, bi = 0;
    if (!rings_.empty()) {
        // Each ring's rays in opposite pairs: exp(j u) + exp(-j u) = 2 cos u,
        // the same at every azimuth (the differences, of the order of the
        // Bessel function J_n of n twice the rings, lie far below rounding
        // within the reach the rays were traced for).
        for (const Ring& r : rings_) {
            if (r.blocked) continue;
            const double u = s * r.rho;
            double sum = 0;
            for (double c : ring_cos_) sum += std::cos(u * c);
            sum *= ring_share_;
            ar += r.co.real() * sum, ai += r.co.imag() * sum;
            br += r.cross.real() * sum, bi += r.cross.imag() * sum;
        }
    } else {
        for (const Sample& p : samples_) {
            if (p.blocked) continue;
            const double t = cx * p.x + cy * p.y, c = std::cos(t), sn = std::sin(t);
            ar += p.co.real() * c - p.co.imag() * sn;
            ai += p.co.real() * sn + p.co.imag() * c;
            br += p.cross.real() * c - p.cross.imag() * sn;
            bi += p.cross.real() * sn + p.cross.imag() * c;
        }
    }
    const cd a(ar, ai), b(br, bi);
    // |E|^2 the gain: 4 pi / lambda^2 / P_feed, times the obliquity.
    const double lambda = 2 * kPi / k_;
    const double scale = std::sqrt(4 * kPi / (lambda * lambda * feed_power_)) * (1 + std::cos(theta)) / 2;
    co = scale * a;
    cross = scale * b;
}

Cut Aperture::cut(double phi, double theta_max, int points) const {
    Cut c;
    c.phi = phi;
    c.co_right = co_right_;
    for (int i = 0; i < points; ++i) {
        const double t = points == 1 ? 0 : -theta_max + 2 * theta_max * i / (points - 1);
        cd co, cross;
        field(std::fabs(t), t < 0 ? phi + kPi : phi, co, cross);
        c.theta.push_back(t);
        c.co.push_back(co);
        c.cross.push_back(cross);
    }
    return c;
}

namespace {

// The integrands of a half-cut's sums, as plain arrays (complex products
// written out: the library's check for infinite parts costs more than the
// product): co and cross of each term, its phasor (from 1) and the turn of
// that phasor from one angle to the next.
struct Phasors {
    std::vector<double> cr, ci, xr, xi, pr, pi, sr, si;
    void add(std::complex<double> co, std::complex<double> cross, std::complex<double> step) {
        cr.push_back(co.real());
        ci.push_back(co.imag());
        xr.push_back(cross.real());
        xi.push_back(cross.imag());
        pr.push_back(1);
        pi.push_back(0);
        sr.push_back(step.real());
        si.push_back(step.imag());
    }
};

// The powers (|E|^2 times gain) of the co- and cross-polar sums at n angles
// whose sines are 0, ds, 2 ds, ...: each term's integrand times its phasor,
// turned step by step, no trigonometry per angle; with RealPart, times the
// phasor's real part alone (each term stands for a pair of conjugate
// phasors, a ring's opposite rays).  Four angles at once: each term's
// phasor at the four, by the same products in the same order as one at a
// time, so that each angle's sums are the same bits; the four sums then run
// side by side.  The cross-polar sums are left out where every term has
// none (they are 0).
template <bool RealPart>
[[gnu::always_inline]] inline void phasor_sums(Phasors& t, bool any_cross, double gain, double ds, int n,
                                                std::vector<double>& co, std::vector<double>& cross) {
    const std::vector<double>&cr = t.cr, &ci = t.ci, &xr = t.xr, &xi = t.xi, &sr = t.sr, &si = t.si;
    std::vector<double>&pr = t.pr, &pi = t.pi;
    const std::size_t m = cr.size();
    co.assign(n, 0);
    cross.assign(n, 0);
    auto level = [&](int i, double ar, double ai, double br, double bi) {
        const double sn = i * ds, ob = (1 + std::sqrt(std::max(0.0, 1 - sn * sn))) / 2;
        co[i] = gain * ob * ob * (ar * ar + ai * ai);
        cross[i] = gain * ob * ob * (br * br + bi * bi);
    };
    // The sum's real and imaginary increments of integrand (a, b) times phasor (r, i).
    auto re = [](double a, double b, double r, double i) { return RealPart ? a * r : a * r - b * i; };
    auto im = [](double a, double b, double r, double i) { return RealPart ? b * r : a * i + b * r; };
    int i = 0;
    auto four = [&](auto with_cross) {
        double a0 = 0, a1 = 0, a2 = 0, a3 = 0, b0 = 0, b1 = 0, b2 = 0, b3 = 0;
        double c0 = 0, c1 = 0, c2 = 0, c3 = 0, d0 = 0, d1 = 0, d2 = 0, d3 = 0;
        for (std::size_t j = 0; j < m; ++j) {
            const double r0 = pr[j], i0 = pi[j], s_r = sr[j], s_i = si[j];
            const double r1 = r0 * s_r - i0 * s_i, i1 = r0 * s_i + i0 * s_r;
            const double r2 = r1 * s_r - i1 * s_i, i2 = r1 * s_i + i1 * s_r;
            const double r3 = r2 * s_r - i2 * s_i, i3 = r2 * s_i + i2 * s_r;
            const double cr_ = cr[j], ci_ = ci[j];
            a0 += re(cr_, ci_, r0, i0), b0 += im(cr_, ci_, r0, i0);
            a1 += re(cr_, ci_, r1, i1), b1 += im(cr_, ci_, r1, i1);
            a2 += re(cr_, ci_, r2, i2), b2 += im(cr_, ci_, r2, i2);
            a3 += re(cr_, ci_, r3, i3), b3 += im(cr_, ci_, r3, i3);
            if constexpr (decltype(with_cross)::value) {
                const double xr_ = xr[j], xi_ = xi[j];
                c0 += re(xr_, xi_, r0, i0), d0 += im(xr_, xi_, r0, i0);
                c1 += re(xr_, xi_, r1, i1), d1 += im(xr_, xi_, r1, i1);
                c2 += re(xr_, xi_, r2, i2), d2 += im(xr_, xi_, r2, i2);
                c3 += re(xr_, xi_, r3, i3), d3 += im(xr_, xi_, r3, i3);
            }
            pr[j] = r3 * s_r - i3 * s_i;
            pi[j] = r3 * s_i + i3 * s_r;
        }
        level(i, a0, b0, c0, d0);
        level(i + 1, a1, b1, c1, d1);
        level(i + 2, a2, b2, c2, d2);
        level(i + 3, a3, b3, c3, d3);
    };
    for (; i + 4 <= n; i += 4) {
        if (any_cross)
            four(std::true_type{});
        else
            four(std::false_type{});
    }
    for (; i < n; ++i) {
        double ar = 0, ai = 0, br = 0, bi = 0;
        for (std::size_t j = 0; j < m; ++j) {
            ar += re(cr[j], ci[j], pr[j], pi[j]);
            ai += im(cr[j], ci[j], pr[j], pi[j]);
            br += re(xr[j], xi[j], pr[j], pi[j]);
            bi += im(xr[j], xi[j], pr[j], pi[j]);
            const double r = pr[j] * sr[j] - pi[j] * si[j];
            pi[j] = pr[j] * si[j] + pi[j] * sr[j];
            pr[j] = r;
        }
        level(i, ar, ai, br, bi);
    }
}

}  // namespace

REFLDSGN_CLONES void Aperture::scan_rings(double ds, int n, std::vector<double>& co, std::vector<double>& cross) const {
    const double lambda = 2 * kPi / k_, gain = 4 * kPi / (lambda * lambda * feed_power_);
    // A term for each azimuth of the rings' sums (field's), the share of
    // the ring it stands for in its integrand.
    Phasors t;
    for (const Ring& r : rings_) {
        if (r.blocked) continue;
        for (double c : ring_cos_)
            t.add(double(ring_share_) * r.co, double(ring_share_) * r.cross, std::polar(1.0, k_ * ds * r.rho * c));
    }
    phasor_sums<true>(t, any_cross_, gain, ds, n, co, cross);
}

REFLDSGN_CLONES void Aperture::scan(double phi, double ds, int n, std::vector<double>& co,
                                    std::vector<double>& cross) const {
    if (!rings_.empty()) return scan_rings(ds, n, co, cross);
    const double lambda = 2 * kPi / k_, gain = 4 * kPi / (lambda * lambda * feed_power_);
    Phasors t;
    for (const Sample& p : samples_) {
        if (p.blocked) continue;
        t.add(p.co, p.cross, std::polar(1.0, k_ * ds * (p.x * std::cos(phi) + p.y * std::sin(phi))));
    }
    phasor_sums<false>(t, any_cross_, gain, ds, n, co, cross);
}

double Aperture::half_power_width(double phi) const {
    cd co, cross;
    field(0, 0, co, cross);
    const double half = std::norm(co) / 2;
    const double lambda = 2 * kPi / k_, step = 0.05 * lambda / diameter_;
    double width = 0;
    for (double p : {phi, phi + kPi}) {
        // The first step below half power, then bisection.
        std::vector<double> level, unused;
        scan(p, step, 80, level, unused);
        int i = 1;
        while (i < 80 && level[i] >= half) ++i;
        double lo = std::asin(std::min(1.0, (i - 1) * step)), hi = std::asin(std::min(1.0, i * step));
        for (int n = 80; i == 80 && n < 4000; ++n, lo = hi, hi += step) {  // a beam wider than 4 lambda/D
            field(hi, p, co, cross);
            if (std::norm(co) < half) break;
        }
        // The half-power angle by regula falsi on the power.
        auto excess = [&](double t) {
            field(t, p, co, cross);
            return std::norm(co) - half;
        };
        const double flo = excess(lo), fhi = excess(hi);
        const double root = detail::regula_falsi(lo, hi, flo, fhi, (lo + hi) / 2, 1e-13 * half, excess);
        width += root;
        if (!rings_.empty()) return 2 * width;  // a beam of revolution: both sides alike
    }
    return width;
}

Result Aperture::result() const {
    Result r{};
    const double lambda = 2 * kPi / k_;
    const double gain = 4 * kPi / (lambda * lambda) * std::norm(unblocked_co_) / feed_power_;
    r.gain_dBi = 10 * std::log10(gain);
    r.eff_spill = aperture_power_ / feed_power_;
    r.directivity_dBi = 10 * std::log10(gain / r.eff_spill);
    r.eff_total = std::norm(unblocked_co_) / (area_ * feed_power_);
    r.eff_block = std::norm(unblocked_co_) / std::norm(all_co_);
    r.eff_taper = abs_co_ * abs_co_ / (area_ * co2_);
    r.eff_phase = std::norm(all_co_) / (abs_co_ * abs_co_);
    r.eff_pol = co2_ / aperture_power_;
    r.spill_sub = spill_sub_ / feed_power_;
    r.spill_main = spill_main_ / feed_power_;
    r.feed_power = feed_power_;
    // A beam of revolution is the same in every cut.
    const bool round = !rings_.empty();
    const double w0 = half_power_width(0), w90 = round ? w0 : half_power_width(kPi / 2);
    r.hpbw_deg = (w0 + w90) / 2 * 180 / kPi;
    const double hp = (w0 + w90) / 2;
    // Cross-polar level and sidelobes, in the half-cuts of the reading.
    cd co, cross;
    field(0, 0, co, cross);
    const double peak = std::norm(co);
    const double ds = std::sin(std::min(5 * hp, kPi / 2)) / detail::kReadSteps;
    detail::CutReading reading;
    for (double p : detail::kReadAzimuths) {
        std::vector<double> level, cross_level;
        scan(p, ds, detail::kReadSteps + 1, level, cross_level);
        reading.add(level.data(), cross_level.data(), ds, hp);
        if (round) break;
    }
    r.xpol_dB = any_cross_ ? db(reading.cross_max / peak) : -300;
    r.sll_dB = reading.found ? db(reading.side / peak) : std::nan("");
    return r;
}

}  // namespace radiate
