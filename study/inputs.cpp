#include "study/inputs.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <cstring>
#include <fstream>

#include "geometry/family.hpp"
#include "geometry/ranges.hpp"
#include "study/shortest.hpp"

namespace study {



const std::array<LengthUnit, 5> kUnits = {
    {{"in", 1, 0.0254}, {"ft", 2, 0.3048}, {"mm", 3, 0.001}, {"cm", 5, 0.01}, {"m", 4, 1.0}}};

std::string unit_names() {
    std::string all;
    for (std::size_t i = 0; i < kUnits.size(); ++i)
        all += std::string(i == 0 ? "" : i + 1 == kUnits.size() ? " or " : ", ") + std::string(kUnits[i].name);
    return all;
}


float Assignment::swept_value(std::int32_t i) const {
    return list.empty() ? geometry::swept_value(start, step, i + 1) : list[static_cast<std::size_t>(i)];
}

const Assignment* Inputs::find(Key k) const {
    for (const Assignment& a : items)
        if (a.key == k) return &a;
    return nullptr;
}

namespace {

std::string quoted(std::string_view s) {
    std::string q;
    q.reserve(s.size() + 2);
    q += '\'';
    q += s;
    q += '\'';
    return q;
}

std::string key_list() {
    std::string s;
    for (const KeyInfo& k : kKeys) {
        if (!s.empty()) s += ", ";
        s += k.name;
    }
    return s;
}

// The known name ("DM") that a name differs from only in case, or by one
// character added, dropped or changed or two swapped (names of two or more
// characters); empty for none.
std::string suggestion_of(std::string_view name) {
    auto lower = [](std::string_view s) {
        std::string t(s);
        for (char& c : t) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return t;
    };
    auto one_edit = [](std::string_view a, std::string_view b) {
        if (a.size() > b.size()) std::swap(a, b);
        if (b.size() - a.size() > 1) return false;
        std::size_t i = 0;
        while (i < a.size() && a[i] == b[i]) ++i;
        if (a.size() == b.size()) {
            if (a.substr(i + 1) == b.substr(i + 1)) return true;  // one changed
            return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] && a.substr(i + 2) == b.substr(i + 2);
        }
        return a.substr(i) == b.substr(i + 1);  // one added
    };
    for (const KeyInfo& k : kKeys)
        if (lower(k.name) == lower(name)) return std::string(k.name);
    for (const KeyInfo& k : kKeys)
        if (k.name.size() >= 2 && one_edit(k.name, name)) return std::string(k.name);
    return {};
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

float parse_type(std::string_view text, const std::string& origin) {
    float v = 0;
    const bool number = parse_number(text, v);
    for (const geometry::Family* f : geometry::families())
        for (const geometry::TypeName& t : f->types)
            if (text == t.name || (number && t.numeric && v == t.code)) return t.code;
    throw InputError("type must be " + geometry::type_names(true) + ", not " + quoted(text) + " (" + origin + ")");
}

// One QUANTITY=VALUE: the name, the value as a number or a sweep.
Assignment parse_assignment(std::string_view name, std::string_view text, const std::string& origin) {
    const auto it = std::find_if(kKeys.begin(), kKeys.end(), [&](const KeyInfo& k) { return k.name == name; });
    if (it == kKeys.end()) {
        const std::string guess = suggestion_of(name);
        throw InputError("unknown quantity " + quoted(name) + " (" + origin + ")" +
                         (guess.empty() ? "; the quantities are " : "; did you mean " + guess + "? The quantities are ") +
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
        if (u == kUnits.end()) throw InputError("unit must be " + unit_names() + ", not " + quoted(text) + " (" + origin + ")");
        a.value = static_cast<float>(u - kUnits.begin());
        return a;
    }
    if (it->kind == KeyKind::setting) {
        const auto words = geometry::setting_words(a.key);
        const auto w = std::find(words.begin(), words.end(), text);
        if (w == words.end())
            throw InputError(std::string(name) + " must be " + geometry::setting_text(a.key) + ", not " + quoted(text) +
                             " (" + origin + ")");
        a.value = static_cast<float>(w - words.begin());
        return a;
    }
    const bool list = text.find(',') != std::string_view::npos;
    if (text.find(':') == std::string_view::npos && !list) {
        if (!parse_number(text, a.value)) throw InputError("malformed number in " + what);
        return a;
    }
    if (it->kind != KeyKind::design) throw InputError(std::string(name) + " cannot be swept: " + what);
    a.swept = true;
    if (list) {
        for (std::string_view rest = text;;) {
            const auto comma = rest.find(',');
            float v = 0;
            if (!parse_number(rest.substr(0, comma), v))
                throw InputError("malformed list in " + what + ": write numbers separated by commas");
            a.list.push_back(v);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        if (a.list.size() > static_cast<std::size_t>(kMaxSweepRows)) {
            throw InputError("the list " + what + " has " + std::to_string(a.list.size()) + " values, more than " +
                             std::to_string(kMaxSweepRows));
        }
        a.start = a.list.front(), a.stop = a.list.back();
        a.count = static_cast<std::int32_t>(a.list.size());
        return a;
    }
    Range r;
    if (!parse_range(text, r)) throw InputError("malformed sweep in " + what + ": write START:STOP:STEP or a list A,B,C");
    a.start = r.start, a.stop = r.stop, a.step = r.step;
    // The count comes from the numbers as typed, so that a STOP that lies on
    // the steps in decimal is reached, whatever single precision makes of
    // the three.
    double typed[3];
    for (std::size_t k = 0, from = 0; k < 3; ++k) {
        const std::size_t to = k < 2 ? text.find(':', from) : text.size();
        typed[k] = std::strtod(std::string(text.substr(from, to - from)).c_str(), nullptr);
        from = to + 1;
    }
    const double n = sweep_rows(typed[0], typed[1], typed[2]);
    if (!(n >= 1)) {
        throw InputError("the sweep " + what + " gives no rows" +
                         (a.step == 0 ? std::string(" (a step of 0)")
                          : std::isfinite(n) ? std::string(" (STOP lies before START in the direction of STEP)")
                                             : std::string()));
    }
    if (n > kMaxSweepRows) {
        char count[64];
        std::snprintf(count, sizeof count, "%.0f", n);
        throw InputError("the sweep " + what + " gives " + count + " rows, more than " + std::to_string(kMaxSweepRows));
    }
    a.count = static_cast<std::int32_t>(n);
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
            if (b.origin == a.origin) throw InputError(std::string(info(a.key).name) + " is given twice on " + a.origin);
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

double sweep_rows(double start, double stop, double step) {
    const double steps = (stop - start) / step;
    if (!std::isfinite(steps)) return std::numeric_limits<double>::quiet_NaN();
    if (steps < -kSweepSlack) return 0;
    return std::floor(steps + kSweepSlack) + 1;
}

std::string suggested_key(std::string_view name) { return suggestion_of(name); }

Assignment assignment_of(std::string_view name, std::string_view text) {
    return parse_assignment(name, text, "the command line");
}

Assignment assignment_of(std::string_view name, float value) {
    const auto it = std::find_if(kKeys.begin(), kKeys.end(), [&](const KeyInfo& k) { return k.name == name; });
    if (it == kKeys.end()) {
        throw InputError("unknown quantity " + quoted(name) + " (the command line); the quantities are " + key_list());
    }
    if (it->kind == KeyKind::unit) throw InputError("unit must be " + unit_names() + " (the command line)");
    if (it->kind == KeyKind::setting) throw InputError(std::string(it->name) + " takes a word, not a number (the command line)");
    Assignment a;
    a.key = it->key;
    a.origin = "the command line";
    a.value = value;
    if (a.key == Key::type) {
        bool known = false;
        for (const geometry::Family* f : geometry::families())
            for (const geometry::TypeName& t : f->types) known = known || value == t.code;
        if (!known) {
            std::string shown;
            append_shortest(shown, value);
            throw InputError("type must be " + geometry::type_names(true) + ", not '" + shown + "' (the command line)");
        }
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
    for (const auto& entry : order) {
        const Key key = entry.first;  // a plain copy: some compilers' lambdas cannot capture a structured binding
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
