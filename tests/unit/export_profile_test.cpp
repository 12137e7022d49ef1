// Subreflector conic and profile samples of the consistent designs, and the
// point counts and sample positions of both file kinds.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "export/champ.hpp"
#include "export/profile.hpp"
#include "export/rsf.hpp"

namespace surface {
namespace {

struct Design {
    float DM, FM, DS, TE, t;
};
const Design kCassegrain{2, 1, 0.318367f, 0.229753f, -1};
const Design kGregorian{2, 1, 0.380952f, 0.199337f, 1};

struct Conic {
    float FDE, a, b, zC, zF;
    Profile main, sub;
};

Conic solve(Design d) {
    Conic k{};
    float FD = d.FM / d.DM;
    k.FDE = static_cast<float>(1.0 / (4.0 * std::tan(double(d.TE) / 2.0)));
    std::array<float, 3> centre{}, feed{};
    DURGEO(d.DM, d.DS, FD, k.FDE, d.t, k.a, k.b, centre, feed);
    EXPECT_EQ(centre[0], 0.0f);
    EXPECT_EQ(centre[1], 0.0f);
    EXPECT_EQ(feed[0], 0.0f);
    EXPECT_EQ(feed[1], 0.0f);
    k.zC = centre[2];
    k.zF = feed[2];
    k.main = make_profile(Reflector::main, d.FM, d.t, k.a, k.b, centre, feed);
    k.sub = make_profile(Reflector::sub, d.FM, d.t, k.a, k.b, centre, feed);
    return k;
}

constexpr float kTol = 2e-6f;

TEST(Durgeo, CassegrainHyperboloid) {
    Conic k = solve(kCassegrain);
    EXPECT_NEAR(k.FDE, 2.166667f, 5e-6f);
    EXPECT_NEAR(k.a, 0.25f, kTol);              // AS
    EXPECT_NEAR(k.b, 0.312250f, kTol);
    EXPECT_NEAR(1.0f - k.zC, 0.4f, kTol);       // c = FS
    EXPECT_NEAR(k.zC, 0.6f, kTol);
    EXPECT_NEAR(k.zF, 0.2f, kTol);              // LM
    const float rim = kCassegrain.DS / 2;
    // The vertex lies below the main focus, the rim at the total length.
    EXPECT_NEAR(rsf_z(k.sub, 0, 1, 0), 0.85f, kTol);
    EXPECT_NEAR(rsf_z(k.sub, rim, 1, 0), 0.880612f, kTol);
    EXPECT_NEAR(champ_z(k.sub, 0), 0.65f, kTol);  // a + c = LS
    EXPECT_NEAR(champ_z(k.sub, rim), 0.680612f, kTol);
    EXPECT_NEAR(champ_z(k.main, 0), -0.2f, kTol);  // -LM
}

TEST(Durgeo, GregorianEllipsoid) {
    Conic k = solve(kGregorian);
    EXPECT_NEAR(k.FDE, 2.5f, 5e-6f);
    EXPECT_NEAR(k.a, 0.6f, kTol);
    EXPECT_NEAR(k.b, 0.447214f, kTol);
    EXPECT_NEAR(k.zC, 0.6f, kTol);
    EXPECT_NEAR(k.zF, 0.2f, kTol);
    const float rim = kGregorian.DS / 2;
    EXPECT_NEAR(rsf_z(k.sub, 0, 1, 0), 1.2f, kTol);  // LT: the vertex is the far point
    EXPECT_NEAR(rsf_z(k.sub, rim, 1, 0), 1.142857f, kTol);
    EXPECT_NEAR(champ_z(k.sub, 0), 1.0f, kTol);
    EXPECT_NEAR(champ_z(k.sub, rim), 0.942857f, kTol);
    // Beyond the ellipse's semi-minor axis there is no surface.
    EXPECT_TRUE(std::isnan(rsf_z(k.sub, 0.5f, 1, 0)));
    EXPECT_TRUE(std::isnan(champ_z(k.sub, 0.5f)));
}

TEST(Durgeo, OtherTypesGiveNoConicEvenAfterAValidOne) {
    // A conic of an earlier call must not leak into a design without one.
    solve(kCassegrain);
    for (float t : {0.0f, 0.5f, -0.999999f, 2.0f}) {
        Design d = kCassegrain;
        d.t = t;
        Conic k = solve(d);
        EXPECT_TRUE(std::isnan(k.a)) << t;
        EXPECT_TRUE(std::isnan(k.b)) << t;
        EXPECT_TRUE(std::isnan(k.zC)) << t;
        EXPECT_TRUE(std::isnan(k.zF)) << t;
        EXPECT_TRUE(std::isnan(champ_z(k.main, 0.5f))) << t;
        // The main reflector's .rsf profile needs no conic.
        EXPECT_EQ(rsf_z(k.main, 0.5f, 1, 0), 0.0625f) << t;
    }
}

TEST(Durgeo, MagnificationOneGivesNaN) {
    float DM = 2, DS = 0.3f, FD = 0.5f, FDE = 0.5f, t = -1, a = 0, b = 0;
    std::array<float, 3> centre{}, feed{};
    DURGEO(DM, DS, FD, FDE, t, a, b, centre, feed);
    EXPECT_TRUE(std::isnan(a));
    EXPECT_TRUE(std::isnan(b));
    EXPECT_TRUE(std::isnan(centre[2]));
    EXPECT_TRUE(std::isnan(feed[2]));
}

TEST(Profile, MainReflectorRules) {
    Profile p;
    p.FM = 62.5f;
    p.zF = 10;
    EXPECT_EQ(rsf_z(p, 0, 1, 0), 0.0f);
    EXPECT_EQ(rsf_z(p, 0, 1, 3.25f), 3.25f);  // the vertex sits at the z offset
    EXPECT_EQ(rsf_z(p, 25, 1, 0), 2.5f);
    EXPECT_EQ(rsf_z(p, 25, -1, 0), -2.5f);
    EXPECT_EQ(rsf_z(p, 50, -1, 5), -5.0f);
    EXPECT_EQ(champ_z(p, 0), -10.0f);
    EXPECT_EQ(champ_z(p, 50), 0.0f);
}

TEST(Profile, SubreflectorRsfIsMirroredAndShifted) {
    Conic k = solve(kCassegrain);
    const float up = rsf_z(k.sub, 0.1f, 1, 0);
    EXPECT_EQ(rsf_z(k.sub, 0.1f, -1, 0), -up);
    EXPECT_NEAR(rsf_z(k.sub, 0.1f, -1, 5), 5 - up, 1e-6f);
}

TEST(Sampling, RsfDiametersAndCHAMPRadii) {
    EXPECT_EQ(rsf_diameter(0, 50, 1), 0.0f);
    EXPECT_EQ(rsf_diameter(0, 50, 3), 100.0f);
    EXPECT_EQ(rsf_diameter(10, -2.5f, 3), 5.0f);
    EXPECT_EQ(rsf_radius(9.0f), 4.5f);
    // Rounded once: 1 + 9*0.1 is 1.89999998, where rounding the product
    // first would give 1.9000001.
    EXPECT_EQ(rsf_diameter(1, 0.1f, 10), 1.89999998f);
    EXPECT_EQ(rsf_diameter(0, 0.1f, 1000001), 100000.0f);

    // CHAMP nodes run from start/2 to stop/2, in either direction.
    const float step = champ_step(100, 0, 5);
    EXPECT_EQ(step, -25.0f);
    EXPECT_EQ(champ_radius(100, step, 1), 50.0f);
    EXPECT_EQ(champ_radius(100, step, 5), 0.0f);
    EXPECT_EQ(champ_radius(0, champ_step(0, 100, 3), 2), 25.0f);
}

TEST(Sampling, CHAMPCountOfOneHasNoStep) {
    EXPECT_TRUE(std::isinf(champ_step(0, 100, 1)));
    EXPECT_TRUE(std::isnan(champ_step(7, 7, 1)));
    EXPECT_TRUE(std::isnan(champ_radius(0, champ_step(0, 100, 1), 1)));
    // Counts far from 1 must not overflow when forming N - 1.
    EXPECT_EQ(champ_step(0, 0, INT32_MIN), 0.0f);
    EXPECT_GT(champ_step(0, 1, INT32_MAX), 0.0f);
}

TEST(RsfPointCount, TruncatesQuotientPlusOnePointFour) {
    struct Case {
        float start, stop, step;
        std::int32_t n;
    };
    for (Case c : {Case{0, 10, 1, 11}, Case{0, 10, 3, 4}, Case{0, 9.5f, 1, 10},
                   Case{10, 0, 1, -8}, Case{0, 100, 50, 3}, Case{5, 5, 1, 1},
                   Case{0, 0.5f, 1, 1}, Case{0, -1.5f, 1, 0}, Case{0, -3, 1, -1},
                   Case{0, 1, 0.1f, 11}, Case{0, 2147483520.0f, 1, 2147483521}}) {
        std::int32_t n = 12345;
        ASSERT_TRUE(rsf_point_count(c.start, c.stop, c.step, n)) << c.start << ',' << c.stop << ',' << c.step;
        EXPECT_EQ(n, c.n) << c.start << ',' << c.stop << ',' << c.step;
    }
}

TEST(RsfPointCount, RefusesCountsThatAreNoNumberOr32Bits) {
    struct Case {
        float start, stop, step;
    };
    for (Case c : {Case{0, 10, 0}, Case{0, 0, 0}, Case{0, 10, -0.0f}, Case{0, 3e38f, 1e-30f},
                   Case{0, 2147483648.0f, 1}, Case{0, -2147483904.0f, 1}, Case{-3e38f, 3e38f, 1}}) {
        std::int32_t n = 12345;
        EXPECT_FALSE(rsf_point_count(c.start, c.stop, c.step, n)) << c.start << ',' << c.stop << ',' << c.step;
        EXPECT_EQ(n, 12345);
    }
    // The lowest count that still fits.
    std::int32_t n = 0;
    EXPECT_TRUE(rsf_point_count(0, -2147483648.0f, 1, n));
    EXPECT_EQ(n, -2147483646);
}

}  // namespace
}  // namespace surface
