// refldsgn._core: the engine for the Python package.  A study is made from
// the keywords as the command line makes it from QUANTITY=VALUE, its rows
// are solved into numpy columns with the interpreter lock released, and
// files and pictures come from the same writers as the command line's.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "cad/files.hpp"
#include "cad/model.hpp"
#include "draw/pictures.hpp"
#include "geometry/ranges.hpp"
#include "handoff/cassbeam.hpp"
#include "handoff/exports.hpp"
#include "handoff/offset_files.hpp"
#include "radiate/radiate.hpp"
#include "study/columns.hpp"
#include "study/formats.hpp"
#include "study/row_stream.hpp"
#include "textio/error.hpp"
#include "textio/output.hpp"

namespace py = pybind11;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;
using RowArray = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>;

unsigned cores() { return std::max(1u, std::thread::hardware_concurrency()); }

// The rows named by an index array, or all rows for None.
std::vector<std::int64_t> rows_of(const study::Study& s, const py::object& rows) {
    std::vector<std::int64_t> out;
    if (rows.is_none()) {
        out.resize(static_cast<std::size_t>(s.rows()));
        for (std::int64_t i = 0; i < s.rows(); ++i) out[static_cast<std::size_t>(i)] = i;
        return out;
    }
    const RowArray a = rows.cast<RowArray>();
    out.assign(a.data(), a.data() + a.size());
    for (std::int64_t i : out)
        if (i < 0 || i >= s.rows()) throw py::index_error("row " + std::to_string(i) + " out of range");
    return out;
}

class PyStudy {
public:
    // items: (name, value) in keyword order; a value is a str, a float, or
    // (column, given, shape): the broadcast values of every row, the array
    // as given (flat, C order) and its shape.
    explicit PyStudy(const py::list& items) {
        study::Inputs in;
        for (const py::handle item : items) {
            const auto pair = item.cast<py::tuple>();
            const auto name = pair[0].cast<std::string>();
            const py::object value = pair[1];
            if (py::isinstance<py::str>(value)) {
                in.items.push_back(study::assignment_of(name, value.cast<std::string>()));
            } else if (py::isinstance<py::tuple>(value)) {
                const auto t = value.cast<py::tuple>();
                study::Assignment a = study::assignment_of(name, 0.0f);
                const FloatArray column = t[0].cast<FloatArray>(), given = t[1].cast<FloatArray>();
                a.column.assign(column.data(), column.data() + column.size());
                a.given.assign(given.data(), given.data() + given.size());
                a.shape = t[2].cast<std::vector<std::int64_t>>();
                a.text = "array";
                in.items.push_back(std::move(a));
            } else {
                in.items.push_back(study::assignment_of(name, value.cast<float>()));
            }
        }
        study_ = std::make_unique<study::Study>(std::move(in));
    }

    const study::Study& s() const { return *study_; }

    // Every row into arrays of the engine's own: (columns x rows) values and
    // the checks.  They are allocated, filled and their pages first touched
    // with Python's lock released, by plain allocation (numpy's allocator
    // asks the kernel for huge pages, whose compaction can stall every
    // thread of the process), so threads that solve studies at once run
    // side by side.
    py::tuple solve_arrays(unsigned jobs) const {
        const std::int64_t n = s().rows();
        const std::size_t ncols = s().shown().size();
        const std::size_t count = ncols * static_cast<std::size_t>(n);
        std::unique_ptr<float[]> values;
        std::unique_ptr<std::uint32_t[]> checks;
        {
            py::gil_scoped_release release;
            values.reset(new float[std::max<std::size_t>(count, 1)]);
            checks.reset(new std::uint32_t[static_cast<std::size_t>(std::max<std::int64_t>(n, 1))]);
            study::ColumnTargets to;
            for (std::size_t k = 0; k < ncols; ++k) to.values[k] = values.get() + k * static_cast<std::size_t>(n);
            to.checks = checks.get();
            study::solve_columns(s(), 0, n, to, jobs == 0 ? cores() : jobs);
        }
        float* v = values.release();
        const py::capsule own_values(v, [](void* p) { delete[] static_cast<float*>(p); });
        std::uint32_t* c = checks.release();
        const py::capsule own_checks(c, [](void* p) { delete[] static_cast<std::uint32_t*>(p); });
        return py::make_tuple(
            py::array_t<float>({static_cast<py::ssize_t>(ncols), static_cast<py::ssize_t>(n)}, v, own_values),
            py::array_t<std::uint32_t>({static_cast<py::ssize_t>(n)}, c, own_checks));
    }

    void write(const std::string& path, const std::string& format, const py::object& rows, unsigned jobs) const {
        const study::Format f = format == "csv" ? study::Format::csv : format == "json" ? study::Format::json
                                                                                         : study::Format::table;
        if (rows.is_none()) {
            py::gil_scoped_release release;
            textio::OutputUnit out = textio::OutputUnit::create(1, path);
            study::write_rows(*study::make_format(f, s()), s(), out, jobs == 0 ? cores() : jobs);
            out.close();
            return;
        }
        const std::vector<std::int64_t> list = rows_of(s(), rows);
        py::gil_scoped_release release;
        const auto fmt = study::make_format(f, s(), {}, list.empty() ? -1 : list.back());
        textio::OutputUnit out = textio::OutputUnit::create(1, path);
        textio::TextBuffer text;
        study::CheckTally tally;
        fmt->begin(text);
        for (std::int64_t i : list) {
            const study::Design d = s().design(i);
            tally.add(d);
            fmt->row(text, d, {});
            if (text.size() > (1u << 20)) {
                out.records(text.view());
                text.clear();
            }
        }
        fmt->end(text, tally);
        out.records(text.view());
        out.close();
    }

    study::Design design(std::int64_t row) const {
        if (row < 0 || row >= s().rows()) throw py::index_error("row out of range");
        return s().design(row);
    }

    std::string svg(std::int64_t row) const { return draw::cross_section_svg(s(), design(row), true); }

    // One surface file of a row: which is rsf_main, rsf_sub, champ_main or
    // champ_sub; a range is START:STOP:STEP text, empty for the default.
    void write_surface(std::int64_t row, const std::string& which, const std::string& path, const std::string& range,
                       const std::string& zoffset, bool reverse, const py::object& label) const {
        const study::Design d = solved(row);
        handoff::ExportOptions o;
        const bool main = which.ends_with("main");
        (which == "rsf_main" ? o.rsf_main : which == "rsf_sub" ? o.rsf_sub : main ? o.champ_main : o.champ_sub) = path;
        (main ? o.main_range : o.sub_range) = range;
        o.zoffset = zoffset;
        o.reverse = reverse;
        o.label_given = !label.is_none();
        if (o.label_given) o.label = label.cast<std::string>();
        const handoff::ExportPlan plan = handoff::plan_exports(o, s(), d);
        py::gil_scoped_release release;
        handoff::write_exports(o, plan, s().antenna(d));
    }

    // The CAD files of a row: each path empty when not written; a number
    // as the command line's text, empty for its default.
    void write_cad(std::int64_t row, const std::string& dxf, bool r12, const std::string& stl, const std::string& tolerance,
                   const std::string& step, const std::string& thickness, const std::string& main_range,
                   const std::string& sub_range) const {
        const study::Design d = solved(row);
        cad::CadOptions o;
        o.dxf = dxf;
        o.dxf_r12 = r12;
        o.stl = stl;
        o.tolerance = tolerance;
        o.step = step;
        o.thickness = thickness;
        const cad::Model model = cad::make_model(o, main_range, sub_range, s(), d);
        py::gil_scoped_release release;
        cad::write_cad_files(o, model);
    }

    py::tuple profile(std::int64_t row, const std::string& main_range, const std::string& sub_range) const {
        const study::Design d = solved(row);
        handoff::ExportOptions o;
        o.main_range = main_range;
        o.sub_range = sub_range;
        const auto samples = handoff::profile_samples(handoff::plan_exports(o, s(), d), s().antenna(d));
        py::list out;
        for (const handoff::ProfileSamples& p : samples)
            out.append(py::make_tuple(py::array_t<float>(p.rho.size(), p.rho.data()),
                                      py::array_t<float>(p.z.size(), p.z.data()),
                                      py::array_t<float>(p.slope.size(), p.slope.data())));
        return py::tuple(out);
    }

    // The GRASP files of an offset design: a reflector's .sfc on a grid
    // (the command line's N or NX,NY, empty for its default) and the .tor.
    void write_sfc(std::int64_t row, bool sub, const std::string& path, const std::string& grid) const {
        const study::Design d = solved(row);
        handoff::check_offset_files(s(), false, sub);
        const handoff::Grid g = grid.empty() ? handoff::Grid{} : handoff::parse_grid(grid);
        py::gil_scoped_release release;
        handoff::write_sfc(path, s(), d, sub, g);
    }

    void write_tor(std::int64_t row, const std::string& path) const {
        const study::Design d = solved(row);
        handoff::check_offset_files(s(), true);
        py::gil_scoped_release release;
        handoff::write_tor(path, s(), d);
    }

    // The --profile file: both profiles of a surface of revolution, or the
    // curves of an offset design in its plane of symmetry.
    void write_profile(std::int64_t row, const std::string& path, const std::string& main_range,
                       const std::string& sub_range) const {
        const study::Design d = solved(row);
        const geometry::Antenna a = s().antenna(d);
        if (!a.main.revolved) {
            no_ranges(main_range, sub_range);
            py::gil_scoped_release release;
            handoff::write_offset_profile(path, a);
            return;
        }
        handoff::ExportOptions o;
        o.profile = path;
        o.main_range = main_range;
        o.sub_range = sub_range;
        const handoff::ExportPlan plan = handoff::plan_exports(o, s(), d);
        py::gil_scoped_release release;
        handoff::write_exports(o, plan, a);
    }

    // An offset design's curves in the plane of symmetry: ((x, z), (x, z)).
    py::tuple offset_profile(std::int64_t row, const std::string& main_range, const std::string& sub_range) const {
        no_ranges(main_range, sub_range);
        const auto curves = handoff::offset_profile_samples(s().antenna(solved(row)));
        py::list out;
        for (const auto& c : curves) {
            py::array_t<float> x(static_cast<py::ssize_t>(c.size())), z(static_cast<py::ssize_t>(c.size()));
            for (std::size_t i = 0; i < c.size(); ++i) {
                x.mutable_data()[i] = c[i].x;
                z.mutable_data()[i] = c[i].z;
            }
            out.append(py::make_tuple(x, z));
        }
        return py::tuple(out);
    }

    std::string sketch(std::int64_t row) const {
        s().require(study::Capability::sketch, "sketch names the quantities of an offset design (mode 3); use svg()");
        return draw::offset_sketch_svg(s(), design(row));
    }

    // The --html page of the rows listed, `at` the one drawn (an index in
    // the list).
    void write_html(const std::string& path, const py::object& rows, std::int64_t at) const {
        const std::vector<std::int64_t> list = rows_of(s(), rows);
        if (static_cast<std::int64_t>(list.size()) > draw::kMaxHtmlRows)
            throw study::InputError("write_html takes at most " + std::to_string(draw::kMaxHtmlRows) + " rows, not " +
                                    std::to_string(list.size()));
        if (at < 0 || at >= static_cast<std::int64_t>(list.size()))
            throw py::index_error("at " + std::to_string(at) + " of " + std::to_string(list.size()) + " rows");
        py::gil_scoped_release release;
        std::vector<draw::Row> kept;
        kept.reserve(list.size());
        for (std::int64_t i : list) kept.push_back({s().design(i), {}});
        draw::PlotAxis axis;
        axis.y = draw::first_solved_length(s());
        textio::write_text_file(path, draw::html_page(s(), kept, static_cast<std::size_t>(at), axis, {}));
    }

    void write_cassbeam(std::int64_t row, const std::string& prefix) const {
        const study::Design d = solved(row);
        const handoff::CassbeamSettings settings = handoff::cassbeam_settings(s(), "write_cassbeam");
        py::gil_scoped_release release;
        handoff::write_cassbeam_input(prefix + ".in", prefix + ".geom", prefix + ".geom", prefix, s(), d, settings);
    }

    std::string plot(const py::object& rows, const std::string& x, const std::string& y) const {
        draw::PlotAxis axis;
        axis.y = draw::first_solved_length(s());
        for (const study::KeyInfo& k : study::kKeys)
            if (k.name == x) axis.x = k.key;
        if (!y.empty()) {
            if (!s().column(y, axis.y)) throw study::InputError("plot: " + y + " is not a value of the rows");
            axis.y_given = true;
        }
        std::vector<draw::Row> list;
        for (std::int64_t i : rows_of(s(), rows)) list.push_back({s().design(i), {}});
        return draw::plot_svg(s(), list, axis, true);
    }

    // The analysis columns (9, rows), NaN for the rows not analysed.
    py::array_t<float> analyze(const py::object& rows, float freq, float taper, float taper_angle, unsigned jobs,
                               const py::object& progress) const {
        handoff::CassbeamSettings settings;
        handoff::cassbeam_design(s(), "analyze", settings);
        settings.freq = freq;
        settings.taper = taper;
        settings.taper_angle = std::isnan(taper_angle) ? 0 : taper_angle;
        if (!(freq > 0)) throw study::InputError("freq must be positive");
        if (!(taper > 0)) throw study::InputError("taper must be positive (dB below the peak)");
        if (!std::isnan(taper_angle) && !(taper_angle > 0 && taper_angle < 90))
            throw study::InputError("taper_angle must lie between 0 and 90 degrees");
        if (!handoff::cassbeam_on_path())
            throw study::InputError("analyze runs cassbeam, which is not on PATH; install it (Debian: apt-get install cassbeam)");
        const std::vector<std::int64_t> list = rows_of(s(), rows);
        const auto n = static_cast<py::ssize_t>(list.size());
        py::array_t<float> out({py::ssize_t{9}, n});
        float* to = out.mutable_data();
        std::fill(to, to + 9 * n, kNaN);
        if (n == 0) return out;
        py::ssize_t done = 0;
        {
            py::gil_scoped_release release;
            handoff::analyze(
                s(), settings, jobs == 0 ? cores() : jobs,
                [&](const study::Design&, const handoff::Analysis* a) {
                    if (a != nullptr)
                        for (py::ssize_t k = 0; k < 9; ++k) to[k * n + done] = (*a)[static_cast<std::size_t>(k)];
                    ++done;
                    if (!progress.is_none()) {
                        py::gil_scoped_acquire acquire;
                        progress(done, n);
                    }
                },
                std::span<const std::int64_t>(list));
        }
        return out;
    }

    // The radiation engine's settings from Python's arguments.
    static radiate::Settings radiation(double freq, const std::string& unit, double taper, double taper_angle,
                                       const std::string& feed, const std::string& pol, const std::string& method,
                                       double po_sampling) {
        const auto u = std::find_if(study::kUnits.begin(), study::kUnits.end(),
                                    [&](const study::LengthUnit& x) { return x.name == unit; });
        if (u == study::kUnits.end()) throw study::InputError("unit must be " + study::unit_names() + ", not '" + unit + "'");
        auto word = [](study::Key k, const std::string& text) {
            const auto words = geometry::setting_words(k);
            const auto w = std::find(words.begin(), words.end(), text);
            if (w == words.end())
                throw study::InputError(std::string(study::info(k).name) + " must be " + geometry::setting_text(k) + ", not '" +
                                        text + "'");
            return static_cast<int>(w - words.begin());
        };
        const int m = word(study::Key::method, method);
        if (!std::isnan(po_sampling) && m != 1)
            throw study::InputError("po_sampling samples the currents of physical optics: give method=\"po\"");
        radiate::Settings st = radiate::settings_of(freq, u->metres, taper, taper_angle, word(study::Key::feed, feed),
                                                    word(study::Key::pol, pol), m, po_sampling);
        st.jobs = static_cast<int>(cores());
        return st;
    }

    // The --radiate columns of rows: 11 x n, NaN for rows not analysed.
    py::array_t<float> radiate_rows(const py::object& rows, double freq, const std::string& unit, double taper,
                                    double taper_angle, const std::string& feed, const std::string& pol,
                                    const std::string& method, double po_sampling, unsigned jobs,
                                    const py::object& progress) const {
        radiate::Settings st = radiation(freq, unit, taper, taper_angle, feed, pol, method, po_sampling);
        const std::vector<std::int64_t> list = rows_of(s(), rows);
        const auto n = static_cast<py::ssize_t>(list.size());
        if (st.method == radiate::Method::po) preflight(list, st);
        constexpr py::ssize_t kCols = radiate::kColumnCount;
        py::array_t<float> out({kCols, n});
        float* to = out.mutable_data();
        std::fill(to, to + kCols * n, kNaN);
        std::atomic<py::ssize_t> done{0};
        std::mutex failure_mutex;
        std::exception_ptr failure;
        {
            py::gil_scoped_release release;
            const unsigned all = jobs == 0 ? cores() : jobs;
            const unsigned threads = std::max(1u, std::min<unsigned>(all, static_cast<unsigned>(std::max<py::ssize_t>(n, 1))));
            st.jobs = static_cast<int>(std::max(1u, all / threads));  // threads left over work within each design
            std::vector<std::thread> pool;
            for (unsigned t = 0; t < threads; ++t) {
                pool.emplace_back([&, t] {
                    for (py::ssize_t i = t; i < n; i += threads) {
                        const study::Design d = s().design(list[static_cast<std::size_t>(i)]);
                        if (d.ok()) {
                            try {
                                const auto r = radiate::result_of(s().antenna(d), st).columns();
                                for (py::ssize_t k = 0; k < kCols; ++k) to[k * n + i] = static_cast<float>(r[static_cast<std::size_t>(k)]);
                            } catch (const std::invalid_argument&) {
                            } catch (...) {  // no other failure may end the process: it is raised after the join
                                const std::lock_guard<std::mutex> lock(failure_mutex);
                                if (!failure) failure = std::current_exception();
                            }
                        }
                        ++done;
                    }
                });
            }
            if (!progress.is_none()) {
                try {
                    for (;;) {
                        const py::ssize_t now = done.load();
                        {
                            py::gil_scoped_acquire acquire;
                            progress(now, n);
                        }
                        if (now >= n) break;
                        std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    }
                } catch (...) {  // the callback's own error, raised once the rows are done
                    const std::lock_guard<std::mutex> lock(failure_mutex);
                    if (!failure) failure = std::current_exception();
                }
            }
            for (std::thread& th : pool) th.join();
        }
        if (failure) std::rethrow_exception(failure);
        return out;
    }

    // Physical optics takes memory of each design's own size: every row is
    // sized before any is analysed.
    void preflight(const std::vector<std::int64_t>& list, const radiate::Settings& st) const {
        py::gil_scoped_release release;
        for (std::int64_t row : list) {
            const study::Design d = s().design(row);
            if (d.ok()) radiate::preflight(s().antenna(d), st, NAN);
        }
    }
    void radiate_preflight(const py::object& rows, double freq, const std::string& unit, double taper,
                           double taper_angle, const std::string& feed, const std::string& pol,
                           const std::string& method, double po_sampling) const {
        preflight(rows_of(s(), rows), radiation(freq, unit, taper, taper_angle, feed, pol, method, po_sampling));
    }

    // The --pattern-svg picture of a row.
    std::string pattern_svg(std::int64_t row, double freq, const std::string& unit, double taper, double taper_angle,
                            const std::string& feed, const std::string& pol, const std::string& method, double po_sampling, const std::vector<double>& cuts,
                            double theta_max, int points) const {
        const radiate::Settings st = radiation(freq, unit, taper, taper_angle, feed, pol, method, po_sampling);
        if (points < 3 || points > 1000000) throw study::InputError("points must be a whole number from 3 to 1000000");
        const study::Design d = solved(row);
        if (!d.ok()) throw study::InputError("pattern_svg: row " + std::to_string(row + 1) + " fails its checks");
        py::gil_scoped_release release;
        const auto all = radiate::cuts_of(s().antenna(d), st, cuts, theta_max, points);
        std::vector<draw::PatternCut> chart;
        for (std::size_t k = 0; k < all.size(); ++k) {
            radiate::Levels l = radiate::levels_of(all[k]);
            chart.push_back({cuts[k], std::move(l.theta_deg), std::move(l.co_dbi), std::move(l.cross_dbi)});
        }
        return draw::pattern_svg("Far field, row " + std::to_string(row + 1) + ": " + s().title(), chart, true);
    }

    // The --pattern file of a row.
    void write_pattern(std::int64_t row, const std::string& path, double freq, const std::string& unit, double taper,
                       double taper_angle, const std::string& feed, const std::string& pol, const std::string& method, double po_sampling,
                       const std::vector<double>& cuts, double theta_max, int points) const {
        const radiate::Settings st = radiation(freq, unit, taper, taper_angle, feed, pol, method, po_sampling);
        if (points < 3 || points > 1000000) throw study::InputError("points must be a whole number from 3 to 1000000");
        const study::Design d = solved(row);
        if (!d.ok()) throw study::InputError("pattern: row " + std::to_string(row + 1) + " fails its checks");
        const bool cut = path.size() >= 4 && path.compare(path.size() - 4, 4, ".cut") == 0;
        const std::string heading = "refldsgn-solve: " + s().title() + ", row " + std::to_string(row + 1);
        py::gil_scoped_release release;
        textio::write_text_file(path, radiate::pattern_file(s().antenna(d), st, cuts, theta_max, points, cut, heading));
    }

    // The cuts of a row: (phi_deg, theta_deg, co_dBi, cross_dBi, co_phase_deg, cross_phase_deg).
    py::tuple pattern(std::int64_t row, double freq, const std::string& unit, double taper, double taper_angle,
                      const std::string& feed, const std::string& pol, const std::string& method, double po_sampling, const std::vector<double>& cuts,
                      double theta_max, int points) const {
        const radiate::Settings st = radiation(freq, unit, taper, taper_angle, feed, pol, method, po_sampling);
        if (points < 3 || points > 1000000) throw study::InputError("points must be a whole number from 3 to 1000000");
        if (!std::isnan(theta_max) && !(theta_max > 0 && theta_max <= 180))
            throw study::InputError("theta_max must be an angle in degrees, above 0 and at most 180");
        const study::Design d = solved(row);
        if (!d.ok()) throw study::InputError("pattern: row " + std::to_string(row + 1) + " fails its checks");
        std::vector<double> cols[6];
        {
            py::gil_scoped_release release;
            // The command line's cuts, column by column.
            const auto all = radiate::cuts_of(s().antenna(d), st, cuts, theta_max, points);
            for (std::size_t k = 0; k < all.size(); ++k) {
                const radiate::Levels l = radiate::levels_of(all[k]);
                cols[0].insert(cols[0].end(), l.theta_deg.size(), cuts[k]);
                for (const auto& [to, from] : {std::pair{&cols[1], &l.theta_deg}, std::pair{&cols[2], &l.co_dbi},
                                               std::pair{&cols[3], &l.cross_dbi}, std::pair{&cols[4], &l.co_phase_deg},
                                               std::pair{&cols[5], &l.cross_phase_deg}})
                    to->insert(to->end(), from->begin(), from->end());
            }
        }
        py::list out;
        for (const auto& c : cols) out.append(py::array_t<double>(static_cast<py::ssize_t>(c.size()), c.data()));
        return py::tuple(out);
    }

private:
    static void no_ranges(const std::string& main_range, const std::string& sub_range) {
        if (!main_range.empty() || !sub_range.empty())
            throw study::InputError("main_range and sub_range sample the diameters of surfaces of revolution; an "
                                    "offset design's profile has 21 points a curve");
    }

    study::Design solved(std::int64_t row) const {
        study::Design d = design(row);
        if (d.failed(study::Check::no_solution))
            throw study::InputError("row " + std::to_string(row) + " has no solution: no surface to write");
        return d;
    }

    std::unique_ptr<study::Study> study_;
};

std::string without_origin(std::string message) {
    for (const std::string cut : {" (the command line)", "(the command line)"}) {
        for (std::size_t at; (at = message.find(cut)) != std::string::npos;) message.erase(at, cut.size());
    }
    return message;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "The refldsgn engine; use the refldsgn package.";
    static py::exception<study::InputError> input_error(m, "InputError", PyExc_ValueError);
    static py::exception<handoff::AnalysisError> analysis_error(m, "AnalysisError", PyExc_RuntimeError);
    static py::exception<cad::CadError> cad_error(m, "CadError", PyExc_RuntimeError);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const study::InputError& e) {
            PyErr_SetString(input_error.ptr(), without_origin(e.what()).c_str());
        } catch (const handoff::AnalysisError& e) {
            PyErr_SetString(analysis_error.ptr(), e.what());
        } catch (const cad::CadError& e) {
            PyErr_SetString(cad_error.ptr(), e.what());
        } catch (const textio::IoError& e) {
            const int err = e.os_error() != 0 ? e.os_error() : EINVAL;
            const py::object error = py::module_::import("builtins").attr("OSError")(
                err, e.os_error() != 0 ? std::strerror(err) : "invalid file name", e.file());
            PyErr_SetObject(PyExc_OSError, error.ptr());
        }
    });

    py::class_<PyStudy>(m, "Study")
        .def(py::init<const py::list&>())
        .def_property_readonly("rows", [](const PyStudy& p) { return p.s().rows(); })
        .def_property_readonly("mode", [](const PyStudy& p) { return p.s().mode_number(); })
        .def_property_readonly("case", [](const PyStudy& p) { return p.s().case_number(); })
        .def_property_readonly("title", [](const PyStudy& p) { return p.s().title(); })
        .def_property_readonly("cassegrain", [](const PyStudy& p) { return p.s().type_name() == "cassegrain"; })
        .def_property_readonly("type_name", [](const PyStudy& p) { return std::string(p.s().type_name()); })
        .def_property_readonly("family", [](const PyStudy& p) { return std::string(p.s().family().name); })
        .def_property_readonly("columns",
                               [](const PyStudy& p) {
                                   py::list names;
                                   for (const study::ColumnInfo& c : p.s().shown().columns) names.append(std::string(c.name));
                                   return names;
                               })
        .def_property_readonly("before_check", [](const PyStudy& p) { return p.s().shown().before_check; })
        .def("solve_arrays", &PyStudy::solve_arrays)
        .def("write", &PyStudy::write)
        .def("svg", &PyStudy::svg)
        .def("write_surface", &PyStudy::write_surface)
        .def("write_cad", &PyStudy::write_cad)
        .def("profile", &PyStudy::profile)
        .def("write_cassbeam", &PyStudy::write_cassbeam)
        .def("write_sfc", &PyStudy::write_sfc)
        .def("write_tor", &PyStudy::write_tor)
        .def("write_profile", &PyStudy::write_profile)
        .def("offset_profile", &PyStudy::offset_profile)
        .def("radiate", &PyStudy::radiate_rows)
        .def("radiate_preflight", &PyStudy::radiate_preflight)
        .def("pattern", &PyStudy::pattern)
        .def("write_pattern", &PyStudy::write_pattern)
        .def("pattern_svg", &PyStudy::pattern_svg)
        .def("revolved", [](const PyStudy& p, std::int64_t row) { return p.s().antenna(p.design(row)).main.revolved; })
        .def("has_sub", [](const PyStudy& p, std::int64_t row) { return p.s().antenna(p.design(row)).sub.has_value(); })
        .def("sketch", &PyStudy::sketch)
        .def("write_html", &PyStudy::write_html)
        .def("plot", &PyStudy::plot)
        .def("analyze", &PyStudy::analyze);

    m.def("steps", [](double start_typed, double stop_typed, double step_typed) {
        const double rows = study::sweep_rows(start_typed, stop_typed, step_typed);
        const auto start = static_cast<float>(start_typed), stop = static_cast<float>(stop_typed),
                   step = static_cast<float>(step_typed);
        std::string range;
        for (float v : {start, stop, step}) {
            if (!range.empty()) range += ':';
            study::append_shortest(range, v);
        }
        if (!(rows >= 1)) throw study::InputError("the range " + range + " gives no values");
        if (rows > study::kMaxSweepRows) {
            char count_text[64];
            std::snprintf(count_text, sizeof count_text, "%.0f", rows);
            throw study::InputError("the range " + range + " gives " + count_text + " values, more than " +
                                    std::to_string(study::kMaxSweepRows));
        }
        const auto count = static_cast<std::int32_t>(rows);
        py::array_t<float> out(count);
        float* to = out.mutable_data();
        for (std::int32_t i = 0; i < count; ++i) to[i] = geometry::swept_value(start, step, i + 1);
        return out;
    });
    m.def("suggested_key", [](const std::string& name) { return study::suggested_key(name); });
    m.def("shortest", [](float v) {
        std::string s;
        study::append_shortest(s, v);
        return s;
    });
    m.def("check_text", [](std::uint32_t mask) { return study::check_text(mask); });
    py::list keys, values, checks, analysis;
    for (const study::KeyInfo& k : study::kKeys)
        keys.append(py::make_tuple(std::string(k.name), geometry::help_of(k),
                                   k.kind == study::KeyKind::design ? "design" : k.kind == study::KeyKind::analysis
                                                                                     ? "analysis"
                                                                                     : "text"));
    for (const study::ColumnInfo& c : geometry::families().front()->columns.columns) values.append(std::string(c.name));
    for (std::size_t i = 0; i < study::kChecks; ++i) checks.append(std::string(study::code_of(static_cast<study::Check>(i))));
    for (const char* name : handoff::kAnalysisColumns) analysis.append(name);
    m.attr("KEYS") = keys;
    m.attr("VALUES") = values;
    py::list all_values;
    std::vector<std::string_view> seen;  // every family's columns, each name once, in the registry's order
    for (const geometry::Family* f : geometry::families())
        for (const study::ColumnInfo& c : f->columns.columns)
            if (std::find(seen.begin(), seen.end(), c.name) == seen.end()) seen.push_back(c.name);
    for (std::string_view n : seen) all_values.append(std::string(n));
    m.attr("ALL_VALUES") = all_values;
    m.attr("CHECKS") = checks;
    py::list radiation;
    for (const char* name : radiate::kColumns) radiation.append(name);
    m.attr("RADIATION") = radiation;
    m.attr("TYPE_NAMES") = geometry::type_names(true);
    m.attr("UNIT_NAMES") = study::unit_names();
    py::dict words;  // the words of each named setting, for messages
    for (const study::KeyInfo& k : study::kKeys)
        if (k.kind == study::KeyKind::setting) words[py::str(std::string(k.name))] = geometry::setting_text(k.key);
    m.attr("SETTING_WORDS") = words;
    m.attr("ANALYSIS") = analysis;
    m.attr("MAX_STEPS") = study::kMaxSweepRows;
    m.attr("VERSION") = REFLDSGN_VERSION;
}
