// Pictures of a study: the cross-section of one design drawn to scale, a
// line chart of a sweep, and a self-contained HTML page with both and the
// table of all rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "study/study.hpp"
#include "study/formats.hpp"

namespace draw {

// A row as the pictures see it: the design and its extra columns (empty
// when it has none).
struct Row {
    study::Design d;
    std::vector<float> extra;
};

// The cross-section of one design in its own length units: x is the axial
// coordinate z (main vertex at 0), y is -rho.  Values that do not show or
// are not finite are left out, and the picture says what is missing.
// standalone: a file of its own (XML declaration, a size in pixels);
// otherwise an element for a page.
std::string cross_section_svg(const study::Study& study, const study::Design& d, bool standalone);

// An offset design (mode 3) drawn as above with every quantity of the mode
// named on the element it measures: a sketch that explains the names.
std::string offset_sketch_svg(const study::Study& study, const study::Design& d);

// What a plot draws against the swept quantity: every solved length and
// LT, or, with y_given or for a grid, the one value y (a grid draws one line
// per value of its outer quantity).
struct PlotAxis {
    study::Value y{};
    bool y_given = false;
    // The quantity along x for rows that are no sweep (a caller's arrays):
    // then one line per value drawn, never a grid.  Empty: the sweep's.
    std::optional<study::Key> x;
};
// The first length the case solves (the default of --plot-y).
study::Value first_solved_length(const study::Study& study);

std::string plot_svg(const study::Study& study, const std::vector<Row>& rows, const PlotAxis& axis, bool standalone);

// The page: the inputs, the picture of row `at` (0-based), the plot for a
// sweep, and the table of all rows with failed checks highlighted.
// Pictures hold every row in memory; these keep them to a size a browser
// shows.
inline constexpr std::int64_t kMaxPlotRows = 100'000;
inline constexpr std::int64_t kMaxHtmlRows = 10'000;

std::string html_page(const study::Study& study, const std::vector<Row>& rows, std::size_t at, const PlotAxis& axis,
                      const study::ExtraColumns& extra, const std::string& pattern = {});

// Far-field cuts as a chart: per cut its azimuth and, along theta (degrees,
// negative on the far side), the co- and cross-polar gain in dBi; drawn
// co-polar solid and cross-polar dashed, the half-power width and the first
// sidelobe of the first cut marked.
struct PatternCut {
    double phi_deg = 0;
    std::vector<double> theta_deg, co_dbi, cross_dbi;
};
std::string pattern_svg(const std::string& title, const std::vector<PatternCut>& cuts, bool standalone);

// Text for XML: &, <, > and quotes escaped.
std::string escape(std::string_view text);

}  // namespace draw
