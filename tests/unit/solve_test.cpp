// The solve program's number syntax and its consistency measure.
#include <gtest/gtest.h>

#include <cmath>

#include "study/inputs.hpp"
#include "study/study.hpp"
#include "geometry/design_cases.hpp"

namespace {

TEST(SolveNumbers, PlainDecimalNumbersOnly) {
    struct Case {
        const char* text;
        bool ok;
        float value;
    };
    const Case cases[] = {
        {"12", true, 12.0f},      {"-0.5", true, -0.5f},   {"+.25", true, 0.25f},  {"3.", true, 3.0f},
        {"1e-3", true, 1e-3f},    {"2.5E+2", true, 250.0f}, {"1e-45", true, 1e-45f}, {"0", true, 0.0f},
        {"", false, 0},           {".", false, 0},          {"-", false, 0},        {"1e", false, 0},
        {"1,5", false, 0},        {"0x10", false, 0},       {"inf", false, 0},      {"nan", false, 0},
        {"1e39", false, 0},       {" 1", false, 0},         {"1 ", false, 0},       {"1d3", false, 0},
    };
    for (const Case& c : cases) {
        float v = -7;
        EXPECT_EQ(study::parse_number(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

// The consistent Cassegrain design with its blockage feed; then each
// identity broken by moving one value 5 %.
TEST(SolveConsistency, ResidualsOfTheDesignIdentities) {
    geometry::DualReflectorGeometry g;
    g.t = -1, g.DM = 2, g.FM = 1, g.LM = 0.2f, g.DS = 0.318367f, g.LS = 0.65f, g.TE = 0.229753f;
    g.AS = 0.25f, g.FS = 0.4f, g.DF = 0.254694f;
    EXPECT_LT(geometry::inconsistency(g, true), 1e-5);
    for (geometry::Quantity q : {geometry::qty::FM, geometry::qty::LS, geometry::qty::TE, geometry::qty::DF}) {
        geometry::DualReflectorGeometry h = g;
        h.*q *= 1.05f;
        EXPECT_GT(geometry::inconsistency(h, true), 50 * study::kConsistencyTolerance) << geometry::name_of(q);
    }
    geometry::DualReflectorGeometry n = g;
    n.LS = NAN;  // a NaN is the non-finite check's, not a residual
    EXPECT_FALSE(geometry::inconsistency(n, true) > study::kConsistencyTolerance);
}

}  // namespace
