// Small helpers for writing SVG by hand (internal to draw/).
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace draw::svg {

// A coordinate or length: eight significant digits, enough to read the
// geometry back to well below a millionth of the drawing.
inline std::string n(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.8g", v);
    return buf;
}

struct Point {
    double x, y;
};

inline bool finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

inline std::string points(const std::vector<Point>& ps) {
    std::string s;
    for (const Point& p : ps) {
        if (!s.empty()) s += ' ';
        s += n(p.x) + "," + n(p.y);
    }
    return s;
}

// A polyline of the points; empty when any point is not finite.
inline std::string polyline(const std::vector<Point>& ps, std::string_view attributes) {
    for (const Point& p : ps)
        if (!finite(p)) return {};
    return "<polyline " + std::string(attributes) + " points=\"" + points(ps) + "\"/>\n";
}

inline std::string line(Point a, Point b, std::string_view cls) {
    if (!finite(a) || !finite(b)) return {};
    return "<line class=\"" + std::string(cls) + "\" x1=\"" + n(a.x) + "\" y1=\"" + n(a.y) + "\" x2=\"" + n(b.x) +
           "\" y2=\"" + n(b.y) + "\"/>\n";
}

// Ticks at round numbers: steps of 1, 2 or 5 times a power of ten, about
// six of them across [lo, hi].
inline std::vector<double> ticks(double& lo, double& hi) {
    if (!(hi > lo)) {
        const double pad = lo == 0 ? 1 : std::fabs(lo) * 0.1;
        lo -= pad, hi += pad;
    }
    const double raw = (hi - lo) / 6;
    const double p = std::pow(10, std::floor(std::log10(raw)));
    double step = p;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * p) {
            step = m * p;
            break;
        }
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
    std::vector<double> t;
    for (double v = lo; v <= hi + step * 1e-9; v += step) t.push_back(std::fabs(v) < step * 1e-9 ? 0 : v);
    return t;
}

inline std::string tick_label(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

}  // namespace draw::svg
