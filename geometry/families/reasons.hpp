// The words the families share for what a failed check means.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "textio/shortest.hpp"

namespace geometry::reasons {

// The shortest text of a value: "2.52".
inline std::string shown(float v) {
    std::string s;
    textio::append_shortest(s, v);
    return s;
}
// "AS = -15"
inline std::string name_value(std::string_view name, float x) { return std::string(name) + " = " + shown(x); }
// The parts joined by "; ".
inline std::string joined(const std::vector<std::string>& parts) {
    std::string s;
    for (const std::string& p : parts) s += (s.empty() ? "" : "; ") + p;
    return s;
}
// The values that are not finite: "LM = nan; DS = inf are not finite".
inline std::string not_finite(const std::vector<std::string>& parts) {
    return parts.empty() ? "a value is not finite" : joined(parts) + (parts.size() == 1 ? " is" : " are") + " not finite";
}
// The identities broken by more than single precision allows.
inline std::string inconsistent(double worst) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", worst);
    return std::string("the solved values break the design's identities by ") + text + " of their size (more than 2^-12)";
}
inline constexpr std::string_view kNoRealRoot =
    "the case's equations have no real solution for these inputs (a quadratic without a real root, or the square "
    "root of a negative number)";

}  // namespace geometry::reasons
