// QUADR and the three root-selection rules.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstdint>

#include "geometry/model.hpp"

namespace {

using geometry::QUADR;
using Roots = std::complex<float>[2];

TEST(Quadr, RealRootsComeFirstAsQOverC2ThenC0OverQ) {
    // x^2 - 3x + 2: q = 2, so the first root is q / c2 = 2 and the second
    // c0 / q = 1.
    const float c[3] = {2, -3, 1};
    Roots r;
    std::int32_t status = -7;
    QUADR(c, r, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(r[0], std::complex<float>(2, 0));
    EXPECT_EQ(r[1], std::complex<float>(1, 0));

    // Same roots with c1 > 0 flips the sign choice: x^2 + 3x + 2.
    const float c2[3] = {2, 3, 1};
    QUADR(c2, r, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(r[0], std::complex<float>(-2, 0));
    EXPECT_EQ(r[1], std::complex<float>(-1, 0));
}

TEST(Quadr, NegativeDiscriminantGivesConjugatePairAndStatusOne) {
    const float c[3] = {1, 0, 1};  // x^2 + 1
    Roots r;
    std::int32_t status = 0;
    QUADR(c, r, status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(r[0].real(), 0.0f);
    EXPECT_EQ(r[0].imag(), -1.0f);
    EXPECT_EQ(r[1].real(), 0.0f);
    EXPECT_EQ(r[1].imag(), 1.0f);

    // A later call with a real pair resets the status.
    const float real[3] = {2, -3, 1};
    QUADR(real, r, status);
    EXPECT_EQ(status, 0);
}

TEST(Quadr, SmallRootKeepsFullPrecisionWhereTheTextbookFormulaCancels) {
    // x^2 - 1e8 x + 1: the small root 1e-8 loses most of its digits in
    // (-c1 - sqrt(D)) / 2, even evaluated in double precision.
    const float c[3] = {1, -1e8f, 1};
    Roots r;
    std::int32_t status = 0;
    QUADR(c, r, status);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(r[0].real(), 1e8f);
    EXPECT_FLOAT_EQ(r[1].real(), 1e-8f);
}

TEST(Quadr, DegenerateCoefficientsAreNotGuarded) {
    Roots r;
    std::int32_t status = 1;

    // c2 = 0: the first root is not finite, the second is the linear root.
    const float linear[3] = {2, 4, 0};
    QUADR(linear, r, status);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(std::isfinite(r[0].real()) && std::isfinite(r[0].imag()));
    EXPECT_EQ(r[1], std::complex<float>(-0.5f, 0));

    // c1 = 0 and D = 0: q is 0, so the second root is NaN.
    const float zero[3] = {0, 0, 1};
    QUADR(zero, r, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(r[0].real(), 0.0f);
    EXPECT_TRUE(std::isnan(r[1].real()));
}

TEST(RootRules, PickByRealPartAndSign) {
    using geometry::larger_root;
    using geometry::sign_rule_root;
    using geometry::smaller_root;
    auto pair = [](float a, float b) {
        return std::array<std::complex<float>, 2>{std::complex<float>(a, 9), std::complex<float>(b, -9)};
    };
    struct Row {
        float r1, r2, larger, smaller, sign_rule;
    } rows[] = {
        {2, 1, 2, 1, 1},        // both positive: the smaller
        {1, 2, 2, 1, 1},
        {-5, -1, -1, -5, -5},   // both negative: the smaller
        {-5, 1, 1, -5, 1},      // opposite signs: the larger
        {0.4f, 0, 0.4f, 0, 0.4f},  // a zero root counts as opposite signs
        {0, -3, 0, -3, 0},
        {3, 3, 3, 3, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "roots " << row.r1 << ", " << row.r2);
        const auto roots = pair(row.r1, row.r2);
        EXPECT_EQ(larger_root(roots.data()), row.larger);
        EXPECT_EQ(smaller_root(roots.data()), row.smaller);
        EXPECT_EQ(sign_rule_root(roots.data()), row.sign_rule);
    }

    // Tiny roots whose single-precision product underflows still have one sign.
    const auto tiny = pair(1e-30f, 2e-30f);
    EXPECT_EQ(sign_rule_root(tiny.data()), 1e-30f);
}

}  // namespace

// Values that are not numbers flow through: a NaN discriminant (from
// coefficients that overflowed) gives NaN roots with status 0, a finite c0
// over an infinite q is zero, and no root rule picks the other root
// because a comparison with NaN came out false.
TEST(Quadr, NonFiniteCoefficientsAndRootsFlowThrough) {
    const float inf = INFINITY, nan = NAN;
    Roots r;
    std::int32_t status = -7;
    const float overflowed[3] = {inf, inf, inf};  // D = inf - inf
    QUADR(overflowed, r, status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::isnan(r[0].real()) && std::isnan(r[1].real()));
    const float huge_c1[3] = {3, inf, 1};  // q = -inf: the second root is 3 / -inf
    QUADR(huge_c1, r, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(r[1].real(), 0.0f);
    EXPECT_EQ(r[0].real(), -inf);

    struct Case {
        float r1, r2, larger, smaller, sign_rule;
    };
    const Case cases[] = {
        {nan, 1, nan, nan, nan}, {1, nan, nan, nan, nan},  {-inf, 0, 0, -inf, 0},
        {inf, 0, inf, 0, inf},   {0, inf, inf, 0, inf},    {2, 1, 2, 1, 1},
        {-5, 1, 1, -5, 1},       {-1, -2, -1, -2, -2},
    };
    for (const Case& c : cases) {
        const std::complex<float> roots[2] = {{c.r1, 0}, {c.r2, 0}};
        for (auto [got, want] : {std::pair{geometry::larger_root(roots), c.larger},
                                 std::pair{geometry::smaller_root(roots), c.smaller},
                                 std::pair{geometry::sign_rule_root(roots), c.sign_rule}}) {
            if (std::isnan(want)) {
                EXPECT_TRUE(std::isnan(got)) << c.r1 << ", " << c.r2;
            } else {
                EXPECT_EQ(got, want) << c.r1 << ", " << c.r2;
            }
        }
    }
}
