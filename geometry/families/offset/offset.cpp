// The offset solutions, worked out here.
//
// Angles in the plane of symmetry are measured from the -z axis (toward
// the main vertex), positive toward +x: the direction d(th) = (sin th, -cos th).
//
// Main reflector: a ray leaving O at th meets the paraboloid at
// x = 2 FM tan(th/2); the aperture centre at H gives TH0, T0 = tan(TH0/2)
// = H / (2 FM).
//
// Sub conic: a feed ray at the signed angle xi from the direction F'->O
// leaves the conic toward the main at the angle Phi = th + BETA from the
// direction O->F', with tan(Phi/2) = s M tan(xi/2), s = -1 for the
// hyperboloid and +1 for the ellipsoid (the focal triangle: the half-angle
// tangents at the two foci have the product (1-e)/(1+e) on an ellipse and
// the quotient (e+1)/(e-1) on a hyperbola).  The feed axis ray (|xi| = ALPHA)
// must leave at TH0, and the cross-polar condition asks
// tan(ALPHA/2) = M tan(BETA/2).  With tb = tan(BETA/2) the two give the
// centring relation
//     tan((TH0 + BETA)/2) = (T0 + tb) / (1 - T0 tb) = M^2 tb,          (C)
// and the equivalent focal length becomes
//     FEQ = FM |e^2 - 1| / (1 + e^2 - 2 e cos BETA) = FM M (1 - T0 tb). (F)
//
// The shape step finds tb and M from T0 and one shape quantity:
//   BETA:  M^2 = tan((TH0 + BETA)/2) / tb, from (C);
//   E:     M from e; (C) is M^2 T0 tb^2 - (M^2 - 1) tb + T0 = 0, whose roots
//          multiply to 1/M^2: root 1 (the smaller BETA) is
//          2 T0 / (b + sqrt(b^2 - 4 M^2 T0^2)), b = M^2 - 1, which stays
//          finite as T0 -> 0; root 2 is the other;
//   ALPHA: with A = tan(ALPHA/2) = M tb, (C) is tb^2 + T0 (1 + A^2) tb - A^2 = 0,
//          whose positive root is 2 A^2 / (k + sqrt(k^2 + 4 A^2)), k = T0 (1 + A^2);
//   TE:    q = FEQ / FM = DM / (4 FM tan(TE/2)); (C) and (F) give
//          q^2 tb = (T0 + tb)(1 - T0 tb), so T0 tb^2 + (q^2 - 1 + T0^2) tb - T0 = 0
//          with one positive root, then M = q / (1 - T0 tb).
// Then e = (M+1)/(M-1) (Cassegrain) or (M-1)/(M+1) (Gregorian), ALPHA from
// the cross-polar condition and TE from DM = 4 FEQ tan(TE/2).
//
// Scale: with the angles fixed, the sub and F' scale with a = AS about O,
// so LS, DS, DSY, C2 and the chord are multiples of a, LSM is |OQ0| -+ a r0
// (the sub point of the central ray lies on the line O-Q0: between them
// for a Cassegrain, beyond O for a Gregorian), and DFPR and DSRPR are HC plus
// a multiple of a.  One scale quantity gives a.
//
// Cases 25 to 30 know TH0, BETA and TE: (C) gives M, (F) then FM = FEQ / q
// and H = 2 FM T0.  Case 31 knows TH0, BETA, LS and DFPR: a from LS, then
// H = DFPR + DM/2 - a 2 e sin BETA, FM = H / (2 T0), and TE from (F).
#include "geometry/families/offset/offset.hpp"

#include <algorithm>
#include <cmath>

namespace geometry {
namespace {

constexpr double kPi = 3.14159265358979323846;
double rad(double degrees) { return degrees * (kPi / 180); }
double deg(double radians) { return radians * (180 / kPi); }
float f(double v) { return static_cast<float>(v); }

enum class Family { main_given, main_from_feed_angle, feed_clearance };

struct CaseOf {
    Family family;
    int shape = 0;  // index in kOffsetShapes
    int scale = 0;  // index in kOffsetScales
};
CaseOf case_of(int number) {
    if (number <= 24) return {Family::main_given, (number - 1) / 6, (number - 1) % 6};
    if (number <= 30) return {Family::main_from_feed_angle, 3, number - 25};
    return {Family::feed_clearance, 0, 1};
}

double m_of_e(double e) { return std::fabs((e + 1) / (e - 1)); }
double e_of_m(double t, double M) { return t < 0 ? (M + 1) / (M - 1) : (M - 1) / (M + 1); }
// M from T0 and tb by the centring relation (C); NaN for no real M.
double m_of_beta(double T0, double tb) { return std::sqrt((T0 + tb) / ((1 - T0 * tb) * tb)); }
double feed_angle(const OffsetInputs& in) {
    return std::isnan(in.FDE) ? rad(in.TE) : 2 * std::atan(1 / (4 * double(in.FDE)));
}

}  // namespace

OffsetCaseNames offset_case_names(int number) {
    const CaseOf c = case_of(number);
    if (c.family == Family::main_given) return {{"DM", "FM", "H", kOffsetShapes[c.shape], kOffsetScales[c.scale]}};
    if (c.family == Family::main_from_feed_angle) return {{"DM", "TH0", "TE", "BETA", kOffsetScales[c.scale]}};
    return {{"DM", "TH0", "BETA", "LS", "DFPR"}};
}

Status solve_offset(int number, const OffsetInputs& in, OffsetDesign& out) {
    const CaseOf c = case_of(number);
    const double t = in.t, DM = in.DM;
    double FM = in.FM, H = kNoValue, T0 = kNoValue;
    // The main reflector, as far as it is given.
    if (c.family == Family::main_given) {
        if (!std::isnan(in.H)) H = in.H;
        else if (!std::isnan(in.HC)) H = double(in.HC) + DM / 2;
        else H = 2 * FM * std::tan(rad(in.TH0) / 2);
        T0 = H / (2 * FM);
    } else {
        T0 = std::tan(rad(in.TH0) / 2);
    }

    // The shape: tb = tan(BETA/2) and M.
    double tb = kNoValue, M = kNoValue, te = kNoValue;
    Status status = Status::solved;
    const std::string_view shape = c.family == Family::main_given ? kOffsetShapes[c.shape] : "BETA";
    if (shape == "BETA") {
        tb = std::tan(rad(in.BETA) / 2);
        M = m_of_beta(T0, tb);
    } else if (shape == "E") {
        M = m_of_e(in.E);
        const double b = M * M - 1, disc = b * b - 4 * M * M * T0 * T0;
        if (disc < 0) {
            status = Status::no_real_root;
        } else {
            const double big = b + std::sqrt(disc);
            tb = in.root == 2 ? big / (2 * M * M * T0) : 2 * T0 / big;
        }
    } else if (shape == "ALPHA") {
        const double A = std::tan(rad(in.ALPHA) / 2), k = T0 * (1 + A * A);
        tb = 2 * A * A / (k + std::sqrt(k * k + 4 * A * A));
        M = A / tb;
    } else {  // TE
        te = feed_angle(in);
        const double q = DM / (4 * FM * std::tan(te / 2));
        const double b = q * q - 1 + T0 * T0, D = std::sqrt(b * b + 4 * T0 * T0);
        tb = b >= 0 ? 2 * T0 / (b + D) : (D - b) / (2 * T0);
        M = q / (1 - T0 * tb);
    }
    if (std::isnan(M) && status == Status::solved) status = Status::negative_radicand;
    const double e = shape == "E" ? double(in.E) : e_of_m(t, M);
    const double beta = 2 * std::atan(tb);
    const double alpha = shape == "ALPHA" ? rad(in.ALPHA) : 2 * std::atan(M * tb);
    const double q = M * (1 - T0 * tb);  // FEQ / FM
    if (c.family == Family::main_from_feed_angle) {
        te = feed_angle(in);
        FM = DM / (4 * std::tan(te / 2)) / q;
        H = 2 * FM * T0;
    }

    // The scale: each quantity is off + a * per_a.
    double a = kNoValue;
    auto frame_at = [&](double size) { return OffsetFrame(t, DM, FM, H, beta, e, alpha, te, size); };
    if (c.family == Family::feed_clearance) {
        const OffsetFrame unit(t, DM, 1, 1, beta, e, alpha, 0, 1);  // LS needs neither main nor TE
        a = double(in.LS) / norm(unit.sub_centre() - unit.feed);
        H = double(in.DFPR) + DM / 2 - a * 2 * e * std::sin(beta);
        FM = H / (2 * T0);
    }
    if (std::isnan(te)) te = 2 * std::atan(DM / (4 * FM * q));
    const double HC = H - DM / 2;
    if (c.family != Family::feed_clearance) {
        const OffsetFrame unit = frame_at(1);
        const Vec3 q0 = unit.main_at(H);
        double off = 0, per_a = 0, given = 0;
        switch (c.scale) {
        case 0: per_a = std::fabs(dot(unit.sub_edge(0) - unit.sub_edge(1), Vec3{std::cos(beta), 0, -std::sin(beta)}));
                given = in.DS; break;
        case 1: per_a = norm(unit.sub_centre() - unit.feed); given = in.LS; break;
        case 2: off = norm(q0);
                per_a = norm(q0 - unit.sub_centre()) - off;
                given = in.LSM; break;
        case 3: per_a = 2 * e; given = in.C2; break;
        case 4: off = HC; per_a = 2 * e * std::sin(beta); given = in.DFPR; break;
        default: off = HC; per_a = -std::max(unit.sub_edge(0).x, unit.sub_edge(1).x); given = in.DSRPR; break;
        }
        a = (given - off) / per_a;
    }

    // The design at its size.
    const OffsetFrame fr = frame_at(a);
    const Vec3 s0 = fr.sub_centre(), s1 = fr.sub_edge(0), s2 = fr.sub_edge(1);
    const Vec3 q0 = fr.main_at(H), m1 = fr.main_at(H - DM / 2), m2 = fr.main_at(H + DM / 2);
    const double FEQ = FM * q;
    out.t = in.t;
    out.DM = f(DM);
    out.FM = f(FM);
    out.H = f(H);
    out.HC = f(HC);
    out.TH0 = c.family == Family::main_given && std::isnan(in.TH0) ? f(deg(2 * std::atan(T0))) : in.TH0;
    out.BETA = shape == "BETA" && !std::isnan(in.BETA) ? in.BETA : f(deg(beta));
    out.ALPHA = shape == "ALPHA" ? in.ALPHA : f(deg(alpha));
    out.E = shape == "E" ? in.E : f(e);
    out.TE = !std::isnan(in.TE) ? in.TE : f(deg(te));
    out.FDE = !std::isnan(in.FDE) ? in.FDE : f(1 / (4 * std::tan(te / 2)));
    out.AS = f(a);
    out.FS = f(a * e);
    out.C2 = f(2 * a * e);
    out.DS = f(std::fabs(dot(s1 - s2, Vec3{std::cos(beta), 0, -std::sin(beta)})));
    out.DSY = f(fr.rim_width_y());
    out.LS = f(norm(s0 - fr.feed));
    out.LSM = f(norm(q0 - s0));
    out.FEQ = f(FEQ);
    out.M = f(M);
    out.DFPR = f(HC - fr.feed.x);
    out.DSRPR = f(HC - std::max(s1.x, s2.x));
    out.DF = in.DF;
    out.chord = f(norm(s1 - s2));
    out.feed_axis = f(std::fabs(deg(fr.tilt)));
    double xlo = fr.feed.x, xhi = fr.feed.x, zlo = fr.feed.z, zhi = fr.feed.z;
    for (const Vec3& v : {s1, s2, m1, m2}) {
        xlo = std::min(xlo, v.x), xhi = std::max(xhi, v.x);
        zlo = std::min(zlo, v.z), zhi = std::max(zhi, v.z);
    }
    out.length = f(zhi - zlo);
    out.height = f(xhi - xlo);
    return status;
}

namespace {
OffsetPoint in_plane(Vec3 v) { return {v.x, v.z}; }
}  // namespace

OffsetFrame offset_frame(const OffsetDesign& d) {
    return OffsetFrame(d.t, d.DM, d.FM, d.H, rad(d.BETA), d.E, rad(d.ALPHA), rad(d.TE), d.AS);
}

OffsetPoints offset_points(const OffsetDesign& d) {
    const OffsetFrame fr = offset_frame(d);
    OffsetPoints p;
    p.feed = in_plane(fr.feed);
    p.sub_centre = in_plane(fr.sub_centre());
    p.sub_edge[0] = in_plane(fr.sub_edge(0));
    p.sub_edge[1] = in_plane(fr.sub_edge(1));
    p.main_centre = in_plane(fr.main_at(d.H));
    p.main_edge[0] = in_plane(fr.main_at(double(d.H) - double(d.DM) / 2));
    p.main_edge[1] = in_plane(fr.main_at(double(d.H) + double(d.DM) / 2));
    return p;
}

bool inside_ray_bundle(const OffsetDesign& d, double x, double y, double z) {
    const OffsetFrame fr = offset_frame(d);
    const Vec3 X{x, y, z};
    const double r = norm(X);
    if (!(r > 0)) return true;  // O itself: every ray passes it
    // Whether the ray leaving O along v reaches the main inside the aperture,
    // and how far away.
    auto reach = [&](Vec3 v, double& R) {
        R = 2 * fr.FM / (1 - v.z);
        const double ax = R * v.x - fr.H, ay = R * v.y;
        return ax * ax + ay * ay <= double(d.DM) * double(d.DM) / 4;
    };
    const Vec3 v = (1 / r) * X;
    double R = 0;
    if (d.t < 0) return reach(v, R) && r <= R && r >= fr.sub_distance(v);
    if (reach(v, R) && r <= R) return true;  // between O and the main
    const Vec3 back = -1.0 * v;
    return reach(back, R) && r <= fr.sub_distance(back);  // between the sub and O
}

bool feed_blocks(const OffsetDesign& d) {
    const OffsetFrame fr = offset_frame(d);
    const double R = double(d.DM) / 2;
    auto blocks = [&](Vec3 X) {
        const double dx = X.x - fr.H;
        return dx * dx + X.y * X.y < R * R || inside_ray_bundle(d, X.x, X.y, X.z);
    };
    if (std::isnan(d.DF)) return double(d.DFPR) <= 0 || blocks(fr.feed);
    // The horn's aperture, a disc across the feed axis whose rim lies on the
    // edge rays: it blocks where any of it stands in the beam column or the
    // rays between sub and main, or reaches the sub along the feed's own
    // rays (a horn as long as that swallows the sub, however large).
    const double r = double(d.DF) / 2, depth = r / std::tan(fr.te);
    constexpr int kRim = 72, kRings = 8;
    for (int j = kRings; j >= 0; --j) {
        const double rho = r * j / kRings;
        for (int k = 0; k < (j == 0 ? 1 : kRim); ++k) {
            const double s = 2 * kPi * k / kRim;
            const Vec3 offset = (rho * std::cos(s)) * fr.across + Vec3{0, rho * std::sin(s), 0};
            const Vec3 at = fr.feed + depth * fr.axis + offset;
            if (blocks(at)) return true;
            // Along the feed ray through this point, the sub lies at the
            // focal distance p / (1 - e cos psi) from F', when the ray meets
            // it at all (not past the asymptote).
            const Vec3 ray = at - fr.feed;
            const double along = norm(ray);
            const double to_sub = fr.p / (1 - fr.e * dot((1 / along) * ray, fr.w));
            if (to_sub > 0 && along >= to_sub) return true;
        }
    }
    return false;
}

double offset_inconsistency(const OffsetDesign& d) {
    const double e = d.E, M = d.M, FM = d.FM, DM = d.DM;
    const double tb = std::tan(rad(d.BETA) / 2), ta = std::tan(rad(d.ALPHA) / 2);
    const double u = std::tan(rad(double(d.TH0) + double(d.BETA)) / 2), tt = std::tan(rad(d.TE) / 2);
    auto rel = [](double residual, double size) { return size == 0 ? 0.0 : std::fabs(residual) / size; };
    double worst = 0;
    auto take = [&worst](double r) {
        if (r > worst) worst = r;
    };
    take(rel(M - m_of_e(e), std::fabs(M) + std::fabs(m_of_e(e))));
    take(rel(ta - M * tb, std::fabs(ta) + std::fabs(M * tb)));
    take(rel(u - M * M * tb, std::fabs(u) + std::fabs(M * M * tb)));
    const double feq = FM * std::fabs(e * e - 1) / (1 + e * e - 2 * e * std::cos(rad(d.BETA)));
    take(rel(DM - 4 * feq * tt, std::fabs(DM) + std::fabs(4 * feq * tt)));
    take(rel(double(d.H) - 2 * FM * std::tan(rad(d.TH0) / 2), std::fabs(d.H) + std::fabs(2 * FM * std::tan(rad(d.TH0) / 2))));
    take(rel(double(d.FS) - e * double(d.AS), std::fabs(d.FS) + std::fabs(e * double(d.AS))));
    return worst;
}

}  // namespace geometry
