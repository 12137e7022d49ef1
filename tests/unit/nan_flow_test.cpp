// A NaN flows through every conversion as NaN and selects no branch: the
// row count, the feed-angle conversions, the subreflector conic and the
// total length.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "export/profile.hpp"
#include "geometry/model.hpp"
#include "geometry/ranges.hpp"

namespace {

TEST(NanFlow, ConversionsKeepNaN) {
    const float nan = NAN;
    EXPECT_EQ(geometry::row_count(nan, 1, 1), 0);
    EXPECT_EQ(geometry::row_count(0, 1, nan), 0);
    EXPECT_TRUE(std::isnan(geometry::angle_of_answer(nan)));
    EXPECT_TRUE(std::isnan(geometry::swept_angle(nan, 2)));
    EXPECT_TRUE(std::isnan(geometry::degrees(nan)));
    EXPECT_TRUE(std::isnan(geometry::swept_value(nan, 1, 3)));

    float DM = 2, DS = 0.318367f, FD = 0.5f, FDE = nan, t = -1, a = 0, b = 0;
    std::array<float, 3> centre{}, feed{};
    surface::DURGEO(DM, DS, FD, FDE, t, a, b, centre, feed);
    EXPECT_TRUE(std::isnan(a) && std::isnan(b) && std::isnan(centre[2]) && std::isnan(feed[2]));

    geometry::DualReflectorGeometry g;
    g.t = -1, g.FM = 1, g.DS = 0.3f, g.AS = nan, g.FS = 0.4f;
    geometry::total_length(g);
    EXPECT_TRUE(std::isnan(g.LT));
}

}  // namespace
