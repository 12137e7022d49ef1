// The geometrical-optics radiation engine against the physics it must keep.
#include <gtest/gtest.h>

#include <cmath>

#include "radiate/radiate.hpp"
#include "radiate/trig.hpp"
#include "study/study.hpp"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Case {
    std::vector<std::string> args;
    double d_over_lambda;
    bool offset;  // an offset dual reflector: free of cross-polarisation
};

radiate::Aperture aperture_of(const Case& c, double tilt = 0, radiate::Polarisation pol = radiate::Polarisation::x) {
    const study::Study s(study::read_inputs(c.args));
    const study::Design d = s.design(0);
    EXPECT_TRUE(d.ok()) << c.args[1] << " " << study::check_text(d.checks);
    const geometry::Antenna a = s.antenna(d);
    radiate::Settings st;
    st.wavelength = a.aperture.diameter / c.d_over_lambda;
    st.tilt = tilt;
    st.pol = pol;
    return radiate::Aperture(a, st);
}

const std::vector<Case> kCases = {
    {{"type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"}, 200, false},
    {{"type=gregorian", "DM=6", "FM=2.52", "DS=0.6", "TE=10"}, 100, false},
    {{"type=cassegrain", "DM=10", "FM=4", "LM=1", "DF=0.5"}, 300, false},
    {{"type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6"}, 100, true},
    {{"type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6"}, 1000, true},
    {{"type=gregorian", "DM=10", "FM=4", "HC=1", "E=0.35", "LS=3", "root=2"}, 150, true},
    {{"type=prime", "DM=1", "FM=0.4"}, 100, false},
    {{"type=prime", "DM=0.6", "FM=0.35", "H=0.5"}, 60, false},
};

// Power is kept: what reaches the aperture and what passes each reflector by
// add up to the feed's power; the efficiencies multiply to the total; the
// beam is as wide as an aperture of its size makes it.
TEST(Radiate, PowerBalanceAndEfficiencies) {
    for (const Case& c : kCases) {
        const radiate::Result r = aperture_of(c).result();
        EXPECT_NEAR(r.eff_spill + r.spill_sub + r.spill_main, 1.0, 1e-9) << c.args[1];
        EXPECT_NEAR(r.eff_spill * r.eff_block * r.eff_taper * r.eff_phase * r.eff_pol, r.eff_total, 1e-6 * r.eff_total)
            << c.args[1];
        // The gain is the aperture's, (pi D / lambda)^2, times the efficiency.
        EXPECT_NEAR(r.gain_dBi, 10 * std::log10(r.eff_total * std::pow(kPi * c.d_over_lambda, 2)), 1e-9) << c.args[1];
        EXPECT_NEAR(r.directivity_dBi - r.gain_dBi, -10 * std::log10(r.eff_spill), 1e-9) << c.args[1];
        // A tapered feed: most of the power on the aperture, tapered, and in
        // phase (an exact design has no path error).
        EXPECT_GT(r.eff_spill, 0.5) << c.args[1];
        EXPECT_GT(r.eff_taper, 0.6) << c.args[1];
        EXPECT_LE(r.eff_taper, 1.0 + 1e-9) << c.args[1];
        EXPECT_NEAR(r.eff_phase, 1.0, 1e-6) << c.args[1];
        EXPECT_GT(r.eff_total, 0.4) << c.args[1];
        // Between the uniform aperture's 1.02 lambda/D and a heavily tapered
        // one's 1.4.
        const double width = r.hpbw_deg * kPi / 180 * c.d_over_lambda;
        EXPECT_GT(width, 1.0) << c.args[1];
        EXPECT_LT(width, 1.4) << c.args[1];
        EXPECT_LT(r.sll_dB, -14) << c.args[1];
        EXPECT_GT(r.sll_dB, -60) << c.args[1];
    }
}

// Cross-polarisation: none in an axisymmetric design, next to none in an
// offset dual reflector built free of it, and much more once its feed is
// turned off its axis or in an offset prime-focus dish.
TEST(Radiate, CrossPolarisation) {
    for (const Case& c : kCases) {
        const radiate::Result r = aperture_of(c).result();
        const bool revolved = c.args.size() < 6 && c.args[0] != "type=prime" ? true : c.args[0] == "type=prime" && c.args.size() == 3;
        if (revolved) {
            EXPECT_EQ(r.xpol_dB, -300) << c.args[1];
        } else if (c.offset) {
            EXPECT_LE(r.xpol_dB, -100) << c.args[1];
            const double turned = aperture_of(c, 2 * kPi / 180).result().xpol_dB;
            const double more = aperture_of(c, 4 * kPi / 180).result().xpol_dB;
            EXPECT_GE(turned, r.xpol_dB + 80) << c.args[1];
            EXPECT_GT(more, turned) << c.args[1];
        } else {
            EXPECT_GT(r.xpol_dB, -40) << c.args[1];  // an offset prime-focus dish: some tens of dB down
            EXPECT_LT(r.xpol_dB, -10) << c.args[1];
        }
        // Circular polarisation keeps the gain.
        const radiate::Result rc = aperture_of(c, 0, radiate::Polarisation::rhc).result();
        EXPECT_NEAR(rc.eff_spill, r.eff_spill, 1e-12) << c.args[1];
    }
}

// A body of revolution is traced one ray a ring and summed ring by ring;
// the same antenna with its symmetry hidden from the engine (its feed moved
// off the axis by far less than rounding) is traced and summed ray by ray.
// Both must give the same columns and the same cuts, at every azimuth and
// polarisation, with and without a blocked centre.
TEST(Radiate, RingsOfARoundDesignMatchRayByRay) {
    struct Round {
        std::vector<std::string> args;
        double d_over_lambda;
        radiate::Polarisation pol;
        radiate::FeedKind feed;
    };
    const std::vector<Round> rounds = {
        {{"type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"}, 100, radiate::Polarisation::x, radiate::FeedKind::gaussian},
        {{"type=gregorian", "DM=6", "FM=2.52", "DS=0.6", "TE=10"}, 100, radiate::Polarisation::rhc, radiate::FeedKind::cosq},
        {{"type=cassegrain", "DM=10", "FM=4", "LM=1", "DF=0.5"}, 60, radiate::Polarisation::y, radiate::FeedKind::gaussian},
        {{"type=prime", "DM=1", "FM=0.4"}, 70, radiate::Polarisation::lhc, radiate::FeedKind::gaussian},
        {{"type=prime", "DM=1", "FM=0.4", "DF=0.2"}, 40, radiate::Polarisation::x, radiate::FeedKind::cosq},
    };
    for (const Round& c : rounds) {
        const study::Study s(study::read_inputs(c.args));
        const study::Design d = s.design(0);
        ASSERT_TRUE(d.ok()) << c.args[1] << " " << study::check_text(d.checks);
        const geometry::Antenna round = s.antenna(d);
        geometry::Antenna hidden = round;
        hidden.feed.phase_centre.y = 1e-300;
        ASSERT_TRUE(round.axially_symmetric()) << c.args[1];
        ASSERT_FALSE(hidden.axially_symmetric()) << c.args[1];
        radiate::Settings st;
        st.wavelength = round.aperture.diameter / c.d_over_lambda;
        st.pol = c.pol;
        st.feed = c.feed;
        const radiate::Aperture by_rings(round, st), by_rays(hidden, st);
        const radiate::Result a = by_rings.result(), b = by_rays.result();
        const auto ca = a.columns(), cb = b.columns();
        for (std::size_t k = 0; k < radiate::kColumnCount; ++k) {
            if (k == 8) continue;  // xpol_dB: both at the floor, asserted below
            EXPECT_NEAR(ca[k], cb[k], 1e-8 * std::fabs(cb[k])) << c.args[1] << " " << radiate::kColumns[k];
        }
        EXPECT_EQ(a.xpol_dB, -300) << c.args[1];
        EXPECT_EQ(b.xpol_dB, -300) << c.args[1];
        // The cuts out to eight beamwidths, the field relative to the peak.
        std::complex<double> peak, cross;
        by_rays.field(0, 0, peak, cross);
        for (double phi : {0.0, 0.3, 0.7853981633974483, 1.5707963267948966, 2.5}) {
            const radiate::Cut ra = by_rings.cut(phi, 8 / c.d_over_lambda, 41), rb = by_rays.cut(phi, 8 / c.d_over_lambda, 41);
            for (std::size_t i = 0; i < ra.co.size(); ++i) {
                EXPECT_LT(std::abs(ra.co[i] - rb.co[i]), 1e-9 * std::abs(peak)) << c.args[1] << " phi " << phi << " at " << i;
                EXPECT_LT(std::abs(ra.cross[i] - rb.cross[i]), 1e-9 * std::abs(peak)) << c.args[1] << " phi " << phi;
            }
        }
    }
}

// The aperture integration alone: a uniformly lit circle of 50 wavelengths
// has its first null at sin theta = 1.2197 lambda / D and its first sidelobe
// at -17.57 dB, and follows 2 J1(u) / u between.
TEST(Radiate, UniformCircleFromTheIntegrationAlone) {
    constexpr double D = 50, lambda = 1;
    std::vector<std::array<double, 3>> points;
    constexpr int nr = 48, na = 96;
    // Gauss-Legendre in r on [0, D/2] (its nodes and weights by Newton's method), uniform in angle.
    for (int i = 0; i < nr; ++i) {
        double z = std::cos(kPi * (i + 0.75) / (nr + 0.5)), dp = 0;
        for (int it = 0; it < 100; ++it) {
            double p0 = 1, p1 = 0;
            for (int j = 1; j <= nr; ++j) {
                const double p2 = p1;
                p1 = p0;
                p0 = ((2.0 * j - 1) * z * p1 - (j - 1.0) * p2) / j;
            }
            dp = nr * (z * p0 - p1) / (z * z - 1);
            z -= p0 / dp;
        }
        const double r = (z + 1) / 2 * D / 2, wr = 2 / ((1 - z * z) * dp * dp) * D / 4;
        for (int j = 0; j < na; ++j) {
            const double a = 2 * kPi * (j + 0.5) / na;
            points.push_back({r * std::cos(a), r * std::sin(a), wr * r * 2 * kPi / na});
        }
    }
    const radiate::Aperture ap = radiate::Aperture::of_points(points, lambda, D);
    std::complex<double> co0, co, cross;
    ap.field(0, 0, co0, cross);
    auto level = [&](double s, double phi) {
        ap.field(std::asin(s), phi, co, cross);
        return std::abs(co) / std::abs(co0) / ((1 + std::sqrt(1 - s * s)) / 2);
    };
    for (double s : {0.004, 0.012, 0.02, 0.03, 0.05})
        EXPECT_NEAR(level(s, 0.7), std::fabs(radiate::uniform_circle(D, s)), 1e-9) << s;
    // The first null and the first sidelobe, found on a fine scan.
    double null_s = 0, side = 0;
    for (int i = 1; i < 4000; ++i) {
        const double s = i * 1e-5, l = level(s, 0), prev = level(s - 1e-5, 0), next = level(s + 1e-5, 0);
        if (null_s == 0 && l < prev && l < next) null_s = s;
        if (null_s > 0 && l > prev && l > next) {
            side = l;
            break;
        }
    }
    EXPECT_NEAR(null_s, 1.2197 * lambda / D, 2e-5);
    EXPECT_NEAR(20 * std::log10(side), -17.57, 0.01);
}

// The far field of a design lit almost uniformly follows the closed form of
// a uniform circle near the beam.
TEST(Radiate, AlmostUniformApertureMatchesTheClosedForm) {
    const study::Study s(study::read_inputs(std::vector<std::string>{"type=prime", "DM=1", "FM=2"}));
    const geometry::Antenna a = s.antenna(s.design(0));
    radiate::Settings st;
    st.wavelength = 1.0 / 80;
    st.taper_db = 1e-9;  // no taper: the dish's own space loss alone, (1 + tan^2(TE/2))^-1 at the rim
    const radiate::Aperture ap(a, st);
    std::complex<double> co0, cross;
    ap.field(0, 0, co0, cross);
    for (double u : {0.3, 0.6, 0.9}) {  // sin theta in units of the first null, 1.2197 lambda / D
        const double sn = u * 1.2197 / 80;
        std::complex<double> co;
        ap.field(std::asin(sn), 0.3, co, cross);
        const double got = std::abs(co) / std::abs(co0) / ((1 + std::cos(std::asin(sn))) / 2);
        EXPECT_NEAR(got, radiate::uniform_circle(80, sn), 0.01) << u;
    }
}

}  // namespace

// The sine and cosine of physical optics' sums against the library's, over
// the phases they meet (up to a million radians) and the quarter-turn
// boundaries where the reduction changes sign.
TEST(RadiatePo, SinCosWithinAnUlpOrTwo) {
    for (const auto& [from, to] : {std::pair{-10.0, 10.0}, std::pair{1e3, 1e3 + 20}, std::pair{1e6, 1e6 + 20}}) {
        for (int i = 0; i <= 100000; ++i) {
            const double x = from + (to - from) * i / 100000;
            double s, c;
            radiate::sin_cos(x, s, c);
            ASSERT_NEAR(s, std::sin(x), 4e-16 * std::max(1.0, std::fabs(x) * 1e-6)) << x;
            ASSERT_NEAR(c, std::cos(x), 4e-16 * std::max(1.0, std::fabs(x) * 1e-6)) << x;
        }
    }
    for (int q = -8; q <= 8; ++q) {
        double s, c;
        radiate::sin_cos(q * kPi / 2, s, c);
        EXPECT_NEAR(s, std::sin(q * kPi / 2), 1e-15) << q;
        EXPECT_NEAR(c, std::cos(q * kPi / 2), 1e-15) << q;
    }
}

// Physical optics beside geometrical optics on small designs: a prime-focus
// dish (where the two agree to a hundredth of a dB: the currents of a
// paraboloid lit from its focus radiate its aperture's field), dual
// reflectors (within a dB: the small sub's diffraction), and the same bits
// on one thread as on several.
TEST(RadiatePo, BesideGeometricalOpticsAndThreadCountFree) {
    const std::vector<std::pair<Case, double>> cases = {
        {{{"type=prime", "DM=1", "FM=0.4"}, 30, false}, 0.01},
        {{{"type=prime", "DM=0.6", "FM=0.35", "H=0.5"}, 30, false}, 0.01},
        {{{"type=cassegrain", "DM=1", "FM=0.4", "DS=0.25", "TE=15"}, 30, false}, 1.0},
        {{{"type=gregorian", "DM=24", "FM=18", "H=18", "DS=7", "BETA=5.6"}, 30, true}, 1.0},
    };
    for (const auto& [c, within] : cases) {
        const study::Study s(study::read_inputs(c.args));
        const geometry::Antenna a = s.antenna(s.design(0));
        radiate::Settings st;
        st.wavelength = a.aperture.diameter / c.d_over_lambda;
        const radiate::Result go = radiate::Aperture(a, st).result();
        st.method = radiate::Method::po;
        st.jobs = 1;
        const radiate::Result po = radiate::result_of(a, st);
        EXPECT_NEAR(po.gain_dBi, go.gain_dBi, within) << c.args[1];
        EXPECT_NEAR(po.eff_spill, go.eff_spill, within / 10) << c.args[1];
        EXPECT_EQ(po.eff_block, go.eff_block) << "GO's sub-factors stay GO's";
        st.jobs = 3;
        const radiate::Result po3 = radiate::result_of(a, st);
        EXPECT_EQ(po.columns(), po3.columns()) << c.args[1];
    }
}
