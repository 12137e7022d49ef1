#include "study/inputs.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "geometry/ranges.hpp"
#include "study/shortest.hpp"

namespace study {

namespace q = geometry::qty;

const std::array<KeyInfo, 25> kKeys = {{
    {Key::type, "type", KeyKind::type, nullptr, "reflector type: cassegrain (or -1), gregorian (or 1)"},
    {Key::DM, "DM", KeyKind::design, q::DM, "main reflector diameter"},
    {Key::FM, "FM", KeyKind::design, q::FM, "main reflector focal length"},
    {Key::LM, "LM", KeyKind::design, q::LM, "main vertex to feed point (negative: feed behind the vertex)"},
    {Key::DS, "DS", KeyKind::design, q::DS, "subreflector diameter"},
    {Key::LS, "LS", KeyKind::design, q::LS, "feed point to subreflector vertex"},
    {Key::TE, "TE", KeyKind::design, q::TE, "feed half subtended angle, degrees"},
    {Key::FDE, "FDE", KeyKind::design, q::TE, "effective f/D, instead of TE"},
    {Key::DF, "DF", KeyKind::design, q::DF, "feed diameter: selects the minimum-blockage mode"},
    {Key::LP, "LP", KeyKind::design, q::LP, "phase-centre depth behind the feed aperture (with DF)"},
    {Key::H, "H", KeyKind::design, nullptr, "offset: distance of the aperture centre from the main axis"},
    {Key::HC, "HC", KeyKind::design, nullptr, "offset: clearance H - DM/2 of the aperture's lower edge"},
    {Key::TH0, "TH0", KeyKind::design, nullptr, "offset: angle at the focus from the main axis to the aperture centre, degrees"},
    {Key::BETA, "BETA", KeyKind::design, nullptr, "offset: angle between the sub axis and the main axis, degrees"},
    {Key::ALPHA, "ALPHA", KeyKind::design, nullptr, "offset: angle between the feed axis and the sub axis, degrees"},
    {Key::E, "E", KeyKind::design, nullptr, "offset: eccentricity of the sub conic"},
    {Key::LSM, "LSM", KeyKind::design, nullptr, "offset: sub to main along the central ray"},
    {Key::C2, "C2", KeyKind::design, nullptr, "offset: feed phase centre to the focus (2c)"},
    {Key::DFPR, "DFPR", KeyKind::design, nullptr, "offset: gap in x from the feed to the aperture's lower edge"},
    {Key::DSRPR, "DSRPR", KeyKind::design, nullptr, "offset: gap in x from the sub edge to the aperture's lower edge"},
    {Key::root, "root", KeyKind::choice, nullptr, "offset, with E: 1 the design of smaller BETA (default), 2 the other"},
    {Key::unit, "unit", KeyKind::unit, nullptr, "length unit: in, ft, mm or m (CHAMP files, cassbeam)"},
    {Key::freq, "freq", KeyKind::analysis, nullptr, "frequency for cassbeam, GHz"},
    {Key::taper, "taper", KeyKind::analysis, nullptr, "feed taper for cassbeam, dB (default 10)"},
    {Key::taper_angle, "taper_angle", KeyKind::analysis, nullptr,
     "angle of that taper, degrees (default each design's TE)"},
}};

const std::array<LengthUnit, 4> kUnits = {{{"in", 1, 0.0254}, {"ft", 2, 0.3048}, {"mm", 3, 0.001}, {"m", 4, 1.0}}};

const KeyInfo& info(Key k) { return kKeys[static_cast<std::size_t>(k)]; }

const Assignment* Inputs::find(Key k) const {
    for (const Assignment& a : items)
        if (a.key == k) return &a;
    return nullptr;
}

namespace {

std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

std::string key_list() {
    std::string s;
    for (const KeyInfo& k : kKeys) {
        if (!s.empty()) s += ", ";
        s += k.name;
    }
    return s;
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

float parse_type(std::string_view text, const std::string& origin) {
    if (text == "cassegrain") return -1.0f;
    if (text == "gregorian") return 1.0f;
    float v = 0;
    if (parse_number(text, v) && (v == -1.0f || v == 1.0f)) return v;
    throw InputError("type must be cassegrain, gregorian, -1 or 1, not " + quoted(text) + " (" + origin +
                     ")");
}

// One QUANTITY=VALUE: the name, the value as a number or a sweep.
Assignment parse_assignment(std::string_view name, std::string_view text, const std::string& origin) {
    const auto it = std::find_if(kKeys.begin(), kKeys.end(), [&](const KeyInfo& k) { return k.name == name; });
    if (it == kKeys.end()) {
        throw InputError("unknown quantity " + quoted(name) + " (" + origin + "); the quantities are " +
                         key_list());
    }
    Assignment a;
    a.key = it->key;
    a.text = std::string(text);
    a.origin = origin;
    const std::string what = std::string(name) + "=" + std::string(text) + " (" + origin + ")";
    if (text.empty()) throw InputError(std::string(name) + " has no value (" + origin + ")");
    if (a.key == Key::type) {
        a.value = parse_type(text, origin);
        return a;
    }
    if (a.key == Key::unit) {
        const auto u = std::find_if(kUnits.begin(), kUnits.end(), [&](const LengthUnit& x) { return x.name == text; });
        if (u == kUnits.end()) throw InputError("unit must be in, ft, mm or m, not " + quoted(text) + " (" + origin + ")");
        a.value = static_cast<float>(u - kUnits.begin());
        return a;
    }
    if (text.find(':') == std::string_view::npos) {
        if (!parse_number(text, a.value)) throw InputError("malformed number in " + what);
        return a;
    }
    if (it->kind != KeyKind::design) throw InputError(std::string(name) + " cannot be swept: " + what);
    Range r;
    if (!parse_range(text, r)) throw InputError("malformed sweep in " + what + ": write START:STOP:STEP");
    a.swept = true;
    a.start = r.start, a.stop = r.stop, a.step = r.step;
    const std::int32_t n = r.count;
    if (n < 1) {
        throw InputError("the sweep " + what + " gives no rows" +
                         (a.step == 0 ? std::string(" (a step of 0)") : std::string()));
    }
    if (n > kMaxSweepRows) {
        throw InputError("the sweep " + what + " gives " + std::to_string(n) + " rows, more than " +
                         std::to_string(kMaxSweepRows));
    }
    a.count = n;
    return a;
}

// Splits NAME=VALUE (blanks around the '=' allowed in files).
Assignment parse_text(std::string_view item, const std::string& origin) {
    const auto eq = item.find('=');
    if (eq == std::string_view::npos) {
        throw InputError("expected QUANTITY=VALUE, not " + quoted(item) + " (" + origin + ")");
    }
    return parse_assignment(trim(item.substr(0, eq)), trim(item.substr(eq + 1)), origin);
}

// Adds one assignment from a source (the command line, or one file):
// the same quantity twice within sources of one kind is an error.
void add(std::vector<Assignment>& into, Assignment a) {
    for (const Assignment& b : into) {
        if (b.key == a.key) {
            throw InputError(std::string(info(a.key).name) + " is given twice (" + b.origin + " and " + a.origin +
                             ")");
        }
    }
    into.push_back(std::move(a));
}

void read_file(const std::string& path, std::vector<Assignment>& into) {
    std::ifstream in(path);
    if (!in) throw InputError("cannot read " + path + ": " + std::strerror(errno));
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string_view s(line);
        const auto comment = s.find_first_of("#%");
        if (comment != std::string_view::npos) s = s.substr(0, comment);
        s = trim(s);
        if (s.empty()) continue;
        add(into, parse_text(s, path + " line " + std::to_string(number)));
    }
    if (in.bad()) throw InputError("cannot read " + path + ": " + std::strerror(errno));
}

}  // namespace

bool parse_number(std::string_view text, float& value) {
    // [+-] digits [. digits] [e [+-] digits], or [+-] . digits [...]
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exp_digits = 0;
        while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    if (i != n) return false;
    const std::string s(text);
    const float v = std::strtof(s.c_str(), nullptr);  // correctly rounded
    if (std::isinf(v)) return false;                  // beyond the single-precision range
    value = v;
    return true;
}

bool parse_range(std::string_view text, Range& r) {
    const auto c1 = text.find(':');
    if (c1 == std::string_view::npos) return false;
    const auto c2 = text.find(':', c1 + 1);
    if (c2 == std::string_view::npos || text.find(':', c2 + 1) != std::string_view::npos ||
        !parse_number(text.substr(0, c1), r.start) || !parse_number(text.substr(c1 + 1, c2 - c1 - 1), r.stop) ||
        !parse_number(text.substr(c2 + 1), r.step)) {
        return false;
    }
    r.count = 0;
    geometry::range_count(r.start, r.stop, r.step, r.count);
    return true;
}

Assignment assignment_of(std::string_view name, std::string_view text) {
    return parse_assignment(name, text, "the command line");
}

Assignment assignment_of(std::string_view name, float value) {
    const auto it = std::find_if(kKeys.begin(), kKeys.end(), [&](const KeyInfo& k) { return k.name == name; });
    if (it == kKeys.end()) {
        throw InputError("unknown quantity " + quoted(name) + " (the command line); the quantities are " + key_list());
    }
    if (it->kind == KeyKind::unit) throw InputError("unit must be in, ft, mm or m (the command line)");
    Assignment a;
    a.key = it->key;
    a.origin = "the command line";
    a.value = value;
    if (a.key == Key::type && value != -1.0f && value != 1.0f) {
        std::string shown;
        append_shortest(shown, value);
        throw InputError("type must be cassegrain, gregorian, -1 or 1, not '" + shown + "' (the command line)");
    }
    append_shortest(a.text, value);
    return a;
}

Inputs read_inputs(std::span<const std::string> args) {
    // Command-line assignments and file assignments are kept apart: within
    // each the same quantity twice is an error, and the command line wins
    // over the files.  The order is that of first mention.
    std::vector<Assignment> command, files;
    std::vector<std::pair<Key, bool>> order;  // (key, from the command line)
    for (const std::string& arg : args) {
        if (!arg.empty() && arg[0] == '@') {
            const std::size_t before = files.size();
            read_file(arg.substr(1), files);
            for (std::size_t i = before; i < files.size(); ++i) order.emplace_back(files[i].key, false);
            continue;
        }
        add(command, parse_text(arg, "the command line"));
        order.emplace_back(command.back().key, true);
    }
    Inputs result;
    for (const auto& [key, from_command] : order) {
        if (result.find(key) != nullptr) continue;
        auto pick = [key](const std::vector<Assignment>& v) -> const Assignment* {
            for (const Assignment& a : v)
                if (a.key == key) return &a;
            return nullptr;
        };
        const Assignment* a = pick(command);
        if (a == nullptr) a = pick(files);
        result.items.push_back(*a);
    }
    return result;
}

}  // namespace study
