// The HTML page of a study: one self-contained file, no scripts, no
// network, the pictures inline.
#include <cmath>

#include "draw/pictures.hpp"

namespace draw {
namespace {

using study::Value;

std::string cell_number(bool present, float v, int decimals) {
    std::string s;
    study::append_table_number(s, present, v, decimals);
    return s.substr(s.find_first_not_of(' '));
}

constexpr const char* kStyle = R"(<style>
body{font-family:DejaVu Sans,Arial,sans-serif;margin:24px auto;max-width:1180px;color:#222;padding:0 16px}
h1{font-size:22px;margin:0 0 4px}
h2{font-size:17px;margin:28px 0 8px;border-bottom:1px solid #ddd;padding-bottom:4px}
p.sub{color:#555;margin:0 0 16px}
table{border-collapse:collapse;font-size:13px}
table.inputs td{padding:2px 14px 2px 0}
table.inputs td:first-child{font-weight:bold}
.scroll{overflow-x:auto;max-height:640px;overflow-y:auto;border:1px solid #ddd}
table.designs th{position:sticky;top:0;background:#f0f3f8;padding:5px 8px;text-align:right;border-bottom:1px solid #ccc}
table.designs td{padding:3px 8px;text-align:right;font-variant-numeric:tabular-nums;border-bottom:1px solid #f0f0f0}
table.designs td.check,table.designs th.check{text-align:left;white-space:nowrap}
table.designs tr.fail td{background:#fde7e7}
table.designs tr.fail td.check{color:#b71c1c;font-weight:bold}
table.designs tr.chosen td{background:#e3ebfa;font-weight:bold}
table.designs tr.fail.chosen td{background:#f8cfcf}
figure{margin:0;border:1px solid #ddd;padding:8px;background:#fff}
figure svg{display:block;max-height:620px}
figcaption{font-size:12px;color:#555;margin-top:6px}
</style>
)";

}  // namespace

std::string html_page(const study::Study& study, const std::vector<Row>& rows, std::size_t at, const PlotAxis& axis,
                      const study::ExtraColumns& extra, const std::string& pattern) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<title>" + escape("refldsgn-solve: " + study.title()) + "</title>\n" + kStyle + "</head>\n<body>\n";
    out += "<h1>" + escape(study.title()) + "</h1>\n";
    std::size_t failing = 0;
    for (const Row& r : rows) failing += r.d.ok() ? 0 : 1;
    out += "<p class=\"sub\">" + std::to_string(rows.size()) + (rows.size() == 1 ? " design" : " designs") + ", " +
           std::to_string(failing) + " failing a check. Written by refldsgn-solve " REFLDSGN_VERSION ".</p>\n";

    out += "<h2>Inputs</h2>\n<table class=\"inputs\">\n";
    for (const study::Assignment& a : study.inputs().items) {
        std::string v = a.text;
        if (a.swept) v += "  (" + std::to_string(a.count) + " values)";
        const study::KeyInfo& k = study::info(a.key);
        const std::string_view own = study.family().help(a.key);
        const std::string help = own.empty() ? geometry::help_of(k, &study.family()) : std::string(own);
        out += "<tr><td>" + escape(k.name) + "</td><td>" + escape(v) + "</td><td>" + escape(help) + "</td></tr>\n";
    }
    out += "</table>\n";

    out += "<h2>Row " + std::to_string(at + 1) + " drawn to scale</h2>\n<figure>\n";
    out += cross_section_svg(study, rows[at].d, false);
    const geometry::Antenna antenna = study.antenna(rows[at].d);
    if (antenna.sub) {
        out += !antenna.main.revolved
                   ? "<figcaption>The plane of symmetry in the design's own length unit: main reflector (blue) with its "
                     "parent paraboloid (dashed), subreflector (purple), rays from the feed phase centre F' (green dot) "
                     "through the sub to the shaded beam column, prime focus O (red).</figcaption>\n</figure>\n"
                   : "<figcaption>Axial cross-section in the design's own length unit: main reflector (blue), subreflector "
                     "(purple), edge and inner rays from the feed (green dot) to the aperture, main focus F (red).</figcaption>"
                     "\n</figure>\n";
    } else {
        out += !antenna.main.revolved
                   ? "<figcaption>The plane of symmetry in the design's own length unit: main reflector (blue) with its "
                     "parent paraboloid (dashed), rays from the feed phase centre at the focus O (green dot) to the "
                     "shaded beam column.</figcaption>\n</figure>\n"
                   : "<figcaption>Axial cross-section in the design's own length unit: main reflector (blue), edge and "
                     "inner rays from the feed at the focus F (green dot) to the aperture.</figcaption>\n</figure>\n";
    }

    if (!pattern.empty()) {
        out += "<h2>Far field of row " + std::to_string(at + 1) + "</h2>\n<figure>\n" + pattern;
        out += "<figcaption>Gain in dBi against theta from the main axis: co-polar solid, cross-polar dashed "
               "(Ludwig's third definition), by geometrical optics.</figcaption>\n</figure>\n";
    }

    if (!study.sweeps().empty()) {
        out += "<h2>Along the sweep</h2>\n<figure>\n" + plot_svg(study, rows, axis, false);
        out += "<figcaption>Rows that fail a check are ringed in red.</figcaption>\n</figure>\n";
    }

    out += "<h2>Designs</h2>\n<div class=\"scroll\">\n<table class=\"designs\">\n<thead><tr><th>row</th>";
    std::vector<study::Value> cols;
    for (std::size_t i = 0; i < study.shown().size(); ++i) cols.push_back(static_cast<study::Value>(i));
    const std::size_t before_check = study.shown().before_check;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        if (i == before_check) out += "<th class=\"check\">check</th>";
        out += "<th>" + escape(study.column_name(cols[i])) + "</th>";
    }
    if (before_check >= cols.size()) out += "<th class=\"check\">check</th>";
    for (const std::string& name : extra.names) out += "<th>" + escape(name) + "</th>";
    out += "</tr></thead>\n<tbody>\n";
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const study::Design& d = rows[k].d;
        std::string cls = d.ok() ? "" : "fail";
        if (k == at) cls += cls.empty() ? "chosen" : " chosen";
        out += cls.empty() ? "<tr>" : "<tr class=\"" + cls + "\">";
        out += "<td>" + std::to_string(k + 1) + "</td>";
        for (std::size_t i = 0; i < cols.size(); ++i) {
            if (i == before_check) out += "<td class=\"check\">" + escape(study::check_text(d.checks)) + "</td>";
            out += "<td>" + cell_number(d.has(cols[i]), d[cols[i]], 4) + "</td>";
        }
        if (before_check >= cols.size()) out += "<td class=\"check\">" + escape(study::check_text(d.checks)) + "</td>";
        for (std::size_t i = 0; i < extra.names.size(); ++i) {
            const bool has = i < rows[k].extra.size() && !std::isnan(rows[k].extra[i]);
            out += "<td>" + cell_number(has, has ? rows[k].extra[i] : 0, extra.decimals) + "</td>";
        }
        out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n</div>\n";
    // What each failed check means, from the first row that fails it.
    study::CheckTally tally;
    for (const Row& r : rows) tally.add(r.d);
    if (tally.failed > 0) {
        out += "<h2>Failed checks</h2>\n<ul class=\"checks\">\n";
        for (const std::string& note : study::check_notes(study, tally)) {
            const std::size_t colon = note.find(": ");
            out += "<li><b>" + escape(note.substr(0, colon)) + "</b>" + escape(note.substr(colon)) + "</li>\n";
        }
        out += "</ul>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

}  // namespace draw
