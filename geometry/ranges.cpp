#include "textio/bits.hpp"
#include "geometry/ranges.hpp"

#include <bit>
#include <cmath>

#include "geometry/model.hpp"

namespace geometry {
namespace {

// The single-precision 1.4 of the row count.
constexpr double kRowAllowance = static_cast<double>(textio::bit_cast<float>(std::uint32_t{0x3FB33333u}));

}  // namespace

bool range_count(float start, float stop, float step, std::int32_t& n) {
    const double count = (static_cast<double>(stop) - static_cast<double>(start)) / static_cast<double>(step) +
                         kRowAllowance;
    // Truncation toward zero stays in range exactly when the count lies
    // strictly between -2^31 - 1 and 2^31; NaN fails both tests.
    if (!(count > -2147483649.0 && count < 2147483648.0)) return false;
    n = static_cast<std::int32_t>(count);
    return true;
}

std::int32_t row_count(float start, float stop, float step) {
    std::int32_t n = 0;
    return range_count(start, stop, step, n) ? n : 0;
}

float swept_value(float start, float step, std::int32_t i) {
    return static_cast<float>((static_cast<double>(i) - 1.0) * static_cast<double>(step) +
                              static_cast<double>(start));
}

float angle_of_answer(float answer) {
    if (answer < 0) return static_cast<float>(2.0 * std::atan(-1.0 / (4.0 * static_cast<double>(answer))));
    return static_cast<float>(static_cast<double>(answer) * static_cast<double>(kDegreeFactor));
}

float swept_angle(float value, std::int32_t angle_type) {
    if (angle_type == 2) return static_cast<float>(2.0 * std::atan(1.0 / (4.0 * static_cast<double>(value))));
    return static_cast<float>(static_cast<double>(value) * static_cast<double>(kDegreeFactor));
}

float degrees(float te) {
    return static_cast<float>(static_cast<double>(te) / static_cast<double>(kDegreeFactor));
}

}  // namespace geometry
