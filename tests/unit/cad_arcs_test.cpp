// The rational quadratic Bézier pieces of a conic arc: every point of every
// piece on the conic, the pieces joined end to end, for each kind of conic
// over short, long and reversed spans.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "cad/model.hpp"

namespace {

using cad::Conic;
using cad::Point2;

// How far a point lies off the conic, relative to the conic's size.
double off(const Conic& c, Point2 p) {
    if (c.kind == Conic::Kind::parabola) return std::fabs(p.z - c.z0 - p.x * p.x / (4 * c.F)) / c.F;
    const double dx = p.x - c.centre.x, dz = p.z - c.centre.z;
    const double X = (dx * c.u.x + dz * c.u.z) / c.a, Y = (dx * c.v.x + dz * c.v.z) / c.b;
    return std::fabs(X * X + (c.kind == Conic::Kind::ellipse ? 1 : -1) * Y * Y - 1);
}

TEST(CadArcs, EveryPointOfEveryPieceOnTheConic) {
    const double pi = std::numbers::pi, tilt = 0.3;
    Conic parabola;
    parabola.F = 2.52;
    parabola.z0 = -1;
    Conic ellipse;
    ellipse.kind = Conic::Kind::ellipse;
    ellipse.centre = {1, 2};
    ellipse.u = {std::sin(tilt), std::cos(tilt)};
    ellipse.v = {std::cos(tilt), -std::sin(tilt)};
    ellipse.a = 3;
    ellipse.b = 1.2;
    Conic hyperbola = ellipse;
    hyperbola.kind = Conic::Kind::hyperbola;
    hyperbola.a = -0.7;  // the other branch
    const struct {
        const Conic* conic;
        double s0, s1;
        std::size_t pieces;
    } cases[] = {
        {&parabola, 0, 3, 1},          {&parabola, -2, 5, 1},       {&parabola, 3, 0.5, 1},
        {&ellipse, 0, pi / 2, 1},      {&ellipse, 0, pi, 2},        {&ellipse, -2.9, 2.9, 4},
        {&ellipse, 1, 0.2, 1},         {&hyperbola, 0, 0.9, 1},     {&hyperbola, -1.5, 2.5, 4},
        {&hyperbola, 3, 0, 3},
    };
    for (const auto& c : cases) {
        const std::vector<cad::Arc> arcs = cad::arcs(*c.conic, c.s0, c.s1);
        ASSERT_EQ(arcs.size(), c.pieces) << c.s0 << " to " << c.s1;
        const Point2 start = cad::point(*c.conic, c.s0), end = cad::point(*c.conic, c.s1);
        EXPECT_NEAR(arcs.front().p0.x, start.x, 1e-14);
        EXPECT_NEAR(arcs.back().p2.z, end.z, 1e-13);
        for (std::size_t k = 0; k < arcs.size(); ++k) {
            const cad::Arc& a = arcs[k];
            if (k > 0) {
                EXPECT_EQ(a.p0.x, arcs[k - 1].p2.x);
            }
            EXPECT_GT(a.w, 0);
            for (int i = 0; i <= 64; ++i) {
                const double t = i / 64.0, b0 = (1 - t) * (1 - t), b1 = 2 * t * (1 - t) * a.w, b2 = t * t;
                const double den = b0 + b1 + b2;
                const Point2 p{(b0 * a.p0.x + b1 * a.p1.x + b2 * a.p2.x) / den, (b0 * a.p0.z + b1 * a.p1.z + b2 * a.p2.z) / den};
                ASSERT_LT(off(*c.conic, p), 1e-13) << "piece " << k << " of " << c.s0 << " to " << c.s1 << " at " << t;
            }
        }
    }
}

}  // namespace
