// The cross-section of one design, to scale, in the design's own units.
#include <algorithm>
#include <cmath>
#include <limits>

#include "draw/pictures.hpp"
#include "draw/svg.hpp"
#include "geometry/antenna.hpp"
#include "geometry/ranges.hpp"

namespace draw {
namespace {

using study::Value;
using svg::n;
using svg::Point;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Whether a column of that name shows in the row.
bool shows(const study::Study& study, const study::Design& d, std::string_view name) {
    Value v{};
    return study.column(name, v) && d.has(v);
}

// The values drawn: those that show and are finite, NaN otherwise.
struct Drawn {
    double t, DM, FM, LM, DS, LS, TE, AS, FS, DF, LP;
    bool blockage;
    geometry::Conic main;  // the main reflector's surface, from the model
};

// A value of the row by its column's name: NaN when it does not show, is
// not finite or is no column of the family.
double named(const study::Study& study, const study::Design& d, std::string_view name) {
    Value v{};
    if (!study.column(name, v) || !d.has(v) || !std::isfinite(d[v])) return kNaN;
    return d[v];
}

Drawn drawn_of(const study::Study& study, const study::Design& d, const geometry::Antenna& a) {
    auto get = [&](std::string_view name) { return named(study, d, name); };
    Drawn g{};
    g.t = a.type == "cassegrain" ? -1 : 1;
    g.DM = get("DM");
    g.FM = get("FM");
    // The feed's phase centre from the main vertex: as the row gives it, else
    // where the model puts it.
    Value lm{};
    g.LM = study.column("LM", lm) ? get("LM") : a.feed.phase_centre.z + g.FM;
    g.DS = get("DS");
    g.LS = get("LS");
    g.TE = get("TE");
    g.AS = get("AS");
    g.FS = get("FS");
    g.blockage = shows(study, d, "DF");
    g.DF = g.blockage ? get("DF") : kNaN;
    g.LP = shows(study, d, "LP") ? get("LP") : 0.0;
    g.main = a.main.surface;
    return g;
}

double main_z(const Drawn& g, double rho) { return g.main.sag(rho); }

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

// Where labels and marks stand.  A label goes at the first of its places
// whose box meets no label or mark already placed (a box: 0.62 of the font
// size a character wide, from 0.8 of it above the baseline to 0.2 below);
// when none is free, it moves down from the first until one is.
class Labels {
public:
    void mark(Point c, double r) {
        if (svg::finite(c)) boxes_.push_back({c.x - r, c.y - r, c.x + r, c.y + r});
    }
    std::string put(const std::vector<Point>& places, std::string_view anchor, double size, std::string_view cls,
                    const std::string& body) {
        if (places.empty()) return {};
        const std::size_t chars = count_chars(body);
        for (const Point& at : places) {
            if (!svg::finite(at)) continue;
            const Box b = box_of(at, anchor, size, chars);
            if (free(b)) return take(at, b, anchor, size, cls, body);
        }
        Point at = places.front();
        for (int k = 1; k <= 60 && svg::finite(at); ++k) {
            const Point down{at.x, at.y + 1.1 * size * k};
            const Box b = box_of(down, anchor, size, chars);
            if (free(b)) return take(down, b, anchor, size, cls, body);
        }
        return svg::finite(at) ? take(at, box_of(at, anchor, size, chars), anchor, size, cls, body) : std::string();
    }

private:
    struct Box {
        double x0, y0, x1, y1;
    };
    static std::size_t count_chars(const std::string& s) {
        std::size_t n = 0;
        for (unsigned char c : s) n += (c & 0xC0) != 0x80;  // UTF-8: count the first byte of each character
        return n;
    }
    static Box box_of(Point at, std::string_view anchor, double size, std::size_t chars) {
        const double w = 0.62 * size * double(chars);
        const double x0 = anchor == "end" ? at.x - w : anchor == "middle" ? at.x - w / 2 : at.x;
        return {x0, at.y - 0.8 * size, x0 + w, at.y + 0.2 * size};
    }
    bool free(const Box& b) const {
        for (const Box& o : boxes_)
            if (b.x0 < o.x1 && o.x0 < b.x1 && b.y0 < o.y1 && o.y0 < b.y1) return false;
        return true;
    }
    std::string take(Point at, const Box& b, std::string_view anchor, double size, std::string_view cls,
                     const std::string& body) {
        boxes_.push_back(b);
        return text(at, anchor, size, cls, body);
    }
    std::vector<Box> boxes_;
};

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

namespace {
std::string offset_section_svg(const study::Study& study, const study::Design& d, bool standalone, bool sketch = false);
std::string framed(const study::Study& study, const study::Design& d, bool standalone,
                   const std::vector<std::string>& missing, double f, double x0, double x1, double y_top,
                   double y1, const std::string& drawing, std::string_view style);
}  // namespace

std::string cross_section_svg(const study::Study& study, const study::Design& d, bool standalone) {
    const geometry::Antenna a = study.antenna(d);
    if (!a.main.revolved) return offset_section_svg(study, d, standalone);
    const Drawn g = drawn_of(study, d, a);
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
    const bool sub_ok = a.sub && needs("subreflector", {{"DS", g.DS}, {"FM", g.FM}, {"AS", g.AS}, {"FS", g.FS}});
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
    const bool rays_ok = !main_pts.empty() && (!sub_pts.empty() || !a.sub) && std::isfinite(g.LM);
    if (!rays_ok && (main_ok || sub_ok))
        missing.push_back(a.sub ? "rays (they need both reflectors and LM)" : "rays (they need the feed)");
    if (rays_ok && !a.sub) {  // from the feed to the main reflector and out
        for (double sign : {1.0, -1.0}) {
            for (const auto& [share, kind] : {std::pair{0.5, "edge"}, std::pair{0.25, "inner"}}) {
                const double rm = sign * g.DM * share;
                const Point main{main_z(g, rm), -rm};
                body += svg::polyline({feed, main, {z_end, main.y}}, std::string("class=\"ray\" data-ray=\"") + kind + "\"");
            }
        }
    } else if (rays_ok) {
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
    Labels labels;
    if (std::isfinite(g.FM)) labels.mark({g.FM, 0}, 0.35 * f);
    if (std::isfinite(g.LM)) labels.mark({g.LM, 0}, 0.35 * f);
    if (std::isfinite(g.FM)) {
        body += "<circle class=\"focus\" cx=\"" + n(g.FM) + "\" cy=\"0\" r=\"" + n(0.35 * f) + "\"/>\n";
        body += labels.put({{g.FM, -0.8 * f}, {g.FM + 0.9 * f, -0.8 * f}, {g.FM - 0.9 * f, -0.8 * f}}, "middle",
                           0.8 * f, "label", "F");
    }
    if (std::isfinite(g.LM)) {
        body += "<circle class=\"feed\" cx=\"" + n(g.LM) + "\" cy=\"0\" r=\"" + n(0.35 * f) + "\"/>\n";
    }
    if (g.blockage && std::isfinite(g.DF) && std::isfinite(g.LM)) {
        // The horn opens along the feed axis.
        const double dir = a.feed.axis.z < 0 ? -1.0 : 1.0;
        const double za = g.LM + dir * g.LP, back = za - dir * std::max(1.2 * g.DF, g.LP + 0.3 * g.DF);
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
        dims += labels.put({{x_dm - 0.4 * f, 0.35 * f}}, "end", f, "label", "DM " + value_text(g.DM));
    }
    const double x_ds = z_end + 0.04 * S;
    if (!sub_pts.empty()) {
        dims += svg::line(sub_pts.front(), {x_ds, sub_pts.front().y}, "ext");
        dims += svg::line(sub_pts.back(), {x_ds, sub_pts.back().y}, "ext");
        dims += dimension({x_ds, -g.DS / 2}, {x_ds, g.DS / 2}, head);
        dims += labels.put({{x_ds + 0.4 * f, 0.35 * f}}, "start", f, "label", "DS " + value_text(g.DS));
    }
    double y_dim = half + 1.6 * f;
    auto horizontal = [&](double x1, double x2, const std::string& label) {
        if (!std::isfinite(x1) || !std::isfinite(x2)) return;
        dims += svg::line({x1, 0}, {x1, y_dim + 0.4 * f}, "ext");
        dims += svg::line({x2, 0}, {x2, y_dim + 0.4 * f}, "ext");
        dims += dimension({x1, y_dim}, {x2, y_dim}, head);
        const double width = 0.6 * f * double(label.size());
        if (std::fabs(x2 - x1) > width + 2 * head) {
            dims += labels.put({{(x1 + x2) / 2, y_dim - 0.3 * f}}, "middle", f, "label", label);
        } else {
            dims += labels.put({{std::max(x1, x2) + 0.5 * f, y_dim + 0.35 * f}}, "start", f, "label", label);
        }
        y_dim += 2.1 * f;
    };
    horizontal(0, g.FM, "FM " + value_text(g.FM));
    horizontal(0, named(study, d, "LM"), "LM " + value_text(g.LM));
    horizontal(g.LM, g.LM + g.LS, "LS " + value_text(g.LS));

    // The feed angle TE between the axis and the edge ray, at the feed.
    if (rays_ok && std::isfinite(g.TE)) {
        const Point rim = a.sub ? Point{sub_z(g, g.DS / 2), -g.DS / 2} : Point{main_z(g, g.DM / 2), -g.DM / 2};
        const double angle = std::atan2(-rim.y, rim.x - g.LM);
        const double r = std::min(0.45 * std::hypot(rim.x - g.LM, rim.y), 0.25 * S);
        const Point end{g.LM + r * std::cos(angle), -r * std::sin(angle)};
        // From the feed axis (toward the sub, or back toward the main) to the edge ray.
        const bool back = a.feed.axis.z < 0;
        dims += "<path class=\"angle\" d=\"M " + n(back ? g.LM - r : g.LM + r) + " 0 A " + n(r) + " " + n(r) +
                (back ? " 0 0 1 " : " 0 0 0 ") + n(end.x) + " " + n(end.y) + "\"/>\n";
        // Beside the arc; past the focus mark and its F when they stand there.
        const double y = -0.3 * f - r * std::sin(angle) / 2;
        const double xl = back ? g.LM - r - 0.4 * f : g.LM + r + 0.4 * f;
        dims += labels.put({{xl, y}, {xl, y - 1.2 * f}, {xl, y - 2.4 * f}}, back ? "end" : "start", f, "label",
                           "TE " + value_text(named(study, d, "TE")) + "\u00b0");
    }

    return framed(study, d, standalone, missing, f, x_dm - 0.6 * f * 12, x_ds + 0.6 * f * 12, -half,
                  y_dim + 0.8 * f, body + dims, "");
}

}  // namespace draw

// ------------------------------------------------------------- mode 3

namespace draw {
namespace {

using geometry::Vec3;

// The heading (title in two lines, failed checks, what is missing) above
// a drawing that spans x0..x1 and y_top..y1, widened for the longest
// heading line, and the SVG around both (a file at most 1100 by 860
// pixels, or an element for a page); style: rules beyond the common ones.
std::string framed(const study::Study& study, const study::Design& d, bool standalone,
                   const std::vector<std::string>& missing, double f, double x0, double x1, double y_top, double y1,
                   const std::string& drawing, std::string_view style) {
    std::vector<std::pair<std::string, const char*>> heading;
    const std::string title = study.title();
    const auto cut = title.find(", case ");
    heading.emplace_back(title.substr(0, cut), "title");
    heading.emplace_back(title.substr(cut + 2) + ", row " + std::to_string(d.index + 1), "title");
    if (!d.ok()) heading.emplace_back("fails: " + study::check_text(d.checks), "failed");
    for (const std::string& m : missing) heading.emplace_back("not drawn: " + m, "failed");
    std::size_t longest = 0;
    for (const auto& line : heading) longest = std::max(longest, line.first.size());
    const double need = 0.62 * 1.05 * f * double(longest) + f;
    if (x1 - x0 < need) {
        const double grow = (need - (x1 - x0)) / 2;
        x0 -= grow;
        x1 += grow;
    }
    const double y0 = y_top - (1.6 * double(heading.size()) + 1.2) * f;
    std::string head_text;
    for (std::size_t i = 0; i < heading.size(); ++i)
        head_text += text({x0 + 0.5 * f, y0 + (1.6 * double(i) + 1.4) * f}, "start", 1.05 * f, heading[i].second,
                          heading[i].first);
    const double w = x1 - x0, h = y1 - y0;
    std::string out;
    if (standalone) out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"section\" viewBox=\"" + n(x0) + " " + n(y0) + " " +
           n(w) + " " + n(h) + "\"";
    if (standalone) {
        const double px = std::min(1100 / w, 860 / h);
        out += " width=\"" + n(std::round(px * w)) + "\" height=\"" + n(std::round(px * h)) + "\"";
    } else {
        out += " width=\"100%\"";
    }
    out += ">\n";
    out += kStyle;
    out += style;
    out += "<rect x=\"" + n(x0) + "\" y=\"" + n(y0) + "\" width=\"" + n(w) + "\" height=\"" + n(h) +
           "\" fill=\"#fff\"/>\n";
    out += head_text + drawing + "</svg>\n";
    return out;
}

// The plane of symmetry drawn with the main axis across: x of the picture
// is z of the design, y is -x (the offset upward).
Point at(Vec3 v) { return {v.z, -v.x}; }

// An arc of radius r about c from direction a to direction b (angles of
// the picture, radians), and a point beside its middle for its label.
std::string arc(Point c, double r, double a, double b) {
    const Point p{c.x + r * std::cos(a), c.y + r * std::sin(a)}, q{c.x + r * std::cos(b), c.y + r * std::sin(b)};
    double sweep = b - a;
    while (sweep > M_PI) sweep -= 2 * M_PI;
    while (sweep < -M_PI) sweep += 2 * M_PI;
    return "<path class=\"angle\" d=\"M " + n(p.x) + " " + n(p.y) + " A " + n(r) + " " + n(r) + " 0 0 " +
           (sweep > 0 ? "1" : "0") + " " + n(q.x) + " " + n(q.y) + "\"/>\n";
}
double direction(Point from, Point to) { return std::atan2(to.y - from.y, to.x - from.x); }

// The plane of symmetry of a design whose reflectors are no surfaces of
// revolution, read from its antenna model: the main paraboloid about z,
// the sub conic seen from the feed, the feed's cone.
struct PlaneFrame {
    double t, FM, te;
    Vec3 feed, w, axis, across;
    geometry::Conic sub_conic;

    explicit PlaneFrame(const geometry::Antenna& a)
        : t(a.type == "cassegrain" ? -1 : 1), FM(a.main.surface.p / 2), te(a.feed.half_angle), feed(a.feed.phase_centre),
          w(a.sub ? a.sub->surface.w : Vec3{0, 0, 1}), axis(a.feed.axis), across{a.feed.axis.z, 0, -a.feed.axis.x} {
        if (a.sub) sub_conic = a.sub->surface;
    }
    Vec3 sub(Vec3 u) const { return feed + (sub_conic.p / (1 - sub_conic.e * geometry::dot(u, sub_conic.w))) * u; }
    Vec3 ray(double s) const { return std::cos(s) * axis + std::sin(s) * across; }
    Vec3 sub_centre() const { return sub(axis); }
    Vec3 sub_edge(int k) const { return sub(ray(k == 0 ? te : -te)); }
    Vec3 main_at(double x) const { return {x, 0, x * x / (4 * FM) - FM}; }
};

std::string offset_section_svg(const study::Study& study, const study::Design& d, bool standalone, bool sketch) {
    const geometry::Antenna an = study.antenna(d);
    // The values named on the picture, as the row has them.
    auto col = [&](std::string_view name) {
        Value v{};
        return study.column(name, v) ? d[v] : std::numeric_limits<float>::quiet_NaN();
    };
    std::vector<std::string> missing;
    const bool solved = an.solved;
    if (!solved) missing.push_back("the design (no finite solution)");
    const PlaneFrame fr(an);
    const double F = fr.FM, H = an.aperture.centre.x, R = an.aperture.diameter / 2;
    const bool sub_fails = an.sub && an.sub->failed, feed_fails = an.feed.failed;
    const bool has_sub = an.sub.has_value();

    // The points: main section, parent paraboloid, sub section, rays.
    std::vector<Point> main_pts, parent_pts, sub_pts;
    auto main_at = [&](double x) { return at(fr.main_at(x)); };
    double lo_x = 0, hi_x = 0, lo_z = 0, hi_z = 0;
    auto take = [&](Vec3 v) {
        if (!std::isfinite(v.x) || !std::isfinite(v.z)) return;
        lo_x = std::min(lo_x, v.x), hi_x = std::max(hi_x, v.x), lo_z = std::min(lo_z, v.z), hi_z = std::max(hi_z, v.z);
    };
    struct Ray {
        Vec3 p, q;
        const char* kind;
    };
    std::vector<Ray> rays;
    if (solved) {
        for (int i = 0; i <= 100; ++i) main_pts.push_back(main_at(H - R + 2 * R * i / 100.0));
        take(fr.main_at(H - R));
        take(fr.main_at(H + R));
        take(fr.feed);
        for (int i = 0; i <= 100 && has_sub; ++i) {
            const Vec3 p = fr.sub(fr.ray(fr.te * (1 - i / 50.0)));
            sub_pts.push_back(at(p));
            take(p);
        }
        for (const auto& [s, kind] : {std::pair{1.0, "edge"}, std::pair{0.5, "inner"}, std::pair{0.0, "central"},
                                      std::pair{-0.5, "inner"}, std::pair{-1.0, "edge"}}) {
            if (!has_sub) {  // from the feed at O straight to the main
                const Vec3 v = fr.ray(s * fr.te);
                rays.push_back({fr.feed, (2 * F / (1 - v.z)) * v, kind});
                continue;
            }
            const Vec3 p = fr.sub(fr.ray(s * fr.te));
            // From the sub the ray runs on the line through O: away from it
            // behind a hyperboloid, through it after an ellipsoid.
            const double len = geometry::norm(p);
            const Vec3 v = (fr.t < 0 ? 1.0 : -1.0) / len * p;
            const double reach = 2 * F / (1 - v.z);
            rays.push_back({p, reach * v, kind});
        }
    }
    const double S = std::max({hi_z - lo_z, hi_x - lo_x, 2 * R, 1e-30});
    const double f = 0.022 * S;
    const double z_top = hi_z + 0.12 * S;  // where the rays end, above everything
    const double x_parent = std::min(lo_x - 0.05 * S, -0.1 * S);
    if (solved)
        for (int i = 0; i <= 100; ++i) parent_pts.push_back(main_at(x_parent + (H + R - x_parent) * i / 100.0));

    std::string body, dims;
    Labels labels;
    const double mark = 0.35 * f;
    // The beam column, then the axes, reflectors, rays and marks.
    if (solved) {
        const Point a = main_at(H - R), b = main_at(H + R);
        std::vector<Point> column = main_pts;  // bounded by the main reflector itself
        column.push_back({z_top, b.y});
        column.push_back({z_top, a.y});
        body += "<polygon class=\"column\" points=\"" + svg::points(column) + "\"/>\n";
        body += svg::line({-F - 0.05 * S, 0}, {z_top, 0}, "axis");  // the main axis
        const Point o_pt{0, 0}, feed_pt = at(fr.feed);
        const double sub_len = geometry::norm(fr.feed);
        if (has_sub) body += svg::line(at(-0.25 * fr.feed), at(1.15 * fr.feed), "axis");  // the sub axis, past O and F'

        // Where the feed axis meets the sub, or the main.
        const Vec3 p0 = has_sub ? fr.sub_centre() : (2 * F / (1 - fr.axis.z)) * fr.axis;
        body += svg::line(feed_pt, at(fr.feed + 1.2 * (p0 - fr.feed)), "axis");  // the feed axis
        body += svg::polyline(parent_pts, "class=\"parent\"");
        body += svg::polyline(main_pts, "class=\"main-reflector\"");
        if (has_sub)
            body += svg::polyline(sub_pts, sub_fails ? "class=\"subreflector failed-element\"" : "class=\"subreflector\"");
        for (const Ray& r : rays) {
            std::vector<Point> path{feed_pt};
            if (has_sub) path.push_back(at(r.p));
            path.push_back(at(r.q));
            path.push_back({z_top, at(r.q).y});
            body += svg::polyline(path, std::string("class=\"ray\" data-ray=\"") + r.kind + "\"");
        }
        // The horn: a cone on the feed axis whose aperture edge lies on the edge ray.
        if (std::isfinite(an.feed.horn_diameter) && an.feed.horn_diameter > 0) {
            const double half = an.feed.horn_diameter / 2, depth = half / std::tan(fr.te);
            const Vec3 c = fr.feed + depth * fr.axis, e1 = c + half * fr.across, e2 = c - half * fr.across;
            body += svg::polyline({at(e1), feed_pt, at(e2), at(e1)},
                                  feed_fails ? "class=\"feed-horn failed-element\"" : "class=\"feed-horn\"");
        }
        labels.mark(o_pt, mark);
        labels.mark(feed_pt, mark);
        body += "<circle class=\"focus\" cx=\"0\" cy=\"0\" r=\"" + n(mark) + "\"/>\n";
        body += std::string("<circle class=\"feed") + (feed_fails ? " failed-element" : "") + "\" cx=\"" +
                n(feed_pt.x) + "\" cy=\"" + n(feed_pt.y) + "\" r=\"" + n(mark) + "\"/>\n";
        body += labels.put({{0.9 * f, -0.6 * f}, {0.9 * f, 1.3 * f}, {-0.9 * f, -0.6 * f}}, "start", 0.8 * f, "label", "O");
        if (has_sub)
            body += labels.put({{feed_pt.x - 0.9 * f, feed_pt.y + 1.4 * f}, {feed_pt.x + 0.9 * f, feed_pt.y + 1.4 * f},
                                {feed_pt.x - 0.9 * f, feed_pt.y - 0.6 * f}},
                               "end", 0.8 * f, "label", "F'");

        // Dimensions: DM and H (or HC) above the column, FM along the axis.
        const double head = 0.5 * f;
        const double z_dm = z_top + 0.03 * S;
        dims += svg::line({z_top, a.y}, {z_dm + 0.4 * f, a.y}, "ext");
        dims += svg::line({z_top, b.y}, {z_dm + 0.4 * f, b.y}, "ext");
        dims += dimension({z_dm, a.y}, {z_dm, b.y}, head);
        dims += labels.put({{z_dm + 0.5 * f, -H + 0.35 * f}}, "start", f, "label", "DM " + value_text(col("DM")));
        const bool hc = study.inputs().find(study::Key::HC) != nullptr;
        const double z_h = z_dm + 0.09 * S;
        const double to = hc ? -(H - R) : -H;  // from the main axis
        dims += svg::line({z_top, 0}, {z_h + 0.4 * f, 0}, "ext");
        dims += svg::line({z_top, to}, {z_h + 0.4 * f, to}, "ext");
        dims += dimension({z_h, 0}, {z_h, to}, head);
        dims += labels.put({{z_h + 0.5 * f, to / 2 + 0.35 * f}}, "start", f, "label",
                           (hc ? "HC " + value_text(col("HC")) : "H " + value_text(col("H"))));
        const double x_fm = std::max(0.0, -lo_x) + 0.06 * S;  // below the axis, past the lowest point
        dims += svg::line({-F, 0}, {-F, x_fm + 0.4 * f}, "ext");
        dims += svg::line({0, 0}, {0, x_fm + 0.4 * f}, "ext");
        dims += dimension({-F, x_fm}, {0, x_fm}, head);
        dims += labels.put({{-F / 2, x_fm - 0.3 * f}, {0.5 * f, x_fm + 0.35 * f}}, "middle", f, "label",
                           "FM " + value_text(col("FM")));

        // The angles: BETA at O (main axis toward the vertex, sub axis), ALPHA
        // at F' (sub axis toward O, feed axis), TE at F' (feed axis, edge ray).
        const double r_o = std::min(0.35 * (has_sub ? sub_len : geometry::norm(p0)), 0.12 * S);
        const double a_main = M_PI, a_sub = direction(o_pt, feed_pt);
        if (has_sub) {
            dims += arc(o_pt, r_o, a_main, a_sub);
            const double mid_b = (a_main + a_sub) / 2 + (std::fabs(a_sub - a_main) > M_PI ? M_PI : 0);
            dims += labels.put({{r_o * 1.15 * std::cos(mid_b) - 0.3 * f, r_o * 1.15 * std::sin(mid_b) + 1.2 * f},
                                {-r_o - 0.5 * f, 1.6 * f}, {-r_o - 0.5 * f, -0.8 * f}},
                               "end", f, "label", "BETA " + value_text(col("BETA")) + "\u00b0");
        }
        const double r_f = std::min(0.3 * geometry::norm(p0 - fr.feed), 0.15 * S);
        const double a_to_o = direction(feed_pt, o_pt), a_axis = direction(feed_pt, at(p0));
        if (has_sub) dims += arc(feed_pt, 1.25 * r_f, a_to_o, a_axis);
        const double a_edge = direction(feed_pt, at(has_sub ? rays.front().p : rays.front().q));
        dims += arc(feed_pt, 0.8 * r_f, a_axis, a_edge);
        auto beside = [&](double r, double a, double b) {
            const double m = std::atan2(std::sin(a) + std::sin(b), std::cos(a) + std::cos(b));
            return Point{feed_pt.x + r * std::cos(m), feed_pt.y + r * std::sin(m)};
        };
        const Point pa = beside(1.25 * r_f + 0.6 * f, a_to_o, a_axis), pt = beside(0.8 * r_f + 0.6 * f, a_axis, a_edge);
        if (has_sub)
            dims += labels.put({pa, {pa.x, pa.y - 1.2 * f}, {pa.x, pa.y + 1.2 * f}}, "start", f, "label",
                               "ALPHA " + value_text(col("ALPHA")) + "\u00b0");
        dims += labels.put({pt, {pt.x, pt.y + 1.2 * f}, {pt.x, pt.y - 1.2 * f}}, "start", f, "label",
                           "TE " + value_text(col("TE")) + "\u00b0");
        if (sketch) {
            // Every other quantity on what it measures.
            const Vec3 q0 = fr.main_at(H);
            const double lower = -(H - R);  // the aperture's lower edge, in the picture
            // HC: the main axis to the lower edge, beside H.
            const double z_hc = z_h + 0.07 * S;
            if (std::isfinite(col("HC"))) {
                dims += svg::line({z_top, lower}, {z_hc + 0.4 * f, lower}, "ext");
                dims += dimension({z_hc, 0}, {z_hc, lower}, head);
                dims += labels.put({{z_hc + 0.5 * f, lower / 2 + 0.35 * f}}, "start", f, "label", "HC " + value_text(col("HC")));
            }
            // TH0: at O, from the main axis toward the vertex to the central
            // ray (with a sub) or to the feed axis (the feed at O).
            const double a_q0 = direction(o_pt, at(has_sub ? q0 : p0));
            dims += arc(o_pt, 1.6 * r_o, M_PI, a_q0);
            dims += labels.put({{-1.7 * r_o * 0.7, -1.7 * r_o * 0.7}, {-1.9 * r_o, -1.2 * f}}, "end", f, "label",
                               "TH0 " + value_text(col("TH0")) + "\u00b0");
        }
        if (sketch && has_sub) {
            const Vec3 q0 = fr.main_at(H), e1 = fr.sub_edge(0), e2 = fr.sub_edge(1);
            const double lower = -(H - R);  // the aperture's lower edge, in the picture
            // C2 along the sub axis, LS along the feed axis, LSM along the central ray.
            auto along = [&](Vec3 a, Vec3 b, const std::string& label, double side) {
                const Point pa = at(a), pb = at(b);
                const double len = std::hypot(pb.x - pa.x, pb.y - pa.y);
                if (!(len > 0)) return;
                const double nx = -(pb.y - pa.y) / len * side * 1.2 * f, ny = (pb.x - pa.x) / len * side * 1.2 * f;
                dims += dimension({pa.x + nx, pa.y + ny}, {pb.x + nx, pb.y + ny}, head);
                const Point mid{(pa.x + pb.x) / 2 + 2.2 * nx, (pa.y + pb.y) / 2 + 2.2 * ny};
                dims += labels.put({mid, {mid.x, mid.y + 1.2 * f}, {mid.x, mid.y - 1.2 * f}}, "middle", f, "label", label);
            };
            along({0, 0, 0}, fr.feed, "C2 " + value_text(col("C2")), 1);
            along(fr.feed, p0, "LS " + value_text(col("LS")), -1);
            along(p0, q0, "LSM " + value_text(col("LSM")), 1);
            // DS across the sub axis, between the two edges' feet.
            const Vec3 n_sub{fr.w.z, 0, -fr.w.x};
            const double off = 0.05 * S;
            const double t1 = geometry::dot(e1, n_sub), t2 = geometry::dot(e2, n_sub);
            const Vec3 base = (geometry::dot(e1, fr.w) > geometry::dot(e2, fr.w) ? e1 : e2) + off * fr.w;
            const double tb = geometry::dot(base, n_sub);
            const Vec3 d1 = base + (t1 - tb) * n_sub, d2 = base + (t2 - tb) * n_sub;
            dims += svg::line(at(e1), at(d1), "ext");
            dims += svg::line(at(e2), at(d2), "ext");
            dims += dimension(at(d1), at(d2), head);
            const Point dm = at(0.5 * (d1 + d2));
            dims += labels.put({{dm.x + 0.8 * f, dm.y}, {dm.x - 0.8 * f, dm.y}}, "start", f, "label", "DS " + value_text(col("DS")));
            // DFPR and DSRPR: gaps in x to the aperture's lower edge.
            auto gap = [&](Vec3 from, const std::string& label) {
                const Point pf = at(from);
                dims += svg::line(pf, {pf.x, lower}, "ext");
                dims += dimension({pf.x + 0.8 * f, pf.y}, {pf.x + 0.8 * f, lower}, head);
                const double ym = (pf.y + lower) / 2;
                dims += labels.put({{pf.x + 1.4 * f, ym}, {pf.x + 1.4 * f, ym - 1.3 * f}, {pf.x + 1.4 * f, ym + 1.3 * f},
                                    {pf.x + 1.4 * f, ym - 2.6 * f}, {pf.x + 1.4 * f, ym + 2.6 * f}},
                                   "start", f, "label", label);
            };
            gap(fr.feed, "DFPR " + value_text(col("DFPR")));
            gap(e1.x > e2.x ? e1 : e2, "DSRPR " + value_text(col("DSRPR")));
            // E and FDE, which no length shows: on the sub, and by the feed angle.
            const Point s_mid = at(p0);
            dims += labels.put({{s_mid.x + 1.2 * f, s_mid.y + 2.8 * f}, {s_mid.x + 1.2 * f, s_mid.y + 4.2 * f}}, "start",
                               f, "label", "sub conic E " + value_text(col("E")));
            dims += labels.put({{pt.x, pt.y + 2.4 * f}, {pt.x, pt.y + 3.6 * f}, {pt.x, pt.y - 2.4 * f}}, "start", f,
                               "label", "FDE " + value_text(col("FDE")) + " (FEQ/DM)");
        }
        if (sub_fails) {
            const Point s0 = at(p0);
            dims += labels.put({{s0.x + 1.0 * f, s0.y - 1.2 * f}, {s0.x + 1.0 * f, s0.y + 1.6 * f}}, "start", f,
                               "failed", "sub-blocks");
        }
        if (feed_fails)
            dims += labels.put({{feed_pt.x - 1.0 * f, feed_pt.y - 1.5 * f}}, "end", f, "failed", "feed-blocks");
    }
    const double x0 = -F - 0.15 * S - 10 * f, x1 = z_top + 0.2 * S + 12 * f;
    const double y_top = -(hi_x + 0.05 * S), y1 = std::max(0.0, -lo_x) + 0.1 * S + 2 * f;
    return framed(study, d, standalone, missing, f, x0, x1, y_top, y1, body + dims,
                  "<style>\n.parent{fill:none;stroke:#1f3b73;stroke-width:1px;stroke-dasharray:6 4;"
                  "vector-effect:non-scaling-stroke}\n.column{fill:#1f3b73;fill-opacity:0.06;stroke:none}\n"
                  ".section .failed-element{stroke:#c62828;fill:#c62828}\n"
                  ".subreflector.failed-element,.feed-horn.failed-element{fill:none}\n" +
                      // A failed feed's dot is filled red; a stroke of the
                      // default width, one length unit, would ring the page.
                      std::string(feed_fails ? ".section circle.failed-element{stroke:none}\n" : "") + "</style>\n");
}

}  // namespace

std::string offset_sketch_svg(const study::Study& study, const study::Design& d) {
    return offset_section_svg(study, d, true, true);
}

}  // namespace draw
