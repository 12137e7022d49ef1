// A chart of far-field cuts: gain in dBi against theta.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "draw/pictures.hpp"
#include "draw/svg.hpp"

namespace draw {
namespace {

using svg::n;
using svg::Point;

constexpr const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#17becf"};

}  // namespace

std::string pattern_svg(const std::string& title, const std::vector<PatternCut>& cuts, bool standalone) {
    // The range: theta as given; levels from 50 dB below the peak to above it.
    double tlo = 0, thi = 1, peak = -INFINITY;
    for (const PatternCut& c : cuts) {
        if (c.theta_deg.empty()) continue;
        tlo = std::min(tlo, c.theta_deg.front());
        thi = std::max(thi, c.theta_deg.back());
        for (double v : c.co_dbi)
            if (std::isfinite(v)) peak = std::max(peak, v);
    }
    if (!std::isfinite(peak)) peak = 0;
    double ylo = peak - 50, yhi = peak + 3;
    const std::vector<double> xt = svg::ticks(tlo, thi), yt = svg::ticks(ylo, yhi);
    const double W = 900, H = 520, left = 80, right = 170, top = 46, bottom = 58;
    const double pw = W - left - right, ph = H - top - bottom;
    auto X = [&](double x) { return left + (x - tlo) / (thi - tlo) * pw; };
    auto Y = [&](double y) { return top + (yhi - std::max(y, ylo)) / (yhi - ylo) * ph; };

    std::string out;
    if (standalone) out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"pattern\" viewBox=\"0 0 " + n(W) + " " + n(H) + "\"";
    out += standalone ? " width=\"" + n(W) + "\" height=\"" + n(H) + "\">\n" : std::string(" width=\"100%\">\n");
    out += "<style>\n"
           ".pattern text{font-family:DejaVu Sans,Arial,sans-serif;font-size:13px;fill:#222}\n"
           ".pattern .title{font-size:15px;font-weight:bold}\n"
           ".pattern .grid{stroke:#e4e4e4;stroke-width:1}\n"
           ".pattern .frame{fill:none;stroke:#444;stroke-width:1}\n"
           ".pattern .co{fill:none;stroke-width:1.6}\n"
           ".pattern .cross{fill:none;stroke-width:1.2;stroke-dasharray:6 4}\n"
           ".pattern .mark{fill:none;stroke:#222;stroke-width:1}\n"
           "</style>\n";
    out += "<rect width=\"" + n(W) + "\" height=\"" + n(H) + "\" fill=\"#fff\"/>\n";
    out += "<text class=\"title\" x=\"" + n(left) + "\" y=\"26\">" + escape(title) + "</text>\n";
    for (double t : xt) {
        out += svg::line({X(t), top}, {X(t), top + ph}, "grid");
        out += "<text x=\"" + n(X(t)) + "\" y=\"" + n(top + ph + 18) + "\" text-anchor=\"middle\">" + svg::tick_label(t) +
               "</text>\n";
    }
    for (double t : yt) {
        if (t < ylo || t > yhi) continue;
        out += svg::line({left, Y(t)}, {left + pw, Y(t)}, "grid");
        out += "<text x=\"" + n(left - 8) + "\" y=\"" + n(Y(t) + 4) + "\" text-anchor=\"end\">" + svg::tick_label(t) +
               "</text>\n";
    }
    out += "<rect class=\"frame\" x=\"" + n(left) + "\" y=\"" + n(top) + "\" width=\"" + n(pw) + "\" height=\"" + n(ph) +
           "\"/>\n";
    out += "<text x=\"" + n(left + pw / 2) + "\" y=\"" + n(H - 14) + "\" text-anchor=\"middle\">theta (degrees)</text>\n";
    out += "<text x=\"18\" y=\"" + n(top + ph / 2) + "\" text-anchor=\"middle\" transform=\"rotate(-90 18 " +
           n(top + ph / 2) + ")\">gain (dBi)</text>\n";
    for (std::size_t k = 0; k < cuts.size(); ++k) {
        const PatternCut& c = cuts[k];
        const char* colour = kColours[k % std::size(kColours)];
        for (const auto& [values, cls] : {std::pair{&c.co_dbi, "co"}, std::pair{&c.cross_dbi, "cross"}}) {
            std::vector<Point> pts;
            for (std::size_t i = 0; i < c.theta_deg.size(); ++i)
                if (std::isfinite((*values)[i]) || (*values)[i] < 0) pts.push_back({X(c.theta_deg[i]), Y((*values)[i])});
            out += svg::polyline(pts, std::string("class=\"") + cls + "\" stroke=\"" + colour + "\"");
        }
        char label[64];
        std::snprintf(label, sizeof label, "phi = %g\u00b0", c.phi_deg);
        const double ly = top + 18 + 36 * double(k);
        out += svg::line({left + pw + 14, ly - 4}, {left + pw + 44, ly - 4}, "co\" stroke=\"" + std::string(colour));
        out += svg::line({left + pw + 14, ly + 12}, {left + pw + 44, ly + 12}, "cross\" stroke=\"" + std::string(colour));
        out += "<text x=\"" + n(left + pw + 50) + "\" y=\"" + n(ly) + "\">" + escape(label) + "</text>\n";
        out += "<text x=\"" + n(left + pw + 50) + "\" y=\"" + n(ly + 16) + "\">cross-polar</text>\n";
    }
    // The half-power points and the first sidelobe of the first cut.
    if (!cuts.empty() && !cuts[0].theta_deg.empty()) {
        const PatternCut& c = cuts[0];
        const auto top_at = std::max_element(c.co_dbi.begin(), c.co_dbi.end()) - c.co_dbi.begin();
        const double level = c.co_dbi[static_cast<std::size_t>(top_at)] - 3.0103;
        double edges[2] = {NAN, NAN};
        for (std::size_t i = static_cast<std::size_t>(top_at); i + 1 < c.co_dbi.size(); ++i) {
            if (c.co_dbi[i + 1] < level) {
                const double f = (c.co_dbi[i] - level) / (c.co_dbi[i] - c.co_dbi[i + 1]);
                edges[1] = c.theta_deg[i] + f * (c.theta_deg[i + 1] - c.theta_deg[i]);
                // The first sidelobe: the highest point after the first minimum.
                std::size_t j = i + 1;
                while (j + 1 < c.co_dbi.size() && c.co_dbi[j + 1] <= c.co_dbi[j]) ++j;
                std::size_t best = j;
                while (j + 1 < c.co_dbi.size() && c.co_dbi[j + 1] >= c.co_dbi[j]) best = ++j;
                if (best > i + 1 && best + 1 < c.co_dbi.size()) {
                    char text[64];
                    std::snprintf(text, sizeof text, "first sidelobe %.1f dB", c.co_dbi[best] - (level + 3.0103));
                    out += "<circle class=\"mark\" cx=\"" + n(X(c.theta_deg[best])) + "\" cy=\"" + n(Y(c.co_dbi[best])) +
                           "\" r=\"5\"/>\n<text x=\"" + n(X(c.theta_deg[best]) + 8) + "\" y=\"" +
                           n(Y(c.co_dbi[best]) - 8) + "\">" + escape(text) + "</text>\n";
                }
                break;
            }
        }
        for (std::size_t i = static_cast<std::size_t>(top_at); i > 0; --i) {
            if (c.co_dbi[i - 1] < level) {
                const double f = (c.co_dbi[i] - level) / (c.co_dbi[i] - c.co_dbi[i - 1]);
                edges[0] = c.theta_deg[i] + f * (c.theta_deg[i - 1] - c.theta_deg[i]);
                break;
            }
        }
        if (std::isfinite(edges[0]) && std::isfinite(edges[1])) {
            out += svg::line({X(edges[0]), Y(level)}, {X(edges[1]), Y(level)}, "mark");
            char text[64];
            std::snprintf(text, sizeof text, "-3 dB width %.4g\u00b0", edges[1] - edges[0]);
            out += "<text x=\"" + n(X(edges[1]) + 8) + "\" y=\"" + n(Y(level) + 4) + "\">" + escape(text) + "</text>\n";
        }
    }
    out += "</svg>\n";
    return out;
}

}  // namespace draw
