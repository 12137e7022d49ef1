#include "study/study.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "study/shortest.hpp"

namespace study {

namespace {

// Calls set(key, value) for each quantity that varies from row to row,
// with its value in row `index`: the sweeps (the last one fastest) and the
// arrays.
template <class Set>
void varying_values(const std::vector<const Assignment*>& sweeps, const std::vector<const Assignment*>& arrays,
                    std::int64_t index, Set&& set) {
    std::int64_t rest = index;
    for (std::size_t s = sweeps.size(); s-- > 0;) {
        const Assignment& a = *sweeps[s];
        const auto i = static_cast<std::int32_t>(rest % a.count);
        rest /= a.count;
        set(a.key, a.swept_value(i));
    }
    for (const Assignment* a : arrays) set(a->key, a->column[static_cast<std::size_t>(index)]);
}

}  // namespace

void append_check_text(std::string& out, std::uint32_t checks) {
    if (checks == 0) {
        out += "ok";
        return;
    }
    bool first = true;
    for (std::size_t c = 0; c < kChecks; ++c) {
        if (!((checks >> c) & 1u)) continue;
        if (!first) out += ';';
        first = false;
        out += code_of(static_cast<Check>(c));
    }
}

std::string check_text(std::uint32_t checks) {
    std::string s;
    append_check_text(s, checks);
    return s;
}

Study::Study(Inputs inputs) : inputs_(std::move(inputs)) {
    const Assignment* type = inputs_.find(Key::type);
    if (type == nullptr) {
        std::vector<std::string_view> names;
        for (const geometry::Family* f : geometry::families())
            for (const geometry::TypeName& t : f->types)
                if (std::find(names.begin(), names.end(), t.name) == names.end()) names.push_back(t.name);
        std::string give;
        for (std::size_t i = 0; i < names.size(); ++i)
            give += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + ("type=" + std::string(names[i]));
        throw InputError("missing type: give " + give);
    }
    type_ = type->value;

    geometry::Given given;
    for (const Assignment& a : inputs_.items) given.items.push_back({a.key, a.swept || a.is_column(), a.value, a.text});
    const geometry::Family* family = nullptr;
    int strongest = 0;
    for (const geometry::Family* f : geometry::families()) {
        for (const geometry::TypeName& t : f->types) {
            if (t.code != type_) continue;
            const int claim = f->claims(given);
            if (claim > strongest) strongest = claim, family = f, type_name_ = t.name;
        }
    }
    if (family == nullptr) throw InputError("no family of designs takes these quantities");

    for (const Assignment& a : inputs_.items) {
        if (a.swept) sweeps_.push_back(&a);
        if (!a.is_column()) continue;
        if (info(a.key).kind != KeyKind::design) throw InputError(std::string(info(a.key).name) + " takes one value");
        if (!columns_.empty() && a.column.size() != columns_.front()->column.size())
            throw InputError("the arrays of " + std::string(info(columns_.front()->key).name) + " and " +
                             std::string(info(a.key).name) + " differ in length");
        columns_.push_back(&a);
    }
    if (!columns_.empty() && !sweeps_.empty()) throw InputError("give sweeps or arrays, not both");
    if (sweeps_.size() > 2) {
        std::string names;
        for (const Assignment* a : sweeps_) names += (names.empty() ? "" : ", ") + std::string(info(a->key).name);
        throw InputError("at most two quantities may be swept, not " + std::to_string(sweeps_.size()) + " (" +
                         names + ")");
    }
    case_ = family->select(given, *family);
    count_rows();
}

void Study::require(Capability c, std::string_view message) const {
    if (!can(c)) {
        const std::string why = case_->lacks(c);
        throw InputError(why.empty() ? std::string(message) : why);
    }
}

std::string Study::lacks(Capability c) const {
    const std::string why = case_->lacks(c);
    if (!why.empty()) return why;
    return c == Capability::sub ? "this design has no subreflector" : "this design lacks it";
}

void Study::count_rows() {
    for (const Assignment& a : inputs_.items) rows_ *= a.count;
    if (!columns_.empty()) rows_ = static_cast<std::int64_t>(columns_.front()->column.size());
    if (rows_ > kMaxSweepRows && columns_.empty()) {
        throw InputError("the grid of " + std::string(info(sweeps_[0]->key).name) + " and " +
                         std::string(info(sweeps_[1]->key).name) + " gives " + std::to_string(rows_) +
                         " rows, more than " + std::to_string(kMaxSweepRows));
    }
}

Design Study::design(std::int64_t index) const {
    Design d;
    d.index = index;
    std::array<geometry::Varying, geometry::kKeyCount> varying;
    std::size_t n = 0;
    varying_values(sweeps_, columns_, index, [&](Key k, float v) { varying[n++] = {k, v}; });
    case_->solve(d, std::span<const geometry::Varying>(varying.data(), n));
    return d;
}

// ------------------------------------------------- checks in words

void CheckTally::add(const Design& d) {
    if (d.checks == 0) return;
    ++failed;
    for (std::size_t c = 0; c < kChecks; ++c) {
        if (!((d.checks >> c) & 1u)) continue;
        ++count[c];
        if (first[c] < 0 || d.index < first[c]) first[c] = d.index;
    }
}

void CheckTally::add(const CheckTally& other) {
    failed += other.failed;
    for (std::size_t c = 0; c < kChecks; ++c) {
        count[c] += other.count[c];
        if (other.first[c] >= 0 && (first[c] < 0 || other.first[c] < first[c])) first[c] = other.first[c];
    }
}

std::string check_reason(const Study& study, const Design& d, Check c) { return study.check_reason(d, c); }

std::vector<std::string> check_notes(const Study& study, const CheckTally& tally) {
    std::vector<std::string> notes;
    for (std::size_t c = 0; c < kChecks; ++c) {
        if (tally.count[c] == 0) continue;
        const auto check = static_cast<Check>(c);
        const Design d = study.design(tally.first[c]);
        std::string note = std::string(code_of(check)) + ": " + study.check_reason(d, check);
        note += " (row " + std::to_string(tally.first[c] + 1);
        if (tally.count[c] > 1) note += "; " + std::to_string(tally.count[c]) + " rows fail it";
        notes.push_back(note + ")");
    }
    return notes;
}

}  // namespace study
