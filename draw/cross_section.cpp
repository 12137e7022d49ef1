// The cross-section of one design, to scale, in the design's own units.
#include <algorithm>
#include <cmath>
#include <limits>

#include "draw/pictures.hpp"
#include "draw/svg.hpp"
#include "geometry/ranges.hpp"

namespace draw {
namespace {

using study::Value;
using svg::n;
using svg::Point;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The values drawn: those that show and are finite, NaN otherwise.
struct Drawn {
    double t, DM, FM, LM, DS, LS, TE, AS, FS, DF, LP;
    bool blockage;
};

Drawn drawn_of(const study::Study& study, const study::Design& d) {
    auto get = [&](Value v, float x) { return d.has(v) && std::isfinite(x) ? double(x) : kNaN; };
    Drawn g{};
    g.t = d.g.t;
    g.DM = get(Value::DM, d.g.DM);
    g.FM = get(Value::FM, d.g.FM);
    g.LM = get(Value::LM, d.g.LM);
    g.DS = get(Value::DS, d.g.DS);
    g.LS = get(Value::LS, d.g.LS);
    g.TE = get(Value::TE, d.g.TE);
    g.AS = get(Value::AS, d.g.AS);
    g.FS = get(Value::FS, d.g.FS);
    g.blockage = study.mode_number() == 2;
    g.DF = g.blockage ? get(Value::DF, d.g.DF) : kNaN;
    g.LP = study.phase_centre() ? get(Value::LP, d.g.LP) : 0.0;
    return g;
}

double main_z(const Drawn& g, double rho) { return rho * rho / (4 * g.FM); }

// The subreflector conic: centre FM - FS between its foci FM and
// FM - 2 FS (the feed), semi-axis AS.
double sub_z(const Drawn& g, double rho) {
    const double b2 = std::fabs(g.FS * g.FS - g.AS * g.AS);
    return g.FM - g.FS + g.AS * std::sqrt(1 - g.t * rho * rho / b2);
}

// Where the ray from the feed, reflected at the subreflector point of
// radius rho_s, meets the main reflector: it runs on the line through the
// main focus (virtual behind a hyperboloid, real before an ellipsoid).
Point main_hit(const Drawn& g, double rho_s) {
    const double zs = sub_z(g, rho_s);
    // X(s) = F + s (P - F) on the paraboloid: rho_s^2 s^2 - 4 FM (zs - FM) s - 4 FM^2 = 0
    const double a = rho_s * rho_s, b = -4 * g.FM * (zs - g.FM), c = -4 * g.FM * g.FM;
    const double root = std::sqrt(b * b - 4 * a * c);
    const double s = g.t < 0 ? (-b + root) / (2 * a) : (-b - root) / (2 * a);
    const double rho = s * rho_s;
    return {main_z(g, rho), -rho};
}

std::string text(Point at, std::string_view anchor, double size, std::string_view cls, const std::string& body) {
    if (!svg::finite(at)) return {};
    return "<text class=\"" + std::string(cls) + "\" x=\"" + n(at.x) + "\" y=\"" + n(at.y) + "\" font-size=\"" +
           n(size) + "\" text-anchor=\"" + std::string(anchor) + "\">" + escape(body) + "</text>\n";
}

std::string value_text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", v);
    return buf;
}

// A dimension: a line between a and b with an arrowhead at each end.
std::string dimension(Point a, Point b, double head) {
    if (!svg::finite(a) || !svg::finite(b)) return {};
    std::string s = svg::line(a, b, "dim");
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    if (len == 0) return s;
    const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
    const double h = std::min(head, len / 3);
    for (const auto& [tip, dir] : {std::pair{a, 1.0}, std::pair{b, -1.0}}) {
        const Point base{tip.x + dir * ux * h, tip.y + dir * uy * h};
        const Point l{base.x - uy * h * 0.35, base.y + ux * h * 0.35}, r{base.x + uy * h * 0.35, base.y - ux * h * 0.35};
        s += "<polygon class=\"arrow\" points=\"" + svg::points({tip, l, r}) + "\"/>\n";
    }
    return s;
}

constexpr const char* kStyle =
    "<style>\n"
    ".main-reflector{fill:none;stroke:#1f3b73;stroke-width:2.5px;vector-effect:non-scaling-stroke}\n"
    ".subreflector{fill:none;stroke:#8b2d8b;stroke-width:2.5px;vector-effect:non-scaling-stroke}\n"
    ".ray{fill:none;stroke:#e08a00;stroke-width:1px;vector-effect:non-scaling-stroke}\n"
    ".ray[data-ray=inner]{stroke:#e8b458;stroke-dasharray:5 3}\n"
    ".axis{stroke:#999;stroke-width:0.8px;stroke-dasharray:10 4 2 4;vector-effect:non-scaling-stroke}\n"
    ".dim{stroke:#555;stroke-width:0.8px;vector-effect:non-scaling-stroke}\n"
    ".ext{stroke:#bbb;stroke-width:0.7px;stroke-dasharray:3 3;vector-effect:non-scaling-stroke}\n"
    ".arrow{fill:#555}\n"
    ".angle{fill:none;stroke:#2a7a2a;stroke-width:1px;vector-effect:non-scaling-stroke}\n"
    ".focus{fill:#c62828}\n"
    ".feed{fill:#2a7a2a}\n"
    ".feed-aperture{stroke:#2a7a2a;stroke-width:3px;vector-effect:non-scaling-stroke}\n"
    ".feed-horn{fill:none;stroke:#2a7a2a;stroke-width:1.2px;vector-effect:non-scaling-stroke}\n"
    ".section text{font-family:DejaVu Sans,Arial,sans-serif;fill:#222}\n"
    ".section text.title{font-weight:bold}\n"
    ".section text.failed{fill:#c62828}\n"
    "</style>\n";

}  // namespace

std::string escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string cross_section_svg(const study::Study& study, const study::Design& d, bool standalone) {
    study.require_axisymmetric("the picture");
    const Drawn g = drawn_of(study, d);
    std::vector<std::string> missing;  // what could not be drawn, and why
    auto needs = [&](const char* what, std::initializer_list<std::pair<const char*, double>> values) {
        std::string bad;
        for (const auto& [name, v] : values)
            if (!std::isfinite(v)) bad += (bad.empty() ? "" : ", ") + std::string(name);
        if (bad.empty()) return true;
        missing.push_back(std::string(what) + " (" + bad + " not finite)");
        return false;
    };

    // The geometry, point by point.
    const bool main_ok = needs("main reflector", {{"DM", g.DM}, {"FM", g.FM}});
    const bool sub_ok = needs("subreflector", {{"DS", g.DS}, {"FM", g.FM}, {"AS", g.AS}, {"FS", g.FS}});
    std::vector<Point> main_pts, sub_pts;
    if (main_ok) {
        for (int i = 0; i <= 200; ++i) {
            const double rho = g.DM / 2 * (1 - i / 100.0);
            main_pts.push_back({main_z(g, rho), -rho});
        }
    }
    if (sub_ok) {
        for (int i = 0; i <= 100; ++i) {
            const double rho = g.DS / 2 * (1 - i / 50.0);
            sub_pts.push_back({sub_z(g, rho), -rho});
        }
        if (!std::all_of(sub_pts.begin(), sub_pts.end(), svg::finite)) {
            missing.push_back("subreflector (its rim lies beyond the conic)");
            sub_pts.clear();
        }
    }

    // The extent of the drawing, from what can be drawn.
    double zmin = 0, zmax = 0, half = 0;
    auto take_z = [&](double z) {
        if (std::isfinite(z)) zmin = std::min(zmin, z), zmax = std::max(zmax, z);
    };
    for (const Point& p : main_pts) take_z(p.x), half = std::max(half, std::fabs(p.y));
    for (const Point& p : sub_pts) take_z(p.x), half = std::max(half, std::fabs(p.y));
    take_z(g.FM);
    take_z(g.LM);
    if (g.blockage) take_z(g.LM + g.LP);
    if (half == 0) half = std::isfinite(g.DM) && g.DM > 0 ? g.DM / 2 : 1;
    if (zmax - zmin == 0) zmax = zmin + 2 * half;
    const double S = std::max(zmax - zmin, 2 * half);
    const double f = 0.026 * S;  // the font size: labels scale with the drawing
    const double z_end = zmax + 0.08 * S;

    std::string body;
    body += svg::line({zmin - 0.02 * S, 0}, {z_end, 0}, "axis");
    if (!main_pts.empty()) body += svg::polyline(main_pts, "class=\"main-reflector\"");
    if (!sub_pts.empty()) body += svg::polyline(sub_pts, "class=\"subreflector\"");

    // Rays: feed point, subreflector rim, main reflector rim, out of the
    // aperture parallel to the axis.  The ellipsoid's real focus sends a
    // ray to the other half of the main reflector.
    const Point feed{g.LM, 0};
    const bool rays_ok = !main_pts.empty() && !sub_pts.empty() && std::isfinite(g.LM);
    if (!rays_ok && (main_ok || sub_ok)) missing.push_back("rays (they need both reflectors and LM)");
    if (rays_ok) {
        const double side = g.t < 0 ? 1 : -1;
        for (double sign : {1.0, -1.0}) {
            const double rs = sign * g.DS / 2, rm = side * sign * g.DM / 2;
            const Point sub{sub_z(g, rs), -rs}, main{main_z(g, rm), -rm};
            body += svg::polyline({feed, sub, main, {z_end, main.y}}, "class=\"ray\" data-ray=\"edge\"");
            const double ri = sign * g.DS / 4;
            const Point sub_i{sub_z(g, ri), -ri};
            const Point main_i = main_hit(g, ri);
            body += svg::polyline({feed, sub_i, main_i, {z_end, main_i.y}}, "class=\"ray\" data-ray=\"inner\"");
        }
    }

    // The feed: its phase centre and, in mode 2, its aperture DF wide, LP
    // in front of the phase centre.
    if (std::isfinite(g.FM)) {
        body += "<circle class=\"focus\" cx=\"" + n(g.FM) + "\" cy=\"0\" r=\"" + n(0.35 * f) + "\"/>\n";
        body += text({g.FM, -0.8 * f}, "middle", 0.8 * f, "label", "F");
    }
    if (std::isfinite(g.LM)) {
        body += "<circle class=\"feed\" cx=\"" + n(g.LM) + "\" cy=\"0\" r=\"" + n(0.35 * f) + "\"/>\n";
    }
    if (g.blockage && std::isfinite(g.DF) && std::isfinite(g.LM)) {
        const double za = g.LM + g.LP, back = za - std::max(1.2 * g.DF, g.LP + 0.3 * g.DF);
        body += svg::line({za, -g.DF / 2}, {za, g.DF / 2}, "feed-aperture");
        body += svg::polyline({{za, -g.DF / 2}, {back, -g.DF / 6}, {back, g.DF / 6}, {za, g.DF / 2}},
                              "class=\"feed-horn\"");
    }

    // Dimensions: DM left of the main reflector, DS right of the rays' ends,
    // FM, LM and LS below.
    const double head = 0.5 * f;
    std::string dims;
    const double x_dm = zmin - 0.05 * S;
    if (std::isfinite(g.DM)) {
        dims += svg::line({main_z(g, g.DM / 2), -g.DM / 2}, {x_dm, -g.DM / 2}, "ext");
        dims += svg::line({main_z(g, g.DM / 2), g.DM / 2}, {x_dm, g.DM / 2}, "ext");
        dims += dimension({x_dm, -g.DM / 2}, {x_dm, g.DM / 2}, head);
        dims += text({x_dm - 0.4 * f, 0.35 * f}, "end", f, "label", "DM " + value_text(g.DM));
    }
    const double x_ds = z_end + 0.04 * S;
    if (!sub_pts.empty()) {
        dims += svg::line(sub_pts.front(), {x_ds, sub_pts.front().y}, "ext");
        dims += svg::line(sub_pts.back(), {x_ds, sub_pts.back().y}, "ext");
        dims += dimension({x_ds, -g.DS / 2}, {x_ds, g.DS / 2}, head);
        dims += text({x_ds + 0.4 * f, 0.35 * f}, "start", f, "label", "DS " + value_text(g.DS));
    }
    double y_dim = half + 1.6 * f;
    auto horizontal = [&](double x1, double x2, const std::string& label) {
        if (!std::isfinite(x1) || !std::isfinite(x2)) return;
        dims += svg::line({x1, 0}, {x1, y_dim + 0.4 * f}, "ext");
        dims += svg::line({x2, 0}, {x2, y_dim + 0.4 * f}, "ext");
        dims += dimension({x1, y_dim}, {x2, y_dim}, head);
        const double width = 0.6 * f * double(label.size());
        if (std::fabs(x2 - x1) > width + 2 * head) {
            dims += text({(x1 + x2) / 2, y_dim - 0.3 * f}, "middle", f, "label", label);
        } else {
            dims += text({std::max(x1, x2) + 0.5 * f, y_dim + 0.35 * f}, "start", f, "label", label);
        }
        y_dim += 2.1 * f;
    };
    horizontal(0, g.FM, "FM " + value_text(g.FM));
    horizontal(0, g.LM, "LM " + value_text(g.LM));
    horizontal(g.LM, g.LM + g.LS, "LS " + value_text(g.LS));

    // The feed angle TE between the axis and the edge ray, at the feed.
    if (rays_ok && std::isfinite(g.TE)) {
        const Point rim{sub_z(g, g.DS / 2), -g.DS / 2};
        const double angle = std::atan2(-rim.y, rim.x - g.LM);
        const double r = std::min(0.45 * std::hypot(rim.x - g.LM, rim.y), 0.25 * S);
        const Point end{g.LM + r * std::cos(angle), -r * std::sin(angle)};
        dims += "<path class=\"angle\" d=\"M " + n(g.LM + r) + " 0 A " + n(r) + " " + n(r) + " 0 0 0 " + n(end.x) +
                " " + n(end.y) + "\"/>\n";
        dims += text({g.LM + r + 0.4 * f, -0.3 * f - r * std::sin(angle) / 2}, "start", f, "label",
                     "TE " + value_text(d[Value::TE]) + "\u00b0");
    }

    // Title, failed checks and what is missing.
    std::vector<std::pair<std::string, const char*>> heading;
    // The title in two lines: type and mode, then case and row.
    const std::string title = study.title();
    const auto cut = title.find(", case ");
    heading.emplace_back(title.substr(0, cut), "title");
    heading.emplace_back(title.substr(cut + 2) + ", row " + std::to_string(d.index + 1), "title");
    if (!d.ok()) heading.emplace_back("fails: " + study::check_text(d.checks), "failed");
    for (const std::string& m : missing) heading.emplace_back("not drawn: " + m, "failed");

    double x0 = x_dm - 0.6 * f * 12;
    double x1 = x_ds + 0.6 * f * 12;
    // Wide enough for the longest heading line.
    std::size_t longest = 0;
    for (const auto& line : heading) longest = std::max(longest, line.first.size());
    const double need = 0.62 * 1.05 * f * double(longest) + f;
    if (x1 - x0 < need) {
        const double grow = (need - (x1 - x0)) / 2;
        x0 -= grow;
        x1 += grow;
    }
    const double y0 = -half - (1.6 * double(heading.size()) + 1.2) * f;
    const double y1 = y_dim + 0.8 * f;
    std::string head_text;
    for (std::size_t i = 0; i < heading.size(); ++i) {
        head_text += text({x0 + 0.5 * f, y0 + (1.6 * double(i) + 1.4) * f}, "start", 1.05 * f, heading[i].second,
                          heading[i].first);
    }

    const double w = x1 - x0, h = y1 - y0;
    std::string out;
    if (standalone) out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"section\" viewBox=\"" + n(x0) + " " + n(y0) + " " +
           n(w) + " " + n(h) + "\"";
    if (standalone) {
        // At most 1100 pixels wide and 860 high: a screen's worth.
        const double px = std::min(1100 / w, 860 / h);
        out += " width=\"" + n(std::round(px * w)) + "\" height=\"" + n(std::round(px * h)) + "\"";
    } else {
        out += " width=\"100%\"";
    }
    out += ">\n";
    out += kStyle;
    out += "<rect x=\"" + n(x0) + "\" y=\"" + n(y0) + "\" width=\"" + n(w) + "\" height=\"" + n(h) +
           "\" fill=\"#fff\"/>\n";
    out += head_text + body + dims + "</svg>\n";
    return out;
}

}  // namespace draw
