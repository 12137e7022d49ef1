#include "handoff/cassbeam.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "study/formats.hpp"
#include "textio/error.hpp"
#include "textio/output.hpp"

extern char** environ;

namespace handoff {
namespace {

using study::InputError;

std::string num(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

// A design value (or one converted to metres) as its shortest text.
std::string num(float v) {
    std::string s;
    study::append_shortest(s, v);
    return s;
}
std::string metres(double v, double m) { return num(static_cast<float>(v * m)); }

// One cassbeam run in a folder of its own, removed afterwards.
class RunFolder {
public:
    RunFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/refldsgn-cassbeam.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw AnalysisError("cannot make a folder for cassbeam under " + pattern.substr(0, pattern.rfind('/')) +
                                ": " + std::strerror(errno));
        }
        path_ = pattern;
    }
    ~RunFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

[[maybe_unused]] std::string last_line(const std::string& path) {
    std::ifstream in(path);
    std::string line, last;
    while (std::getline(in, line))
        if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
    return last;
}

// Runs cassbeam on one design; throws AnalysisError when it fails.
Analysis run_one(const study::Study& study, const study::Design& d, const CassbeamSettings& settings) {
    RunFolder folder;
    const std::string base = folder.path() + "/design";
    try {
        write_cassbeam_input(base + ".in", base + ".geom", base + ".geom", base, study, d, settings);
    } catch (const textio::IoError& e) {
        throw AnalysisError("cannot write the cassbeam input " + e.file() + ": " + std::strerror(e.os_error()));
    }
    const std::string log = base + ".log", in = base + ".in";
#if defined(__EMSCRIPTEN__)
    // The page's module starts no programs.
    throw AnalysisError("cannot run cassbeam for row " + std::to_string(d.index + 1) + ": no program runs here");
#else
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    char* argv[] = {const_cast<char*>("cassbeam"), const_cast<char*>(in.c_str()), nullptr};
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, "cassbeam", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    const std::string row = "row " + std::to_string(d.index + 1);
    if (err != 0) throw AnalysisError("cannot run cassbeam for " + row + ": " + std::strerror(err));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const std::string how = WIFSIGNALED(status) ? "was killed by signal " + std::to_string(WTERMSIG(status))
                                                    : "failed with status " + std::to_string(WEXITSTATUS(status));
        const std::string said = last_line(log);
        throw AnalysisError("cassbeam " + how + " on " + row + (said.empty() ? "" : ": " + said));
    }
    Analysis a{};
    if (!read_params(base + ".params", a)) throw AnalysisError("cassbeam wrote no results for " + row);
    return a;
#endif
}

}  // namespace

CassbeamSettings cassbeam_settings(const study::Study& study, const char* option) {
    CassbeamSettings s;
    cassbeam_design(study, option, s);
    const study::Inputs& in = study.inputs();
    const study::Assignment* freq = in.find(study::Key::freq);
    if (freq == nullptr) throw InputError(std::string(option) + " needs freq=GHZ, the frequency of the analysis");
    s.freq = freq->value;
    if (const study::Assignment* t = in.find(study::Key::taper)) s.taper = t->value;
    if (const study::Assignment* t = in.find(study::Key::taper_angle)) {
        s.taper_angle = t->value;
        if (!(s.taper_angle > 0 && s.taper_angle < 90)) throw InputError("taper_angle must lie between 0 and 90 degrees");
    }
    if (!(s.freq > 0)) throw InputError("freq must be positive");
    if (!(s.taper > 0)) throw InputError("taper must be positive (dB below the peak)");
    return s;
}

void cassbeam_design(const study::Study& study, const char* option, CassbeamSettings& s) {
    study.require(study::Capability::revolution,
                  std::string(option) + " runs cassbeam, which handles axisymmetric designs (modes 1 and 2) only, "
                                        "not an offset design (mode 3)");
    if (!study.can(study::Capability::sub))
        throw InputError(std::string(option) + " runs cassbeam, which takes dual-reflector designs, and " +
                         study.lacks(study::Capability::sub));
    const study::Assignment* u = study.inputs().find(study::Key::unit);
    if (u == nullptr)
        throw InputError(std::string(option) + " needs unit=m, mm, in or ft: cassbeam works in metres, and the "
                         "design's lengths have no unit without it");
    const study::LengthUnit& unit = study::kUnits[static_cast<std::size_t>(u->value)];
    s.metres = unit.metres;
    s.unit_name = unit.name;
}

int grid_size(const geometry::Antenna& a) {
    const double shadow = a.feed.horn_diameter > 0 ? a.feed.horn_diameter : a.sub->width_x;
    double n = 16.0 * a.aperture.diameter / shadow;
    if (!(n >= 128)) n = 128;  // NaN too
    if (n > 512) n = 512;
    const int cells = static_cast<int>(std::ceil(n));
    return cells + (cells % 2);
}

void write_cassbeam_input(const std::string& in_path, const std::string& geom_path, const std::string& geom_ref,
                          const std::string& out_ref, const study::Study& study, const study::Design& d,
                          const CassbeamSettings& s) {
    const geometry::Antenna a = study.antenna(d);
    // The lengths as the row has them.
    auto named = [&](std::string_view name) {
        study::Value v{};
        return study.column(name, v) && d.has(v) ? d[v] : 0.0f;
    };
    const float DM = named("DM"), FM = named("FM"), LM = named("LM"), DS = named("DS"), LS = named("LS");
    const bool horn = std::isfinite(a.feed.horn_diameter);
    const double DF = horn ? a.feed.horn_diameter : 0.0;
    const double m = s.metres;
    const double R = a.aperture.diameter / 2 * m, Fm = a.focal_length * m;
    {
        textio::OutputUnit geom = textio::OutputUnit::create(1, geom_path);
        constexpr int kSteps = 1000;
        for (int i = 0; i <= kSteps; ++i) {
            const double r = R * i / kSteps;
            geom.record(num(r) + " " + num(r * r / (4 * Fm)) + " " + num(r / (2 * Fm)));
        }
        geom.close();
    }
    const float te = named("TE");
    const float angle = s.taper_angle > 0 ? s.taper_angle : te;
    textio::OutputUnit in = textio::OutputUnit::create(1, in_path);
    in.record("% cassbeam input written by refldsgn-solve " REFLDSGN_VERSION);
    in.record("% " + study.title() + ", row " + std::to_string(d.index + 1) + ":");
    in.record("%   DM " + num(DM) + "  FM " + num(FM) + "  LM " + num(LM) + "  DS " + num(DS) + "  LS " + num(LS) +
              "  TE " + num(te) + " deg" + (horn ? "  DF " + num(static_cast<float>(DF)) : ""));
    in.record("% lengths in metres, converted from " + s.unit_name);
    in.record("geom = " + geom_ref);
    in.record("sub_h = " + metres(double(LM) + double(LS), m) + "   % LM + LS: the subreflector vertex");
    in.record("feed_x = 0");
    in.record("feed_y = 0");
    in.record("feed_z = " + metres(LM, m) + "   % LM: the feed's phase centre");
    in.record("feedtaper = " + num(s.taper));
    // cassbeam takes the angle of the taper from feedthetamax; feedangle is
    // written alike for readers of the file.
    in.record("feedangle = " + num(angle));
    in.record("feedthetamax = " + num(angle));
    in.record("freq = " + num(s.freq));
    in.record("gridsize = " + std::to_string(grid_size(a)));
    // The centre of the aperture lies in the shadow of the sub, or of the
    // feed's horn where that is larger: cassbeam leaves it out as a hole.
    if (DF > DS) in.record("hole_radius = " + metres(DF / 2, m) + "   % DF / 2: the horn's shadow");
    else in.record("hole_radius = " + metres(double(DS) / 2, m) + "   % DS / 2: the sub's shadow");
    in.record("legwidth = 0   % no struts");
    in.record("out = " + out_ref);
    in.record("compute = p");
    in.close();
}

bool read_params(const std::string& path, Analysis& a) {
    std::ifstream in(path);
    if (!in) return false;
    std::array<bool, 9> found{};
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        key.erase(key.find_last_not_of(" \t") + 1);
        key.erase(0, key.find_first_not_of(" \t"));
        char* end = nullptr;
        const std::string text = line.substr(eq + 1);
        const double v = std::strtod(text.c_str(), &end);
        if (end == text.c_str()) continue;
        for (std::size_t i = 0; i < kAnalysisColumns.size(); ++i) {
            const std::string want = i == 0 ? "gain" : kAnalysisColumns[i];
            if (key != want) continue;
            a[i] = static_cast<float>(i == 0 ? 10 * std::log10(v) : v);
            found[i] = true;
        }
    }
    return std::all_of(found.begin(), found.end(), [](bool f) { return f; });
}

bool cassbeam_on_path() {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string_view rest(path);
    while (true) {
        const auto colon = rest.find(':');
        const std::string_view dir = colon == 0 || rest.empty() ? std::string_view(".") : rest.substr(0, colon);
        std::string file;
        file.reserve(dir.size() + 9);
        file.append(dir).append("/cassbeam");
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0) return true;
        if (colon == std::string_view::npos) return false;
        rest.remove_prefix(colon + 1);
    }
}

void analyze(const study::Study& study, const CassbeamSettings& settings, unsigned jobs,
             const std::function<void(const study::Design&, const Analysis*)>& emit,
             std::span<const std::int64_t> rows) {
    const std::int64_t count = rows.empty() ? study.rows() : static_cast<std::int64_t>(rows.size());
    struct Slot {
        study::Design d;
        bool analyse = false;
        bool done = false;
        std::string error;
        Analysis a{};
    };
    jobs = std::max(1u, jobs);
    std::mutex m;
    std::condition_variable cv;
    std::deque<Slot*> queue;
    bool closing = false;

    auto work = [&] {
        for (;;) {
            Slot* slot = nullptr;
            {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return closing || !queue.empty(); });
                if (queue.empty()) return;
                slot = queue.front();
                queue.pop_front();
            }
            std::string error;
            Analysis a{};
            try {
                a = run_one(study, slot->d, settings);
            } catch (const std::exception& e) {
                error = e.what();
            }
            std::lock_guard lock(m);
            slot->a = a;
            slot->error = std::move(error);
            slot->done = true;
            cv.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < jobs; ++i) workers.emplace_back(work);
    auto stop_workers = [&] {
        {
            std::lock_guard lock(m);
            closing = true;
            queue.clear();  // not started: never run
        }
        cv.notify_all();
        for (std::thread& t : workers) t.join();
    };

    // Rows are solved a few ahead of the one written next, and written in
    // order as their analyses finish.
    std::deque<std::unique_ptr<Slot>> window;
    std::int64_t next = 0;
    const std::size_t ahead = 4 * std::size_t{jobs};
    try {
        while (next < count || !window.empty()) {
            while (next < count && window.size() < ahead) {
                auto slot = std::make_unique<Slot>();
                slot->d = study.design(rows.empty() ? next : rows[static_cast<std::size_t>(next)]);
                ++next;
                slot->analyse = slot->d.ok();
                std::lock_guard lock(m);
                if (slot->analyse) {
                    queue.push_back(slot.get());
                    cv.notify_all();
                } else {
                    slot->done = true;
                }
                window.push_back(std::move(slot));
            }
            Slot& front = *window.front();
            {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return front.done; });
            }
            if (!front.error.empty()) throw AnalysisError(front.error);
            emit(front.d, front.analyse ? &front.a : nullptr);
            window.pop_front();
        }
    } catch (...) {
        stop_workers();
        throw;
    }
    stop_workers();
}

}  // namespace handoff
