// A line chart of a sweep: the solved lengths (or one chosen value, one
// line per value of a grid's outer quantity) against the swept quantity.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "draw/pictures.hpp"
#include "draw/svg.hpp"

namespace draw {
namespace {

using study::Value;
using svg::n;
using svg::tick_label;
using svg::ticks;
using svg::Point;

constexpr const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e",
                                    "#17becf", "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22"};

// The column a swept quantity shows as (TE in degrees, FDE, or the length).
Value value_of(const study::Study& study, study::Key k) {
    Value v{};
    study.column(study::info(k).name, v);
    return v;
}

std::string axis_name(const study::Study& study, Value v) {
    std::string s(study.column_name(v));
    if (study.shown().columns[static_cast<std::size_t>(v)].kind == study::ColumnKind::angle) s += " (degrees)";
    return s;
}

struct Series {
    std::string name;
    std::vector<Point> data;       // (x, y); NaN y where the row has none
    std::vector<bool> failed;
};

}  // namespace

// The columns of names.
std::vector<Value> columns_of(const study::Study& study, std::span<const std::string_view> names) {
    std::vector<Value> out;
    for (std::string_view n : names) {
        Value v{};
        if (study.column(n, v)) out.push_back(v);
    }
    return out;
}

Value first_solved_length(const study::Study& study) {
    for (Value v : columns_of(study, study.family().plotted))
        if (study.solved(v)) return v;
    Value v{};
    study.column(study.family().plot_default, v);
    return v;
}

std::string plot_svg(const study::Study& study, const std::vector<Row>& rows, const PlotAxis& axis, bool standalone) {
    const auto& sweeps = study.sweeps();
    const bool grid = !axis.x && sweeps.size() == 2;
    const Value x_value = value_of(study, axis.x ? *axis.x : sweeps.back()->key);
    const std::int32_t inner = grid ? sweeps.back()->count : 1;

    std::vector<Series> series;
    if (grid) {
        // One line of the chosen value per value of the outer quantity.
        const Value outer = value_of(study, sweeps.front()->key);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::size_t line = i / static_cast<std::size_t>(inner);
            if (line >= series.size()) {
                char label[64];
                std::snprintf(label, sizeof label, "%s = %.6g", std::string(study.column_name(outer)).c_str(),
                              double(rows[i].d[outer]));
                series.push_back({label, {}, {}});
            }
            const study::Design& d = rows[i].d;
            series[line].data.push_back({d[x_value], d.has(axis.y) ? double(d[axis.y]) : NAN});
            series[line].failed.push_back(!d.ok());
        }
    } else {
        std::vector<Value> ys;
        if (axis.y_given) {
            ys.push_back(axis.y);
        } else {
            for (Value v : columns_of(study, study.family().plotted))
                if (study.solved(v)) ys.push_back(v);
            for (Value v : columns_of(study, study.family().always_plotted)) ys.push_back(v);
        }
        for (Value y : ys) {
            Series s{std::string(study.column_name(y)), {}, {}};
            for (const Row& r : rows) {
                s.data.push_back({r.d[x_value], r.d.has(y) ? double(r.d[y]) : NAN});
                s.failed.push_back(!r.d.ok());
            }
            series.push_back(std::move(s));
        }
    }

    // Data ranges, from the finite points only.
    double xlo = INFINITY, xhi = -INFINITY, ylo = INFINITY, yhi = -INFINITY;
    bool any_failed = false;
    for (const Series& s : series) {
        for (std::size_t i = 0; i < s.data.size(); ++i) {
            const Point p = s.data[i];
            if (std::isfinite(p.x)) xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
            if (svg::finite(p)) ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
            any_failed = any_failed || s.failed[i];
        }
    }
    const bool drawable = std::isfinite(xlo) && std::isfinite(ylo);
    if (!drawable) xlo = 0, xhi = 1, ylo = 0, yhi = 1;
    const std::vector<double> xt = ticks(xlo, xhi), yt = ticks(ylo, yhi);

    // The frame, in pixels.
    const double W = 900, H = 520, left = 80, right = 190, top = 46, bottom = 58;
    const double pw = W - left - right, ph = H - top - bottom;
    auto X = [&](double x) { return left + (x - xlo) / (xhi - xlo) * pw; };
    auto Y = [&](double y) { return top + (yhi - y) / (yhi - ylo) * ph; };

    std::string out;
    if (standalone) out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"plot\" viewBox=\"0 0 " + n(W) + " " + n(H) + "\"";
    out += standalone ? " width=\"" + n(W) + "\" height=\"" + n(H) + "\">\n" : std::string(" width=\"100%\">\n");
    out += "<style>\n"
           ".plot text{font-family:DejaVu Sans,Arial,sans-serif;font-size:13px;fill:#222}\n"
           ".plot .title{font-size:15px;font-weight:bold}\n"
           ".plot .grid{stroke:#e4e4e4;stroke-width:1}\n"
           ".plot .frame{fill:none;stroke:#444;stroke-width:1}\n"
           ".plot .series{fill:none;stroke-width:2}\n"
           ".plot .fail{fill:none;stroke:#c62828;stroke-width:2}\n"
           ".plot .note{fill:#c62828}\n"
           "</style>\n";
    out += "<rect width=\"" + n(W) + "\" height=\"" + n(H) + "\" fill=\"#fff\"/>\n";
    std::string title = study.title();
    if (grid) title = std::string(study.column_name(axis.y)) + " of " + title;
    out += "<text class=\"title\" x=\"" + n(left) + "\" y=\"26\">" + escape(title) + "</text>\n";

    for (double t : xt) {
        out += svg::line({X(t), top}, {X(t), top + ph}, "grid");
        out += "<text x=\"" + n(X(t)) + "\" y=\"" + n(top + ph + 18) + "\" text-anchor=\"middle\">" + tick_label(t) +
               "</text>\n";
    }
    for (double t : yt) {
        out += svg::line({left, Y(t)}, {left + pw, Y(t)}, "grid");
        out += "<text x=\"" + n(left - 8) + "\" y=\"" + n(Y(t) + 4) + "\" text-anchor=\"end\">" + tick_label(t) +
               "</text>\n";
    }
    out += "<rect class=\"frame\" x=\"" + n(left) + "\" y=\"" + n(top) + "\" width=\"" + n(pw) + "\" height=\"" +
           n(ph) + "\"/>\n";
    out += "<text x=\"" + n(left + pw / 2) + "\" y=\"" + n(H - 14) + "\" text-anchor=\"middle\">" +
           escape(axis_name(study, x_value)) + "</text>\n";
    const std::string y_name = grid || axis.y_given ? axis_name(study, axis.y) : std::string("length");
    out += "<text x=\"18\" y=\"" + n(top + ph / 2) + "\" text-anchor=\"middle\" transform=\"rotate(-90 18 " +
           n(top + ph / 2) + ")\">" + escape(y_name) + "</text>\n";
    if (!drawable) {
        out += "<text class=\"note\" x=\"" + n(left + pw / 2) + "\" y=\"" + n(top + ph / 2) +
               "\" text-anchor=\"middle\">nothing to plot: no row has a finite value</text>\n";
    }

    // The lines, broken where a row has no value; failing rows ringed.
    std::string legend;
    const std::size_t shown = std::min<std::size_t>(series.size(), 16);
    for (std::size_t k = 0; k < series.size(); ++k) {
        const Series& s = series[k];
        const char* colour = kColours[k % std::size(kColours)];
        std::vector<Point> run;
        auto flush = [&] {
            if (run.size() >= 2) {
                out += svg::polyline(run, std::string("class=\"series\" stroke=\"") + colour + "\"");
            } else if (run.size() == 1) {
                out += "<circle cx=\"" + n(run[0].x) + "\" cy=\"" + n(run[0].y) + "\" r=\"2.5\" fill=\"" + colour +
                       "\"/>\n";
            }
            run.clear();
        };
        for (std::size_t i = 0; i < s.data.size(); ++i) {
            const Point p = s.data[i];
            if (!svg::finite(p)) {
                flush();
                continue;
            }
            run.push_back({X(p.x), Y(p.y)});
            if (s.failed[i]) {
                out += "<circle class=\"fail\" cx=\"" + n(X(p.x)) + "\" cy=\"" + n(Y(p.y)) + "\" r=\"5\"/>\n";
            }
        }
        flush();
        if (k < shown) {
            const double ly = top + 10 + 20 * double(k);
            legend += svg::line({left + pw + 16, ly}, {left + pw + 40, ly}, "series");
            legend.insert(legend.size() - 3, std::string(" stroke=\"") + colour + "\"");
            legend += "<text x=\"" + n(left + pw + 46) + "\" y=\"" + n(ly + 4) + "\">" + escape(s.name) + "</text>\n";
        }
    }
    double ly = top + 10 + 20 * double(shown);
    if (series.size() > shown) {
        legend += "<text x=\"" + n(left + pw + 16) + "\" y=\"" + n(ly + 4) + "\">and " +
                  std::to_string(series.size() - shown) + " more</text>\n";
        ly += 20;
    }
    if (any_failed) {
        legend += "<circle class=\"fail\" cx=\"" + n(left + pw + 28) + "\" cy=\"" + n(ly) + "\" r=\"5\"/>\n";
        legend += "<text x=\"" + n(left + pw + 46) + "\" y=\"" + n(ly + 4) + "\">fails a check</text>\n";
    }
    out += legend + "</svg>\n";
    return out;
}

}  // namespace draw
