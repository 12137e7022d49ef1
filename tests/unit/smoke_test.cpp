#include <gtest/gtest.h>
#include "geometry/model.hpp"
TEST(Smoke, DegreeFactor) { EXPECT_FLOAT_EQ(geometry::kDegreeFactor, 0.0174532924f); }
