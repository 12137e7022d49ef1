// refldsgn-solve: the design solver for scripts and studies.
//
//   refldsgn-solve [OPTIONS] QUANTITY=VALUE... [@FILE...]
//
// Exit status: 0 done; 1 an output could not be written; 2 bad input
// (nothing written); 3 with --strict, some row failed a check.
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "cad/files.hpp"
#include "cad/model.hpp"
#include "draw/pictures.hpp"
#include "handoff/cassbeam.hpp"
#include "handoff/exports.hpp"
#include "geometry/family.hpp"
#include "handoff/offset_files.hpp"
#include "radiate/radiate.hpp"
#include "study/inputs.hpp"
#include "solve/progress.hpp"
#include "study/study.hpp"
#include "study/formats.hpp"
#include "study/row_stream.hpp"
#include "textio/error.hpp"
#include "textio/output.hpp"
#include "textio/paths.hpp"

#if defined(__SANITIZE_ADDRESS__)
// OpenCASCADE (the STEP component) keeps a few one-time allocations to the
// end of the process: not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libTK\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace {

constexpr const char* kProgram = "refldsgn-solve";

struct Options {
    std::vector<std::string> inputs;
    study::Format format = study::Format::table;
    std::string format_text;  // -f as typed, empty when not given
    std::string output;
    bool strict = false;
    std::int64_t at = 1;  // the row of the files and pictures, 1-based
    handoff::ExportOptions exports;
    std::string cassbeam;  // PREFIX of a cassbeam input, empty for none
    bool analyze = false;
    std::string svg, plot, html;  // pictures, empty for none
    std::string sketch;           // the labelled sketch of an offset design
    std::string plot_y;           // the value plotted, empty for the default
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    std::string jobs_text;  // -j as typed, empty when not given
    std::string sfc_main, sfc_sub, tor, grid;  // files of an offset design
    cad::CadOptions cad;
    bool radiate = false;         // the radiation columns of every row
    std::string pattern;          // the cuts of the --at row: .csv or .cut
    std::string pattern_svg;      // the cuts drawn
    std::string cuts = "0,45,90", theta_max, points = "1001";
    std::string po_sampling;      // physical optics' points per wavelength, empty for the engine's choice
};

using draw::kMaxHtmlRows;
using draw::kMaxPlotRows;

using textio::write_text_file;

draw::PlotAxis plot_axis(const Options& opt, const study::Study& study) {
    draw::PlotAxis axis;
    axis.y = draw::first_solved_length(study);
    if (opt.plot_y.empty()) return axis;
    if (study.column(opt.plot_y, axis.y)) {
        axis.y_given = true;
        return axis;
    }
    std::string names;
    for (const study::ColumnInfo& c : study.shown().columns) names += (names.empty() ? "" : ", ") + std::string(c.name);
    throw study::InputError("--plot-y " + opt.plot_y + ": not a value of the rows (" + names + ")");
}

// Text broken into lines of at most `width` columns at spaces; a run of
// spaces within a line stays as it is (two after a full stop).
std::string wrapped(const std::string& text, std::size_t width) {
    std::string out, line, gap;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + gap.size() + word.size() > width) {
            out += line + "\n";
            line = word;
        } else {
            line += gap + word;
        }
        std::size_t next = end;
        while (next < text.size() && text[next] == ' ') ++next;
        gap = text.substr(end, next - end);
        at = next;
    }
    return out + line;
}

std::string footer() {
    std::string s = "Quantities (lengths in any one unit, angles in degrees):\n";
    for (const study::KeyInfo& k : study::kKeys) {
        std::string name(k.name);
        name.resize(13, ' ');
        s += "  " + name + geometry::help_of(k) + "\n";
    }
    // The prose, wrapped at 80 columns: the families say what selects them.
    std::string prose =
        "A value is a plain decimal number, START:STOP:STEP to sweep the quantity (never past STOP; STOP is reached "
        "when it lies on the steps), or a list A,B,C (at most two sweeps or lists; the second is nested inside the "
        "first).";
    for (const geometry::Family* f : geometry::families()) prose += "  " + std::string(f->summary);
    prose += "  @FILE reads one QUANTITY=VALUE per line ('#' or '%' starts a comment); the command line overrides "
             "the file.";
    std::string checks;
    for (std::size_t c = 0; c < study::kChecks; ++c)
        checks += (c == 0 ? "" : ", ") + std::string(study::code_of(static_cast<study::Check>(c)));
    s += "\n" + wrapped(prose, 80) + "\n\n" +
         wrapped("Every row is checked: ok, or one or more of " + checks +
                     ", as its family has them; the table and --html end with what each failed check means.  No "
                     "output may be another output or an input of the run.  SOURCE_DATE_EPOCH sets the time in STEP "
                     "files' headers.",
                 80) +
         "\n\n"
         "Exit status: 0 done, 1 output not written, 2 bad input, 3 a check failed (--strict).\n"
         "Examples: refldsgn-solve type=cassegrain DM=6 FM=2.52 DS=0.35 TE=2.04624 -f csv\n"
         "  The same dish for a machine shop, in mm: 5 mm solids with a 600 mm central hole\n"
         "  in STEP, the profiles in DXF, a mesh within 0.1 mm in STL:\n"
         "  refldsgn-solve type=cassegrain DM=6000 FM=2520 DS=350 TE=2.04624 unit=mm \\\n"
         "      --main-range 600:6000:300 --step dish.step --thickness 5 --dxf dish.dxf \\\n"
         "      --stl dish.stl --tolerance 0.1";
    return s;
}

// Threads at most: more would only cost memory.
constexpr long long kMaxJobs = 1024;

// Every file the run reads or writes, each named by its option: an output
// that is another output or an input of the run (however named) is an input
// error before anything is written.
// The settings of the radiation engine from the study's inputs: freq (GHz)
// and unit are required, taper and taper_angle have their defaults.
radiate::Settings radiate_settings(const study::Study& study, const char* option, const Options& opt) {
    const study::Assignment* freq = study.inputs().find(study::Key::freq);
    const study::Assignment* unit = study.inputs().find(study::Key::unit);
    if (freq == nullptr) throw study::InputError(std::string(option) + " needs freq= (GHz): the wavelength follows from it");
    if (unit == nullptr)
        throw study::InputError(std::string(option) + " needs unit= (" + study::unit_names() + "): the wavelength is a length");
    const study::Assignment* taper = study.inputs().find(study::Key::taper);
    const study::Assignment* angle = study.inputs().find(study::Key::taper_angle);
    const study::Assignment* feed = study.inputs().find(study::Key::feed);
    const study::Assignment* pol = study.inputs().find(study::Key::pol);
    const study::Assignment* method = study.inputs().find(study::Key::method);
    float sampling = NAN;
    if (!opt.po_sampling.empty() && !study::parse_number(opt.po_sampling, sampling))
        throw study::InputError("--po-sampling " + opt.po_sampling + ": give points per wavelength, from 1 to 64");
    if (!opt.po_sampling.empty() && (method == nullptr || method->value != 1))
        throw study::InputError("--po-sampling samples the currents of physical optics: give method=po");
    radiate::Settings st = radiate::settings_of(freq->value, study::kUnits[static_cast<std::size_t>(unit->value)].metres,
                                                taper != nullptr ? double(taper->value) : 10.0,
                                                angle != nullptr ? double(angle->value) : std::nan(""),
                                                feed != nullptr ? static_cast<int>(feed->value) : 0,
                                                pol != nullptr ? static_cast<int>(pol->value) : 0,
                                                method != nullptr ? static_cast<int>(method->value) : 0, sampling);
    st.jobs = static_cast<int>(opt.jobs);
    return st;
}

// The cuts of --pattern: the --cuts azimuths, out to --theta-max (five
// half-power widths by default) in --points points, read before anything
// is written.
struct PatternPlan {
    std::vector<double> cuts;
    float points = 0, theta_max = 0;  // 0: the default
    bool cut_format = false;          // TICRA .cut, else CSV
};

PatternPlan pattern_plan(const Options& opt) {
    PatternPlan plan;
    std::vector<double>& cuts = plan.cuts;
    float& points = plan.points;
    float& theta_max = plan.theta_max;
    std::size_t at = 0;
    while (at <= opt.cuts.size()) {
        const std::size_t end = std::min(opt.cuts.find(',', at), opt.cuts.size());
        float v = 0;
        if (!study::parse_number(opt.cuts.substr(at, end - at), v) || !std::isfinite(v))
            throw study::InputError("--cuts " + opt.cuts + ": give azimuths in degrees, A,B,C");
        cuts.push_back(v);
        at = end + 1;
    }
    if (!study::parse_number(opt.points, points) || points < 3 || points > 1000000 || points != std::floor(points))
        throw study::InputError("--points " + opt.points + ": give a whole number from 3 to 1000000");
    if (!opt.theta_max.empty() &&
        (!study::parse_number(opt.theta_max, theta_max) || !(theta_max > 0 && theta_max <= 180)))
        throw study::InputError("--theta-max " + opt.theta_max + ": give an angle in degrees, above 0 and at most 180");
    plan.cut_format = opt.pattern.size() >= 4 && opt.pattern.compare(opt.pattern.size() - 4, 4, ".cut") == 0;
    return plan;
}

// The cuts of the plan, made once for the file and the chart; physical
// optics tells its progress on standard error.
std::vector<radiate::Cut> make_cuts(const PatternPlan& plan, const study::Study& study, const study::Design& d,
                                    radiate::Settings st) {
    std::unique_ptr<solve::Progress> progress;
    if (st.method == radiate::Method::po)
        st.progress = [&](std::size_t done, std::size_t total) {
            if (!progress) progress = std::make_unique<solve::Progress>("points of the main", total);
            progress->update(static_cast<std::int64_t>(done));
        };
    return radiate::cuts_of(study.antenna(d), st, plan.cuts, plan.theta_max > 0 ? plan.theta_max : NAN,
                            static_cast<int>(plan.points));
}

// The cuts, for the chart.
std::vector<draw::PatternCut> pattern_cuts(const PatternPlan& plan, const std::vector<radiate::Cut>& cuts) {
    std::vector<draw::PatternCut> out;
    for (std::size_t k = 0; k < cuts.size(); ++k) {
        radiate::Levels l = radiate::levels_of(cuts[k]);
        out.push_back({plan.cuts[k], std::move(l.theta_deg), std::move(l.co_dbi), std::move(l.cross_dbi)});
    }
    return out;
}

void write_pattern(const Options& opt, const PatternPlan& plan, const study::Study& study, const study::Design& d,
                   const radiate::Settings& st, const std::vector<radiate::Cut>& cuts) {
    const std::string heading = "refldsgn-solve: " + study.title() + ", row " + std::to_string(d.index + 1);
    write_text_file(opt.pattern, radiate::pattern_text(cuts, st, plan.cuts, static_cast<int>(plan.points),
                                                       plan.cut_format, heading));
}

void check_files(const Options& opt) {
    std::vector<textio::NamedFile> files;
    for (const std::string& arg : opt.inputs)
        if (!arg.empty() && arg[0] == '@') files.push_back({"@" + arg.substr(1), arg.substr(1), true});
    const std::pair<const char*, const std::string*> outputs[] = {
        {"-o", &opt.output},           {"--svg", &opt.svg},
        {"--plot", &opt.plot},         {"--sketch", &opt.sketch},
        {"--html", &opt.html},         {"--rsf-main", &opt.exports.rsf_main},
        {"--rsf-sub", &opt.exports.rsf_sub},       {"--champ-main", &opt.exports.champ_main},
        {"--champ-sub", &opt.exports.champ_sub},   {"--profile", &opt.exports.profile},
        {"--sfc-main", &opt.sfc_main}, {"--sfc-sub", &opt.sfc_sub},
        {"--tor", &opt.tor},           {"--dxf", &opt.cad.dxf},
        {"--stl", &opt.cad.stl},       {"--step", &opt.cad.step},
        {"--pattern", &opt.pattern},   {"--pattern-svg", &opt.pattern_svg},
    };
    for (const auto& [option, path] : outputs)
        if (!path->empty()) files.push_back({option, *path, false});
    if (!opt.cassbeam.empty()) {
        files.push_back({"--cassbeam", opt.cassbeam + ".in", false});
        files.push_back({"--cassbeam", opt.cassbeam + ".geom", false});
    }
    const auto clash = textio::first_clash(files);
    if (!clash) return;
    const auto& [a, b] = *clash;
    auto named = [](const textio::NamedFile& f) { return f.input ? f.option : f.option + " " + f.path; };
    if (a.input || b.input) {
        const textio::NamedFile& written = a.input ? b : a;
        const textio::NamedFile& read = a.input ? a : b;
        throw study::InputError(named(written) + " is the file " + named(read) +
                                " that the run reads: write it elsewhere");
    }
    throw study::InputError(named(b) + " is the same file as " + named(a) + ": give each output a file of its own");
}

int run(Options opt) {
    if (!opt.jobs_text.empty()) {
        long long n = 0;
        const char* end = opt.jobs_text.data() + opt.jobs_text.size();
        const auto r = std::from_chars(opt.jobs_text.data(), end, n);
        if (r.ec != std::errc() || r.ptr != end || n < 1 || n > kMaxJobs) {
            throw study::InputError("-j/--jobs " + opt.jobs_text + ": give a whole number of threads from 1 to " +
                                    std::to_string(kMaxJobs));
        }
        opt.jobs = static_cast<unsigned>(n);
    }
#if defined(__EMSCRIPTEN__)
    opt.jobs = 1;  // the page's module has one thread: -j is read (and checked) but has nothing to share out
#endif
    if (!opt.format_text.empty()) {
        const std::map<std::string, study::Format> formats = {
            {"table", study::Format::table}, {"csv", study::Format::csv}, {"json", study::Format::json}};
        const auto f = formats.find(opt.format_text);
        if (f == formats.end()) throw study::InputError("-f takes csv, json or table, not '" + opt.format_text + "'");
        opt.format = f->second;
    }
    // All input is checked before anything is written.
    check_files(opt);
    study::Study study(study::read_inputs(opt.inputs));
    if (opt.at < 1 || opt.at > study.rows()) {
        throw study::InputError("--at " + std::to_string(opt.at) + ": the study has " + std::to_string(study.rows()) +
                                (study.rows() == 1 ? " row" : " rows"));
    }
    const study::Design chosen = study.design(opt.at - 1);
    // Offset designs: the profile in the plane of symmetry, and the files of
    // GRASP; the other surface files are for surfaces of revolution.
    const geometry::Antenna antenna = study.antenna(chosen);
    std::string offset_profile;
    if (!antenna.main.revolved) {
        std::swap(offset_profile, opt.exports.profile);
        if (!opt.exports.main_range.empty() || !opt.exports.sub_range.empty())
            throw study::InputError("--main-range and --sub-range sample the diameters of surfaces of revolution; "
                                    "an offset design's --profile has 21 points a curve");
    }
    const bool grasp = !opt.sfc_main.empty() || !opt.sfc_sub.empty() || !opt.tor.empty();
    if (!opt.sketch.empty())
        study.require(study::Capability::sketch, "--sketch names the quantities of an offset design (mode 3); use --svg");
    if (grasp) handoff::check_offset_files(study, !opt.tor.empty(), !opt.sfc_sub.empty());
    if (opt.exports.any()) handoff::require_revolution(study);
    const handoff::Grid grid = opt.grid.empty() ? handoff::Grid{} : handoff::parse_grid(opt.grid);
    radiate::Settings radiation;
    if (opt.radiate && opt.analyze) throw study::InputError("give --radiate or --analyze, not both: each adds its columns");
    const bool cuts_wanted = !opt.pattern.empty() || !opt.pattern_svg.empty();
    const char* cuts_option = !opt.pattern.empty() ? "--pattern" : "--pattern-svg";
    if (opt.radiate || cuts_wanted) radiation = radiate_settings(study, opt.radiate ? "--radiate" : cuts_option, opt);
    PatternPlan pattern;
    if (cuts_wanted) {
        pattern = pattern_plan(opt);
        if (!chosen.ok())
            throw study::InputError(std::string(cuts_option) + ": row " + std::to_string(opt.at) + " fails its checks (" +
                                    study::check_text(chosen.checks) + "): no pattern to compute");
        radiate::preflight(antenna, radiation, pattern.theta_max > 0 ? pattern.theta_max : NAN);
    }
    // Physical optics samples each design in memory of its own size: every
    // row is sized before any is written.
    if (opt.radiate && radiation.method == radiate::Method::po)
        for (std::int64_t i = 0; i < study.rows(); ++i) {
            const study::Design d = study.design(i);
            if (d.ok()) radiate::preflight(study.antenna(d), radiation, NAN);
        }
    const bool files = opt.exports.any() || !opt.cassbeam.empty() || grasp || !offset_profile.empty() || opt.cad.given() ||
                       cuts_wanted;
    if (files && chosen.failed(study::Check::no_solution)) {
        throw study::InputError("row " + std::to_string(opt.at) + " has no solution: no surface to write");
    }
    handoff::ExportPlan plan;
    if (opt.exports.any()) plan = handoff::plan_exports(opt.exports, study, chosen);
    cad::Model model;
    if (opt.cad.given())
        model = cad::make_model(opt.cad, opt.exports.main_range, opt.exports.sub_range, study, chosen);
    handoff::CassbeamSettings cassbeam;
    if (!opt.cassbeam.empty() || opt.analyze)
        cassbeam = handoff::cassbeam_settings(study, opt.analyze ? "--analyze" : "--cassbeam");
    const draw::PlotAxis axis = plot_axis(opt, study);
    if (!opt.plot.empty() && study.sweeps().empty()) throw study::InputError("--plot needs a sweep (START:STOP:STEP)");
    if (!opt.plot.empty() && study.rows() > kMaxPlotRows) {
        throw study::InputError("--plot takes at most " + std::to_string(kMaxPlotRows) + " rows, not " +
                                std::to_string(study.rows()));
    }
    if (!opt.html.empty() && study.rows() > kMaxHtmlRows) {
        throw study::InputError("--html takes at most " + std::to_string(kMaxHtmlRows) + " rows, not " +
                                std::to_string(study.rows()));
    }
    if (opt.analyze && !handoff::cassbeam_on_path()) {
        throw study::InputError("--analyze runs cassbeam, which is not on PATH; install it (Debian: apt-get install "
                                "cassbeam)");
    }

    if (files && !chosen.ok()) {
        std::fprintf(stderr, "%s: warning: row %lld fails its checks (%s); its files show it as it is\n", kProgram,
                     static_cast<long long>(opt.at), study::check_text(chosen.checks).c_str());
    }
    handoff::write_exports(opt.exports, plan, antenna);
    if (!opt.sfc_main.empty()) handoff::write_sfc(opt.sfc_main, study, chosen, false, grid);
    if (!opt.sfc_sub.empty()) handoff::write_sfc(opt.sfc_sub, study, chosen, true, grid);
    if (!opt.tor.empty()) handoff::write_tor(opt.tor, study, chosen);
    if (!offset_profile.empty()) handoff::write_offset_profile(offset_profile, antenna);
    cad::write_cad_files(opt.cad, model);
    if (!opt.cassbeam.empty()) {
        handoff::write_cassbeam_input(opt.cassbeam + ".in", opt.cassbeam + ".geom", opt.cassbeam + ".geom",
                                      opt.cassbeam, study, chosen, cassbeam);
    }

    if (!opt.svg.empty()) write_text_file(opt.svg, draw::cross_section_svg(study, chosen, true));
    if (!opt.sketch.empty()) write_text_file(opt.sketch, draw::offset_sketch_svg(study, chosen));
    std::vector<radiate::Cut> cuts;
    if (cuts_wanted) cuts = make_cuts(pattern, study, chosen, radiation);
    if (!opt.pattern.empty()) write_pattern(opt, pattern, study, chosen, radiation, cuts);
    std::vector<draw::PatternCut> chart;
    if (!opt.pattern_svg.empty()) {
        chart = pattern_cuts(pattern, cuts);
        const std::string title = "Far field, row " + std::to_string(opt.at) + ": " + study.title();
        write_text_file(opt.pattern_svg, draw::pattern_svg(title, chart, true));
    }

    textio::OutputUnit out = opt.output.empty() ? textio::OutputUnit(1, "standard output", 1, false)
                                                : textio::OutputUnit::create(1, opt.output);
    study::ExtraColumns extra;
    if (opt.analyze) extra.names.assign(handoff::kAnalysisColumns.begin(), handoff::kAnalysisColumns.end());
    if (opt.radiate) extra.names.assign(std::begin(radiate::kColumns), std::end(radiate::kColumns));
    const auto format = study::make_format(opt.format, study, extra);
    bool failed = false;
    solve::Progress progress(opt.analyze ? "designs" : "rows", study.rows());
    std::vector<draw::Row> kept;
    if (opt.analyze) {
        // One row at a time, in order, as cassbeam finishes them.
        const bool keep = !opt.plot.empty() || !opt.html.empty();
        textio::TextBuffer text;
        format->begin(text);
        out.records(text.view());
        std::int64_t done = 0;
        study::CheckTally tally;
        handoff::analyze(study, cassbeam, opt.jobs, [&](const study::Design& d, const handoff::Analysis* a) {
            failed = failed || !d.ok();
            tally.add(d);
            if (keep) kept.push_back({d, a != nullptr ? std::vector<float>(a->begin(), a->end()) : std::vector<float>()});
            text.clear();
            format->row(text, d, a != nullptr ? std::span<const float>(*a) : std::span<const float>());
            out.records(text.view());
            progress.update(++done);
        });
        text.clear();
        format->end(text, tally);
        out.records(text.view());
    } else if (opt.radiate) {
        // Blocks of rows analysed on every thread, written in order.
        const bool keep = !opt.plot.empty() || !opt.html.empty();
        textio::TextBuffer text;
        format->begin(text);
        out.records(text.view());
        study::CheckTally tally;
        constexpr std::int64_t kBlock = 64;
        for (std::int64_t first = 0; first < study.rows(); first += kBlock) {
            const std::int64_t n = std::min(kBlock, study.rows() - first);
            std::vector<study::Design> designs(static_cast<std::size_t>(n));
            std::vector<std::vector<float>> values(static_cast<std::size_t>(n));
            std::vector<std::thread> pool;
            const unsigned threads = std::max(1u, std::min<unsigned>(opt.jobs, static_cast<unsigned>(n)));
            radiate::Settings st = radiation;  // threads left over work within each design
            st.jobs = static_cast<int>(std::max(1u, opt.jobs / threads));
            auto work = [&](unsigned t) {
                for (std::int64_t i = t; i < n; i += threads) {
                    const auto k = static_cast<std::size_t>(i);
                    designs[k] = study.design(first + i);
                    if (!designs[k].ok()) continue;
                    try {
                        const auto r = radiate::result_of(study.antenna(designs[k]), st).columns();
                        for (double v : r) values[k].push_back(static_cast<float>(v));
                    } catch (const std::invalid_argument&) {
                        values[k].clear();  // no analysis of this row: its columns stay empty
                    }
                }
            };
            if (threads == 1) {
                work(0);
            } else {
                for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work, t);
                for (std::thread& th : pool) th.join();
            }
            for (std::size_t k = 0; k < designs.size(); ++k) {
                failed = failed || !designs[k].ok();
                tally.add(designs[k]);
                if (keep) kept.push_back({designs[k], values[k]});
                text.clear();
                format->row(text, designs[k], values[k]);
                out.records(text.view());
            }
            progress.update(first + n);
        }
        text.clear();
        format->end(text, tally);
        out.records(text.view());
    } else {
        const auto written = study::write_rows(*format, study, out, opt.jobs,
                                               [&](std::int64_t done) { progress.update(done); });
        failed = written.failed > 0;
        // The pictures take few rows (at most kMaxPlotRows): solved again.
        if (!opt.plot.empty() || !opt.html.empty())
            for (std::int64_t i = 0; i < study.rows(); ++i) kept.push_back({study.design(i), {}});
    }
    progress.finish();
    out.close();
    if (!opt.plot.empty()) write_text_file(opt.plot, draw::plot_svg(study, kept, axis, true));
    if (!opt.html.empty())
        write_text_file(opt.html, draw::html_page(study, kept, static_cast<std::size_t>(opt.at - 1), axis, extra,
                                                  chart.empty() ? std::string() : draw::pattern_svg("Far field", chart, false)));
    return opt.strict && failed ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!textio::reserve_standard_descriptors()) return 1;
    // A closed pipe or a file-size limit is a write error with a message.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    Options opt;
    CLI::App app("Sizes Cassegrain and Gregorian dual-reflector antennas, axially symmetric or\n"
                 "offset, from the quantities held fixed, with sweeps, checks and machine-readable\n"
                 "output.",
                 kProgram);
    app.footer(footer());
    app.set_version_flag("--version", std::string(kProgram) + " " + REFLDSGN_VERSION);
    app.add_option("inputs", opt.inputs, "QUANTITY=VALUE assignments and @FILE study files")->type_name("");
    app.add_option("-f,--format", opt.format_text, "output format: table (default), csv or json")
        ->type_name("FORMAT");
    app.add_option("-o,--output", opt.output, "write to FILE instead of standard output")->type_name("FILE");
    app.add_flag("--strict", opt.strict, "exit with status 3 when any row fails a check");
    app.add_option("-j,--jobs", opt.jobs_text, "threads that solve and write the rows, and cassbeam runs of --analyze\n"
                   "at once (default: the number of cores)")
        ->type_name("N");
    app.add_option("--at", opt.at, "the row (1-based, default 1) of the surface files and pictures")->type_name("N");

    const char* pictures = "Pictures";
    app.add_option("--svg", opt.svg, "the cross-section of the row --at, drawn to scale")
        ->type_name("FILE")->group(pictures);
    app.add_option("--plot", opt.plot, "a line chart of the sweep")->type_name("FILE")->group(pictures);
    app.add_option("--sketch", opt.sketch, "an offset design (mode 3) drawn with every quantity named on what it measures")
        ->type_name("FILE")->group(pictures);
    app.add_option("--plot-y", opt.plot_y, "the value plotted (default: the solved lengths and LT; for a grid,\n"
                   "the first solved length, one line per value of the outer quantity)")
        ->type_name("Q")->group(pictures);
    app.add_option("--html", opt.html, "one self-contained page: inputs, picture, plot and the table of all rows")
        ->type_name("FILE")->group(pictures);

    const char* files = "Surface files of the row --at";
    struct FileOption {
        const char* name;
        std::string* file;
        const char* help;
    };
    for (const FileOption& f : {FileOption{"--rsf-main", &opt.exports.rsf_main, "TICRA .rsf file of the main reflector"},
                                FileOption{"--rsf-sub", &opt.exports.rsf_sub, "TICRA .rsf file of the subreflector"},
                                FileOption{"--champ-main", &opt.exports.champ_main,
                                           "CHAMP spline object file of the main reflector"},
                                FileOption{"--champ-sub", &opt.exports.champ_sub,
                                           "CHAMP spline object file of the subreflector"}}) {
        app.add_option(f.name, *f.file, f.help)->type_name("FILE")->group(files);
    }
    app.add_option("--main-range", opt.exports.main_range, "main reflector diameters sampled (default 0:DM:DM/20)")
        ->type_name("START:STOP:STEP")->group(files);
    app.add_option("--sub-range", opt.exports.sub_range, "subreflector diameters sampled (default 0:DS:DS/20)")
        ->type_name("START:STOP:STEP")->group(files);
    app.add_option("--zoffset", opt.exports.zoffset, "z offset of the .rsf files (default 0)")
        ->type_name("Z")->group(files);
    app.add_flag("--reverse", opt.exports.reverse, "reverse the .rsf files (direction -1)")->group(files);
    CLI::Option* label = app.add_option("--label", opt.exports.label, "label of the .rsf files (default: type, mode and case)")
        ->type_name("TEXT")->group(files);
    app.add_option("--profile", opt.exports.profile, "CSV of both profiles: reflector,rho,z,dz_drho (mode 3: the\n"
                   "curves in the plane of symmetry, reflector,x,z, vertex at the origin)")
        ->type_name("FILE")->group(files);

    const char* grasp = "Files of an offset design (mode 3) for GRASP";
    app.add_option("--sfc-main", opt.sfc_main, "regular-grid surface file of the main reflector (main frame)")
        ->type_name("FILE")->group(grasp);
    app.add_option("--sfc-sub", opt.sfc_sub, "regular-grid surface file of the subreflector (z normal to its rim)")
        ->type_name("FILE")->group(grasp);
    app.add_option("--grid", opt.grid, "grid points along x and y (default 101), or NX,NY")->type_name("N")->group(grasp);
    app.add_option("--tor", opt.tor, "the design as GRASP objects (needs unit=; the feed taper is taper=, default 10 dB)")
        ->type_name("FILE")->group(grasp);

    const char* cad = "CAD files of the row --at (frame of --profile: z along the axis, main vertex at the origin)";
    app.add_option("--dxf", opt.cad.dxf, "both profiles in DXF R2000: layers MAIN and SUB, an exact rational SPLINE\n"
                   "and an LWPOLYLINE through the --profile samples each; $INSUNITS from unit=")
        ->type_name("FILE")->group(cad);
    app.add_flag("--dxf-r12", opt.cad.dxf_r12, "write the DXF as R12: a POLYLINE through the samples each")->group(cad);
    app.add_option("--stl", opt.cad.stl, "both reflectors as triangles in binary STL")->type_name("FILE")->group(cad);
    app.add_option("--tolerance", opt.cad.tolerance, "the largest distance of an STL triangle from the surface\n"
                   "(default DM*1e-5)")
        ->type_name("T")->group(cad);
    app.add_option("--step", opt.cad.step, "both reflectors as exact faces in STEP AP214 (needs unit=mm, cm, m, in or ft)")
        ->type_name("FILE")->group(cad);
    app.add_option("--thickness", opt.cad.thickness, "make --step solids: each reflector T thick behind its face")
        ->type_name("T")->group(cad);

    const char* analysis = "Analysis with cassbeam (modes 1, 2; needs freq=GHZ, unit=; taper=DB, taper_angle=DEG)";
    app.add_option("--cassbeam", opt.cassbeam, "write PREFIX.in and PREFIX.geom for cassbeam of the row --at")
        ->type_name("PREFIX")->group(analysis);
    const char* radiation =
        "Radiation by geometrical or physical optics (needs freq= and unit=; taper=, taper_angle=, feed=, pol=, method=)";
    app.add_flag("--radiate", opt.radiate,
                 "add gain_dBi, directivity_dBi, eff_total, eff_spill, eff_block, eff_taper, eff_phase,\n"
                 "eff_pol, xpol_dB, sll_dB and hpbw_deg to every row that passes its checks")
        ->group(radiation);
    app.add_option("--pattern", opt.pattern, "the far-field cuts of the --at row: .csv, or .cut (TICRA)")
        ->type_name("FILE")
        ->group(radiation);
    app.add_option("--pattern-svg", opt.pattern_svg, "the cuts drawn: co-polar solid, cross-polar dashed (and in --html)")
        ->type_name("FILE")
        ->group(radiation);
    app.add_option("--cuts", opt.cuts, "azimuths of the cuts, degrees from the plane of symmetry (default 0,45,90)")
        ->type_name("A,B,C")
        ->group(radiation);
    app.add_option("--theta-max", opt.theta_max, "the cuts' extent, degrees (default five half-power widths)")
        ->type_name("DEG")
        ->group(radiation);
    app.add_option("--points", opt.points, "points of each cut (default 1001)")->type_name("N")->group(radiation);
    app.add_option("--po-sampling", opt.po_sampling,
                   "method=po: points per wavelength on each surface (default: a gain converged to 0.02 dB)")
        ->type_name("N")
        ->group(radiation);
    app.add_flag("--analyze", opt.analyze,
                 "run cassbeam on every row that passes its checks and add gain_dBi, totaleff, spilleff,\n"
                 "prispilleff, subspilleff, blockeff, illumeff, phaseeff and Tsys")
        ->group(analysis);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::cout << app.version() << '\n';
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 2;
    }

    opt.exports.label_given = label->count() > 0;

    try {
        return run(opt);
    } catch (const study::InputError& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 2;
    } catch (const cad::CadError& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 1;
    } catch (const handoff::AnalysisError& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 1;
    } catch (const textio::IoError& e) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", kProgram, e.file().c_str(),
                     e.os_error() != 0 ? std::strerror(e.os_error()) : "invalid file name");
        return 1;
    }
}
