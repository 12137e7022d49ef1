#include "radiate/po.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <thread>

#include "radiate/quadrature.hpp"
#include "radiate/trig.hpp"
#include "textio/shortest.hpp"

namespace radiate {
namespace {

using geometry::Vec3;
using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

using detail::gauss_legendre;

// Calls f(i) for i in [0, n) on `jobs` threads, each index on one thread
// alone (so that the results do not depend on the number of threads).
template <class F>
void parallel_for(std::size_t n, int jobs, const F& f) {
    const std::size_t threads = std::max<std::size_t>(1, std::min<std::size_t>(static_cast<std::size_t>(jobs), n));
    if (threads == 1) {
        for (std::size_t i = 0; i < n; ++i) f(i);
        return;
    }
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            for (std::size_t i = t; i < n; i += threads) f(i);
        });
    for (std::thread& th : pool) th.join();
}

// The sampling of the sub: rings of feed angles (Gauss-Legendre over the
// feed's cone), each with its count of points around.
struct Rings {
    std::vector<double> at, weight;
    std::vector<int> around;
    double points = 0;
};

// The frame of the feed's cone as designed: z its axis, x in the plane of
// symmetry.
struct Frame {
    Vec3 x, y, z;
};
Frame frame_of(Vec3 z) {
    const Vec3 x = geometry::unit(Vec3{z.z, 0, -z.x});
    return {x, geometry::cross(z, x), z};
}
Vec3 direction(const Frame& f, double t, double p) {
    return std::cos(t) * f.z + std::sin(t) * (std::cos(p) * f.x + std::sin(p) * f.y);
}

// A ring's length on a surface: 64 chords around it.
template <class P>
double ring_length(const P& point) {
    double length = 0;
    Vec3 prev = point(0.0);
    for (int j = 1; j <= 64; ++j) {
        const Vec3 p = point(2 * kPi * j / 64);
        length += geometry::norm(p - prev);
        prev = p;
    }
    return length;
}

// Points around a ring of this length, at `ppw` points per wavelength.
int around_of(double length, double ppw, double lambda, int least) {
    const double n = std::ceil(ppw * length / lambda) + 4;
    return static_cast<int>(std::min(std::max(n, double(least)), 1e9));
}

Rings sub_rings(const geometry::Antenna& an, double ppw, double lambda) {
    Rings r;
    const Frame f = frame_of(an.feed.axis);
    const double te = an.feed.half_angle;
    auto point = [&](double t, double p) { return an.sub->surface.from_focus(direction(f, t, p)); };
    // The length of the meridians, in the plane of symmetry: the longer.
    double meridian = 0;
    for (double p : {0.0, kPi}) {
        double length = 0;
        for (int i = 0; i < 64; ++i) length += geometry::norm(point(te * (i + 1) / 64, p) - point(te * i / 64, p));
        meridian = std::max(meridian, length);
    }
    const double n = std::ceil(ppw * meridian / lambda) + 4;
    gauss_legendre(std::max(8, static_cast<int>(n)), 0, te, r.at, r.weight);
    for (double t : r.at) {
        r.around.push_back(around_of(ring_length([&](double p) { return point(t, p); }), ppw, lambda, 8));
        r.points += r.around.back();
    }
    return r;
}

// The main, over its aperture: rings about the centre of its trimming
// cylinder, split at the edge of the blocked disc of a surface of
// revolution.
struct MainRings : Rings {
    double blocked = 0;
};
MainRings main_rings(const geometry::Antenna& an, double ppw, double lambda) {
    MainRings r;
    const double R = an.main.trim.size;
    const double b = an.main.revolved && an.sub ? std::min(an.aperture.blocked / 2, R) : 0;
    r.blocked = b;
    const double n_in = b > 0 ? std::ceil(ppw * b / lambda) + 4 : 0, n_out = std::ceil(ppw * (R - b) / lambda) + 8;
    std::vector<double> x, w;
    if (b > 0) {
        gauss_legendre(static_cast<int>(n_in), 0, b, r.at, r.weight);
    }
    gauss_legendre(static_cast<int>(n_out), b, R, x, w);
    r.at.insert(r.at.end(), x.begin(), x.end());
    r.weight.insert(r.weight.end(), w.begin(), w.end());
    for (double rho : r.at) {
        r.around.push_back(around_of(2 * kPi * rho, ppw, lambda, 16));
        r.points += r.around.back();
    }
    return r;
}

// Points per wavelength on the sub, and on the main (which the far field
// wanted farther from the axis samples more finely).
double sampling(const Settings& st) { return st.po_sampling > 0 ? st.po_sampling : kPoSampling; }
double main_sampling(const geometry::Antenna& an, const Settings& st) {
    return sampling(st) + 2 * std::min(st.reach * st.wavelength / an.aperture.diameter, 1.0);
}

// Bytes a current element takes (its place and current), and a point of
// the main while its currents are found.
constexpr double kSourceBytes = 3 * 8 + 3 * 16, kMainBytes = kSourceBytes + 4 * 8 + 1;

// A surface's normal turned toward the side a direction points to (the
// side its field comes from: the currents are 2 n x H with n there).
Vec3 facing(Vec3 n, Vec3 toward) { return geometry::dot(n, toward) < 0 ? -1.0 * n : n; }

// The sums over current elements run in this many lanes, added in a fixed
// order at the end (the same bits on every thread count).
constexpr std::size_t kLanes = 4;

// A count for messages: the shortest text of its float.
std::string text_of(double v) {
    std::string t;
    textio::append_shortest(t, static_cast<float>(v));
    return t;
}

}  // namespace

PoPlan po_plan(const geometry::Antenna& an, const Settings& st) {
    // Estimates from the lengths of each surface, before any ring is made.
    PoPlan plan;
    const double lambda = st.wavelength, pm = main_sampling(an, st), ps = sampling(st);
    const double R = an.main.trim.size;
    const double main = (pm * R / lambda + 12) * (pm * kPi * R / lambda + 20);
    double sub = 0;
    if (an.sub) {
        const Frame f = frame_of(an.feed.axis);
        const double te = an.feed.half_angle;
        auto point = [&](double t, double p) { return an.sub->surface.from_focus(direction(f, t, p)); };
        double meridian = 0;
        for (double p : {0.0, kPi})
            for (int i = 0; i < 64; ++i) meridian += geometry::norm(point(te * (i + 1) / 64, p) - point(te * i / 64, p));
        sub = (ps * meridian / 2 / lambda + 4) * (ps * ring_length([&](double p) { return point(te, p); }) / lambda + 8);
    }
    plan.bytes = main * kMainBytes + sub * kSourceBytes;
    if (!(plan.bytes <= kPoMemory))
        throw geometry::InputError(
            "method=po would sample this design (D/lambda = " +
            text_of(an.aperture.diameter / lambda) + ") at " +
            text_of(std::round(main + sub)) +
            " points, more than 8 GiB holds: use method=go, or a lower --po-sampling");
    plan.main = static_cast<std::size_t>(main);
    plan.sub = static_cast<std::size_t>(sub);
    return plan;
}

Currents::Currents(const geometry::Antenna& an, const Settings& st) {
    if (!an.solved) throw std::invalid_argument("the row has no finite design");
    po_plan(an, st);
    const double lambda = st.wavelength;
    k_ = 2 * kPi / lambda;
    diameter_ = an.aperture.diameter;
    jobs_ = std::max(1, st.jobs);
    const double te = an.feed.half_angle;
    if (!(te > 0 && te < kPi)) throw std::invalid_argument("the feed's cone has no finite angle");

    feed_ = detail::Feed::of(an, st);
    {
        std::vector<double> tx, tw;
        gauss_legendre(256, 0, kPi / 2, tx, tw);
        for (int i = 0; i < 256; ++i) feed_power_ += tw[i] * 2 * kPi * std::pow(feed_.amplitude(tx[i]), 2) * std::sin(tx[i]);
    }
    refs_ = detail::references_of(st.pol, !an.sub);
    auto add_source = [&](Vec3 p, const cd j[3]) {
        x_.push_back(p.x), y_.push_back(p.y), z_.push_back(p.z);
        for (int c = 0; c < 3; ++c) j_[2 * c].push_back(j[c].real()), j_[2 * c + 1].push_back(j[c].imag());
    };
    // Elements without current up to a whole number of lanes of the sums,
    // at a point of the sub (where no point of the main lies).
    auto pad = [&](Vec3 p) {
        const cd none[3] = {};
        while (x_.size() % kLanes != 0) add_source(p, none);
    };
    // The field at a point from the feed directly: E and H (impedance 1).
    auto from_feed = [&](Vec3 p, cd e[3], cd hh[3]) {
        const Vec3 d = p - feed_.centre;
        const double r = geometry::norm(d);
        const Vec3 u = (1 / r) * d;
        const detail::CVec f = feed_.field(u);
        e[0] = f.x, e[1] = f.y, e[2] = f.z;
        const cd phase = std::polar(1 / r, -k_ * r);
        for (int i = 0; i < 3; ++i) e[i] *= phase;
        hh[0] = u.y * e[2] - u.z * e[1];
        hh[1] = u.z * e[0] - u.x * e[2];
        hh[2] = u.x * e[1] - u.y * e[0];
    };

    // The sub's currents: 2 n x H of the feed's field, n toward the feed.
    std::size_t sub_count = 0;
    if (an.sub) {
        const Rings r = sub_rings(an, sampling(st), lambda);
        const Frame f = frame_of(an.feed.axis);
        for (std::size_t i = 0; i < r.at.size(); ++i) {
            const double t = r.at[i], dp = 2 * kPi / r.around[i];
            for (int j = 0; j < r.around[i]; ++j) {
                const Vec3 u = direction(f, t, (j + 0.5) * dp);
                const Vec3 p = an.sub->surface.from_focus(u);
                const Vec3 d = p - an.feed.phase_centre;
                const Vec3 n = facing(an.sub->surface.normal(p), -1.0 * d);
                const double rho2 = geometry::dot(d, d);
                const double dS = rho2 * r.weight[i] * std::sin(t) * dp / std::fabs(geometry::dot(geometry::unit(d), n));
                cd e[3], hh[3], jj[3];
                from_feed(p, e, hh);
                // n x H
                jj[0] = 2 * dS * (n.y * hh[2] - n.z * hh[1]);
                jj[1] = 2 * dS * (n.z * hh[0] - n.x * hh[2]);
                jj[2] = 2 * dS * (n.x * hh[1] - n.y * hh[0]);
                if (!std::isfinite(p.x + p.y + p.z + dS)) throw std::invalid_argument("the sub has no finite point");
                add_source(p, jj);
            }
        }
        pad(an.sub->surface.from_focus(an.feed.axis));
        sub_count = x_.size();
    }

    // The main's points.
    const MainRings m = main_rings(an, main_sampling(an, st), lambda);
    struct Point {
        Vec3 p, n;
        double dS;
        bool blocked;
    };
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(m.points));
    const Vec3 c = an.main.trim.centre, a = an.main.trim.axis;
    const Vec3 ax = geometry::unit(std::fabs(a.x) < 0.9 ? geometry::cross(a, Vec3{1, 0, 0}) : geometry::cross(a, Vec3{0, 1, 0}));
    // The plane of the trimming circle: x and y of the design when its axis is z.
    const Vec3 e1 = std::fabs(a.z) > 0.9 ? Vec3{1, 0, 0} : geometry::cross(ax, a), e2 = geometry::cross(a, e1);
    for (std::size_t i = 0; i < m.at.size(); ++i) {
        const double rho = m.at[i], dp = 2 * kPi / m.around[i];
        for (int j = 0; j < m.around[i]; ++j) {
            const double psi = (j + 0.5) * dp;
            const Vec3 base = c + rho * (std::cos(psi) * e1 + std::sin(psi) * e2);
            double ts[2];
            const int found = an.main.surface.crossings(base, a, ts);
            if (found == 0) throw std::invalid_argument("the main has no point within its rim");
            const Vec3 p = base + ts[found - 1] * a;
            const Vec3 n = facing(an.main.surface.normal(p), an.main.surface.focus - p);
            const double dS = rho * m.weight[i] * dp / std::fabs(geometry::dot(n, a));
            if (!std::isfinite(p.x + p.y + p.z + dS)) throw std::invalid_argument("the main has no finite point");
            points.push_back({p, n, dS, rho < m.blocked});
        }
    }

    // The field at each point of the main, and its currents.
    std::vector<std::array<cd, 3>> current(points.size());
    std::vector<double> flux(points.size());
    const double k = k_;
    // In blocks, each shared among the threads, so that progress can be told.
    constexpr std::size_t kBlock = 4096;
    for (std::size_t first = 0; first < points.size(); first += kBlock) {
        const std::size_t block = std::min(kBlock, points.size() - first);
        parallel_for(block, jobs_, [&](std::size_t b) {
            const std::size_t q = first + b;
            const Point& pt = points[q];
            cd e[3], hh[3];
            if (sub_count == 0) {
                from_feed(pt.p, e, hh);
            } else {
                double f[12];
                sub_field(pt.p, sub_count, k, f);
                const double hs = 1 / (4 * kPi), es = k / (4 * kPi);
                for (int c = 0; c < 3; ++c) {
                    hh[c] = hs * cd(f[2 * c], f[2 * c + 1]);
                    e[c] = es * cd(f[6 + 2 * c], f[6 + 2 * c + 1]);
                }
            }
            // The power into the main (against its normal), and 2 n x H.
            cd s[3];
            const cd hc[3] = {std::conj(hh[0]), std::conj(hh[1]), std::conj(hh[2])};
            s[0] = e[1] * hc[2] - e[2] * hc[1];
            s[1] = e[2] * hc[0] - e[0] * hc[2];
            s[2] = e[0] * hc[1] - e[1] * hc[0];
            flux[q] = -(s[0].real() * pt.n.x + s[1].real() * pt.n.y + s[2].real() * pt.n.z) * pt.dS;
            const Vec3& n = pt.n;
            current[q] = {2 * pt.dS * (n.y * hh[2] - n.z * hh[1]), 2 * pt.dS * (n.z * hh[0] - n.x * hh[2]),
                          2 * pt.dS * (n.x * hh[1] - n.y * hh[0])};
        });
        if (st.progress) st.progress(first + block, points.size());
    }
    double power = 0;
    for (double f : flux) power += f;
    spill_ = power / feed_power_;
    for (std::size_t q = 0; q < points.size(); ++q)
        if (!points[q].blocked) add_source(points[q].p, current[q].data());
    pad(Vec3{0, 0, 0});
}

void Currents::sub_field(Vec3 at, std::size_t count, double k, double f[12]) const {
    // H = 1/(4 pi) sum (1 + jkR) e^{-jkR}/R^2 J x R^
    // E = -jk/(4 pi) sum [a J - b (R^.J) R^] e^{-jkR}/R,
    //   a = 1 + 1/(jkR) - 1/(kR)^2, b = 1 + 3/(jkR) - 3/(kR)^2;
    // here without the factors 1/(4 pi) and k/(4 pi), in lanes summed in a
    // fixed order.
    constexpr std::size_t L = kLanes;
    double acc[12][L] = {};
    const double *sx = x_.data(), *sy = y_.data(), *sz = z_.data();
    const double *jxr_ = j_[0].data(), *jxi_ = j_[1].data(), *jyr_ = j_[2].data(), *jyi_ = j_[3].data(),
                 *jzr_ = j_[4].data(), *jzi_ = j_[5].data();
    auto term = [&](std::size_t s, std::size_t l) {
        const double dx = at.x - sx[s], dy = at.y - sy[s], dz = at.z - sz[s];
        const double R2 = dx * dx + dy * dy + dz * dz, R = std::sqrt(R2), iR = 1 / R, kR = k * R;
        double sn, cs;
        sin_cos(kR, sn, cs);
        const double iR3 = iR * iR * iR;
        const double hr = (cs + kR * sn) * iR3, hi = (kR * cs - sn) * iR3;
        const double jxr = jxr_[s], jxi = jxi_[s], jyr = jyr_[s], jyi = jyi_[s], jzr = jzr_[s], jzi = jzi_[s];
        // J x d
        const double cxr = jyr * dz - jzr * dy, cxi = jyi * dz - jzi * dy;
        const double cyr = jzr * dx - jxr * dz, cyi = jzi * dx - jxi * dz;
        const double czr = jxr * dy - jyr * dx, czi = jxi * dy - jyi * dx;
        acc[0][l] += hr * cxr - hi * cxi, acc[1][l] += hr * cxi + hi * cxr;
        acc[2][l] += hr * cyr - hi * cyi, acc[3][l] += hr * cyi + hi * cyr;
        acc[4][l] += hr * czr - hi * czi, acc[5][l] += hr * czi + hi * czr;
        // g = -j e^{-jkR}/R; ga = g a; gb = g b / R^2
        const double ikR = 1 / kR, ikR2 = ikR * ikR;
        const double gr = -sn * iR, gi = -cs * iR;
        const double ar = 1 - ikR2, ai = -ikR, br = 1 - 3 * ikR2, bi = -3 * ikR;
        const double gar = gr * ar - gi * ai, gai = gr * ai + gi * ar;
        const double gbr = (gr * br - gi * bi) * iR * iR, gbi = (gr * bi + gi * br) * iR * iR;
        const double jdr = jxr * dx + jyr * dy + jzr * dz, jdi = jxi * dx + jyi * dy + jzi * dz;
        const double tr = gbr * jdr - gbi * jdi, ti = gbr * jdi + gbi * jdr;  // gb (J.d)
        acc[6][l] += gar * jxr - gai * jxi - tr * dx, acc[7][l] += gar * jxi + gai * jxr - ti * dx;
        acc[8][l] += gar * jyr - gai * jyi - tr * dy, acc[9][l] += gar * jyi + gai * jyr - ti * dy;
        acc[10][l] += gar * jzr - gai * jzi - tr * dz, acc[11][l] += gar * jzi + gai * jzr - ti * dz;
    };
    for (std::size_t s = 0; s < count; s += L)  // count is a whole number of lanes
        for (std::size_t l = 0; l < L; ++l) term(s + l, l);
    for (int c = 0; c < 12; ++c) f[c] = ((acc[c][0] + acc[c][1]) + acc[c][2]) + acc[c][3];
}

void Currents::field(double theta, double phi, cd& co, cd& cross) const {
    const double st = std::sin(theta), ct = std::cos(theta), cp = std::cos(phi), sp = std::sin(phi);
    const Vec3 kh{st * cp, st * sp, ct};
    // N = sum J e^{jk k.r}, in lanes summed in a fixed order.
    constexpr std::size_t L = kLanes;
    double acc[6][L] = {};
    const std::size_t n = x_.size();
    const double *px = x_.data(), *py = y_.data(), *pz = z_.data();
    const double *jxr = j_[0].data(), *jxi = j_[1].data(), *jyr = j_[2].data(), *jyi = j_[3].data(),
                 *jzr = j_[4].data(), *jzi = j_[5].data();
    const double ax = k_ * kh.x, ay = k_ * kh.y, az = k_ * kh.z;
    auto term = [&](std::size_t i, std::size_t l) {
        double s, c;
        sin_cos(ax * px[i] + ay * py[i] + az * pz[i], s, c);
        acc[0][l] += jxr[i] * c - jxi[i] * s, acc[1][l] += jxr[i] * s + jxi[i] * c;
        acc[2][l] += jyr[i] * c - jyi[i] * s, acc[3][l] += jyr[i] * s + jyi[i] * c;
        acc[4][l] += jzr[i] * c - jzi[i] * s, acc[5][l] += jzr[i] * s + jzi[i] * c;
    };
    for (std::size_t i = 0; i < n; i += L)  // n is a whole number of lanes
        for (std::size_t l = 0; l < L; ++l) term(i + l, l);
    double sum[6];
    for (int c = 0; c < 6; ++c) sum[c] = ((acc[c][0] + acc[c][1]) + acc[c][2]) + acc[c][3];
    const double nxr = sum[0], nxi = sum[1], nyr = sum[2], nyi = sum[3], nzr = sum[4], nzi = sum[5];
    // A = -jk/(4 pi) (N - (N.k) k) + the feed's own far field.
    const cd N[3] = {{nxr, nxi}, {nyr, nyi}, {nzr, nzi}};
    const cd nk = N[0] * kh.x + N[1] * kh.y + N[2] * kh.z;
    const cd scale(0, -k_ / (4 * kPi));
    cd A[3] = {scale * (N[0] - nk * kh.x), scale * (N[1] - nk * kh.y), scale * (N[2] - nk * kh.z)};
    const detail::CVec f = feed_.field(kh);
    const cd fp = std::polar(1.0, k_ * geometry::dot(kh, feed_.centre));
    A[0] += f.x * fp, A[1] += f.y * fp, A[2] += f.z * fp;
    // Ludwig's third definition.
    const Vec3 th{ct * cp, ct * sp, -st}, ph{-sp, cp, 0};
    const cd et = A[0] * th.x + A[1] * th.y + A[2] * th.z, ep = A[0] * ph.x + A[1] * ph.y;
    const cd lx = cp * et - sp * ep, ly = sp * et + cp * ep;
    const double g = std::sqrt(4 * kPi / feed_power_);
    co = g * (lx * std::conj(refs_.co.x) + ly * std::conj(refs_.co.y));
    cross = g * (lx * std::conj(refs_.cross.x) + ly * std::conj(refs_.cross.y));
}

Cut Currents::cut(double phi, double theta_max, int points) const {
    Cut c;
    c.phi = phi;
    c.co_right = refs_.co_right;
    c.theta.resize(points);
    c.co.resize(points);
    c.cross.resize(points);
    parallel_for(static_cast<std::size_t>(points), jobs_, [&](std::size_t i) {
        const double t = points == 1 ? 0 : -theta_max + 2 * theta_max * static_cast<double>(i) / (points - 1);
        field(std::fabs(t), t < 0 ? phi + kPi : phi, c.co[i], c.cross[i]);
        c.theta[i] = t;
    });
    return c;
}

double Currents::half_power_width(double phi) const {
    cd co, cross;
    field(0, 0, co, cross);
    const double half = std::norm(co) / 2;
    const double step = 0.05 * (2 * kPi / k_) / diameter_;
    double width = 0;
    for (double p : {phi, phi + kPi}) {
        auto excess = [&](double s) {
            field(std::asin(std::min(s, 1.0)), p, co, cross);
            return std::norm(co) - half;
        };
        // The first step below half power (in sin theta), then the Illinois
        // form of regula falsi.
        double lo = 0, hi = step, flo = half, fhi = excess(hi);
        for (int i = 0; fhi > 0 && hi < 1 && i < 4000; ++i) lo = hi, flo = fhi, hi = std::min(1.0, hi + step), fhi = excess(hi);
        const double root = fhi <= 0 ? detail::regula_falsi(lo, hi, flo, fhi, hi, 1e-13 * half, excess) : hi;
        width += std::asin(std::min(root, 1.0));
    }
    return width;
}

void Currents::result(Result& r) const {
    cd co, cross;
    field(0, 0, co, cross);
    const double peak = std::norm(co), lambda = 2 * kPi / k_;
    r.gain_dBi = 10 * std::log10(peak);
    r.eff_spill = spill_;
    r.directivity_dBi = 10 * std::log10(peak / spill_);
    r.eff_total = peak / std::pow(kPi * diameter_ / lambda, 2);
    const double w0 = half_power_width(0), w90 = half_power_width(kPi / 2), hp = (w0 + w90) / 2;
    r.hpbw_deg = hp * 180 / kPi;
    // The cross-polar level and the sidelobes, read as the optics of the
    // aperture reads them.
    constexpr int kSteps = detail::kReadSteps;
    const double ds = std::sin(std::min(5 * hp, kPi / 2)) / kSteps;
    std::vector<double> level(6 * (kSteps + 1)), cross_level(level.size());
    parallel_for(level.size(), jobs_, [&](std::size_t q) {
        cd a, b;
        field(std::asin(std::min(1.0, static_cast<double>(q % (kSteps + 1)) * ds)),
              detail::kReadAzimuths[q / (kSteps + 1)], a, b);
        level[q] = std::norm(a);
        cross_level[q] = std::norm(b);
    });
    detail::CutReading reading;
    for (std::size_t h = 0; h < 6; ++h)
        reading.add(&level[h * (kSteps + 1)], &cross_level[h * (kSteps + 1)], ds, hp);
    r.xpol_dB = detail::db(reading.cross_max / peak);
    r.sll_dB = reading.found ? detail::db(reading.side / peak) : std::nan("");
}

}  // namespace radiate
