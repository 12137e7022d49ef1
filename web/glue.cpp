// What the page asks the engine beside its command line: the vocabulary of
// the inputs (from the engine's own tables) and the reasons of a row's
// failed checks.  Each returns text the module keeps until the next call.
#include <emscripten/emscripten.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "draw/pictures.hpp"
#include "geometry/family.hpp"
#include "geometry/quantities.hpp"
#include "study/inputs.hpp"
#include "study/study.hpp"

namespace {

std::string reply;

std::vector<std::string> lines(const char* text) {
    std::vector<std::string> out;
    std::string s(text);
    std::size_t from = 0;
    while (from <= s.size()) {
        const std::size_t nl = s.find('\n', from);
        const std::size_t to = nl == std::string::npos ? s.size() : nl;
        if (to > from) out.push_back(s.substr(from, to - from));
        from = to + 1;
    }
    return out;
}

}  // namespace

extern "C" {

// {"keys": [{"name", "kind", "help"}...], "types": [...], "units": "...",
// "html_rows": the most rows of --html, "plot_rows": of --plot}
EMSCRIPTEN_KEEPALIVE const char* refldsgn_vocabulary() {
    static const char* kinds[] = {"type", "design", "choice", "unit", "analysis", "setting"};
    nlohmann::ordered_json keys = nlohmann::ordered_json::array(), types = nlohmann::ordered_json::array();
    for (const geometry::KeyInfo& k : geometry::kKeys)
        keys.push_back({{"name", k.name}, {"kind", kinds[static_cast<int>(k.kind)]}, {"help", geometry::help_of(k)}});
    for (const geometry::Family* f : geometry::families())
        for (const geometry::TypeName& t : f->types)
            if (std::find(types.begin(), types.end(), t.name) == types.end()) types.push_back(t.name);
    nlohmann::ordered_json all = {{"keys", keys},
                                  {"types", types},
                                  {"units", study::unit_names()},
                                  {"html_rows", draw::kMaxHtmlRows},
                                  {"plot_rows", draw::kMaxPlotRows}};
    reply = all.dump();
    return reply.c_str();
}

// The reasons of the failed checks of row `row` (1-based) of the study of
// these arguments (one a line): "code: reason" a line; empty when it fails
// none or the arguments make no study.
EMSCRIPTEN_KEEPALIVE const char* refldsgn_reasons(const char* args, double row) {
    reply.clear();
    try {
        const std::vector<std::string> a = lines(args);
        const study::Study s(study::read_inputs(a));
        const auto r = static_cast<std::int64_t>(row);
        if (r < 1 || r > s.rows()) return reply.c_str();
        const study::Design d = s.design(r - 1);
        for (std::size_t c = 0; c < geometry::kChecks; ++c) {
            const auto check = static_cast<geometry::Check>(c);
            if (d.failed(check))
                reply += std::string(geometry::code_of(check)) + ": " + study::check_reason(s, d, check) + "\n";
        }
    } catch (const std::exception&) {
        reply.clear();
    }
    return reply.c_str();
}

// The study the arguments (one a line) make: {"title": "Cassegrain, mode 1
// (no condition), case 6: DM, FM, DS, TE given", "rows": 1, and what its
// designs have: "revolution", "offset_files", "sketch", "sub"}; {} when
// they make none.
EMSCRIPTEN_KEEPALIVE const char* refldsgn_study(const char* args) {
    try {
        const study::Study s(study::read_inputs(lines(args)));
        using geometry::Capability;
        reply = nlohmann::ordered_json{{"title", s.title()},
                                       {"rows", s.rows()},
                                       {"revolution", s.can(Capability::revolution)},
                                       {"offset_files", s.can(Capability::offset_files)},
                                       {"sketch", s.can(Capability::sketch)},
                                       {"sub", s.can(Capability::sub)}}
                    .dump();
    } catch (const std::exception&) {
        reply = "{}";
    }
    return reply.c_str();
}

}  // extern "C"
