#include "study/study.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "geometry/ranges.hpp"
#include "study/shortest.hpp"

namespace study {

namespace q = geometry::qty;
using geometry::Quantity;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

constexpr std::string_view kCodes[kChecks] = {
    "no-solution",      "non-finite",        "non-positive", "wrong-conic",      "sub-not-smaller", "angle-range",
    "feed-not-smaller", "feed-beyond-focus", "inconsistent", "beyond-asymptote", "sub-blocks",      "feed-blocks",
};

constexpr std::string_view kNames[kValues] = {
    "DM",  "FM",  "LM",    "DS",    "LS", "TE",  "FDE", "AS",  "FS",   "LT",    "DF",    "LP",
    "e",   "M",   "f_D",   "rim_angle", "sub_vertex", "F_eq", "main_depth",
    "H",   "HC",  "TH0",   "BETA",  "ALPHA", "E", "C2", "DSY", "LSM", "FEQ", "DFPR", "DSRPR",
    "chord", "feed_axis", "length", "height", "designs",
};

// The columns of each mode, as the CSV has them.
using V = Value;
constexpr Value kAxisymmetric[] = {V::DM, V::FM, V::LM, V::DS, V::LS, V::TE, V::FDE, V::AS, V::FS, V::LT,
                                   V::DF, V::LP, V::e,  V::M,  V::f_D, V::rim_angle, V::sub_vertex, V::F_eq,
                                   V::main_depth};
constexpr Value kOffset[] = {V::DM,  V::FM,   V::H,     V::HC,  V::TH0, V::BETA, V::ALPHA, V::E,     V::TE,
                             V::FDE, V::AS,   V::FS,    V::C2,  V::DS,  V::DSY,  V::LS,    V::LSM,   V::FEQ,
                             V::M,   V::DFPR, V::DSRPR, V::DF,  V::chord, V::feed_axis, V::length, V::height,
                             V::designs};
const ColumnSet kAxisymmetricColumns{kAxisymmetric, 14};
// The values of modes 1 and 2 that must be finite (the others derive from
// them).
constexpr Value kFiniteAxisymmetric[] = {V::DM, V::FM, V::LM, V::DS, V::LS, V::TE,
                                         V::AS, V::FS, V::LT, V::DF, V::LP};
// The values that must be positive (LP: not negative), by mode.
constexpr Value kPositiveAxisymmetric[] = {V::DM, V::FM, V::DS, V::LS, V::AS, V::FS, V::DF};
constexpr Value kPositiveOffset[] = {V::DM, V::FM, V::H, V::AS, V::FS, V::DS, V::LS, V::LSM, V::DF};
const ColumnSet kOffsetColumns{kOffset, 21};

// The angle of a hyperboloid's asymptote from its axis, in degrees.
double asymptote_degrees(float e) { return std::acos(1 / double(e)) * (180 / 3.14159265358979323846); }

constexpr std::uint64_t bit(Value v) { return std::uint64_t{1} << static_cast<unsigned>(v); }
constexpr std::uint32_t bit(Check c) { return 1u << static_cast<unsigned>(c); }

// The Value that shows a design member.
Value value_of(Quantity m) {
    if (m == q::DM) return Value::DM;
    if (m == q::FM) return Value::FM;
    if (m == q::LM) return Value::LM;
    if (m == q::DS) return Value::DS;
    if (m == q::LS) return Value::LS;
    return Value::TE;
}

float f(double v) { return static_cast<float>(v); }

std::string joined(std::span<const Quantity> qs, bool te_as_fde) {
    std::string s;
    for (Quantity m : qs) {
        if (!s.empty()) s += ", ";
        s += m == q::TE && te_as_fde ? "FDE" : geometry::name_of(m);
    }
    return s;
}

// The valid combinations of a mode, for the message of a set that has none.
std::string combinations(const geometry::DesignMode& mode) {
    std::string s;
    for (std::size_t k = 0; k < mode.cases.size(); ++k) {
        s += k == 0 ? " " : "; ";
        s += "case " + std::to_string(k + 1) + ": " + joined(geometry::prescribed_of(mode, k), false);
    }
    return s;
}

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

std::string_view code_of(Check c) { return kCodes[static_cast<std::size_t>(c)]; }
std::string_view column_name(Value v) { return kNames[static_cast<std::size_t>(v)]; }
const ColumnSet& columns_of_mode(int mode) { return mode == 3 ? kOffsetColumns : kAxisymmetricColumns; }

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
        out += kCodes[c];
    }
}

std::string check_text(std::uint32_t checks) {
    std::string s;
    append_check_text(s, checks);
    return s;
}

Study::Study(Inputs inputs) : inputs_(std::move(inputs)) {
    const Assignment* type = inputs_.find(Key::type);
    if (type == nullptr) throw InputError("missing type: give type=cassegrain or type=gregorian");
    type_ = type->value;
    const bool te = inputs_.find(Key::TE) != nullptr, fde = inputs_.find(Key::FDE) != nullptr;
    if (te && fde) throw InputError("give TE or FDE, not both");
    te_given_ = te;
    fde_given_ = fde;
    const bool blockage = inputs_.find(Key::DF) != nullptr;
    phase_ = inputs_.find(Key::LP) != nullptr;
    bool offset = false;
    for (Key k : {Key::BETA, Key::H, Key::HC, Key::TH0, Key::ALPHA, Key::E, Key::LSM, Key::C2, Key::DFPR, Key::DSRPR})
        offset = offset || inputs_.find(k) != nullptr;
    if (offset) {
        for (Key k : {Key::LM, Key::LP})
            if (inputs_.find(k) != nullptr)
                throw InputError(std::string(info(k).name) + " belongs to modes 1 and 2, not to an offset design (mode 3)");
    } else if (inputs_.find(Key::root) != nullptr) {
        throw InputError("root chooses between the two offset designs of a given E (mode 3)");
    }
    if (phase_ && !blockage) {
        throw InputError("LP needs DF: the phase-centre depth is an input of the minimum-blockage mode");
    }
    mode_number_ = offset ? 3 : blockage ? 2 : 1;
    horn_ = offset && blockage;
    mode_ = offset ? nullptr : blockage ? &geometry::kMinimumBlockage : &geometry::kNoCondition;

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
    if (offset) {
        select_offset_case();
        return;
    }

    // The prescribed set: the lengths given, with TE for TE or FDE.
    std::vector<Quantity> given;
    for (Key k : {Key::DM, Key::FM, Key::LM, Key::DS, Key::LS})
        if (inputs_.find(k) != nullptr) given.push_back(info(k).member);
    if (te || fde) given.push_back(q::TE);
    bool found = false;
    for (std::size_t k = 0; k < mode_->cases.size() && !found; ++k) {
        const auto p = geometry::prescribed_of(*mode_, k);
        found = p.size() == given.size() && std::all_of(p.begin(), p.end(), [&](Quantity m) {
                    return std::find(given.begin(), given.end(), m) != given.end();
                });
        if (found) case_index_ = k;
    }
    if (!found) {
        const std::string what = given.empty() ? "no design quantities" : joined(given, fde);
        const std::string mode_name = blockage ? "mode 2 (minimum blockage, with DF" : "mode 1 (no condition";
        throw InputError(what + " match no case of " + mode_name +
                         "); its cases take" + combinations(*mode_) + " (FDE may stand for TE)");
    }

    std::size_t count = 0;
    const auto solved = geometry::solved_of(*mode_, case_index_, count);
    for (std::size_t i = 0; i < count; ++i) {
        solved_mask_ |= bit(value_of(solved[i]));
        if (solved[i] == q::TE) solved_mask_ |= bit(Value::FDE);
    }
    solved_mask_ |= bit(Value::AS) | bit(Value::FS) | bit(Value::LT) | bit(Value::e) | bit(Value::M);

    // The fixed values; the solved members start as NaN, so that nothing of
    // another design can ever show.
    base_.t = type_;
    for (Quantity m : {q::DM, q::FM, q::LM, q::DS, q::LS, q::TE, q::AS, q::FS, q::LT, q::DF, q::LP})
        base_.*m = kNaN;
    base_.LP = 0;
    if (!blockage) base_.DF = 0;
    count_rows();
    for (const Assignment& a : inputs_.items) {
        if (info(a.key).kind != KeyKind::design || a.swept || a.is_column()) continue;
        if (a.key == Key::TE) {
            te_deg_ = a.value;
            base_.TE = geometry::swept_angle(a.value, 1);
        } else if (a.key == Key::FDE) {
            fde_ = a.value;
            base_.TE = geometry::swept_angle(a.value, 2);
        } else {
            base_.*info(a.key).member = a.value;
        }
    }
}

void Study::require_axisymmetric(std::string_view what) const {
    if (offset())
        throw InputError(std::string(what) + ": for the axisymmetric designs of modes 1 and 2 (surfaces of "
                         "revolution); an offset design (mode 3) has no such file or picture yet");
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

bool Study::solved(Value v) const { return (solved_mask_ & bit(v)) != 0; }

std::string Study::title() const {
    std::string s = cassegrain() ? "Cassegrain" : "Gregorian";
    if (offset()) {
        s += ", mode 3 (offset), case " + std::to_string(case_number()) + ": ";
        for (const std::string& n : offset_names_) s += n + ", ";
        s.resize(s.size() - 2);
        if (inputs_.find(Key::DF) != nullptr) s += ", DF";
        return s + " given";
    }
    s += mode_->number == 1 ? ", mode 1 (no condition)" : ", mode 2 (minimum blockage";
    if (mode_->number == 2) s += phase_ ? ", with the feed phase centre)" : ")";
    s += ", case " + std::to_string(case_number()) + ": ";
    s += joined(geometry::prescribed_of(*mode_, case_index_), fde_given_);
    if (mode_->number == 2) s += phase_ ? ", DF, LP" : ", DF";
    s += " given";
    return s;
}

Design Study::design(std::int64_t index) const {
    return offset() ? offset_design(index) : axisymmetric_design(index);
}

Design Study::axisymmetric_design(std::int64_t index) const {
    Design d;
    d.index = index;
    geometry::DualReflectorGeometry& g = d.g;
    g = base_;
    float te_deg = te_deg_, fde = fde_;

    varying_values(sweeps_, columns_, index, [&](Key k, float v) {
        if (k == Key::TE) {
            te_deg = v;
            g.TE = geometry::swept_angle(v, 1);
        } else if (k == Key::FDE) {
            fde = v;
            g.TE = geometry::swept_angle(v, 2);
        } else {
            g.*info(k).member = v;
        }
    });

    const geometry::DesignCase& c = mode_->cases[case_index_];
    d.status = (phase_ ? c.with_phase : c.plain)(g);
    geometry::total_length(g);

    auto& v = d.values;
    auto set = [&](Value which, float x) { v[static_cast<std::size_t>(which)] = x; };
    set(Value::DM, g.DM);
    set(Value::FM, g.FM);
    set(Value::LM, g.LM);
    set(Value::DS, g.DS);
    set(Value::LS, g.LS);
    set(Value::TE, te_given_ ? te_deg : geometry::degrees(g.TE));
    set(Value::FDE, fde_given_ ? fde : f(1.0 / (4.0 * std::tan(double(g.TE) / 2.0))));
    set(Value::AS, g.AS);
    set(Value::FS, g.FS);
    set(Value::LT, g.LT);
    set(Value::DF, g.DF);
    set(Value::LP, g.LP);
    const float e = f(double(g.FS) / double(g.AS));
    set(Value::e, e);
    set(Value::M, cassegrain() ? f((double(e) + 1) / (double(e) - 1)) : f((1 + double(e)) / (1 - double(e))));
    set(Value::f_D, f(double(g.FM) / double(g.DM)));
    set(Value::rim_angle, geometry::degrees(f(2.0 * std::atan(double(g.DM) / (4.0 * double(g.FM))))));
    set(Value::sub_vertex, f(double(g.LM) + double(g.LS)));
    set(Value::F_eq, f(double(d[Value::M]) * double(g.FM)));
    set(Value::main_depth, f(double(g.DM) * double(g.DM) / (16.0 * double(g.FM))));

    // What shows: everything but DF and LP outside their mode, and, for a
    // design without solution, nothing that the case solves.
    std::uint64_t present = 0;
    for (Value v : kAxisymmetric) present |= bit(v);
    if (mode_->number == 1) present &= ~bit(Value::DF);
    if (!phase_) present &= ~bit(Value::LP);
    const bool no_solution = d.status != geometry::Status::solved;
    if (no_solution) {
        present &= ~solved_mask_;
        auto needs = [&](Value derived, std::initializer_list<Value> from) {
            for (Value x : from)
                if (!(present & bit(x))) present &= ~bit(derived);
        };
        needs(Value::f_D, {Value::FM, Value::DM});
        needs(Value::rim_angle, {Value::FM, Value::DM});
        needs(Value::sub_vertex, {Value::LM, Value::LS});
        needs(Value::F_eq, {Value::M, Value::FM});
        needs(Value::main_depth, {Value::FM, Value::DM});
    }
    d.present = present;

    // The checks, each on the values that show.  A value that is not finite
    // is reported as non-finite and takes part in no other check.
    auto shows = [&](Value x) { return (present & bit(x)) != 0; };
    auto at = [&](Value x) { return v[static_cast<std::size_t>(x)]; };
    auto has = [&](Value x) { return shows(x) && std::isfinite(at(x)); };
    std::uint32_t checks = 0;
    if (no_solution) checks |= bit(Check::no_solution);
    for (Value x : kFiniteAxisymmetric)
        if (shows(x) && !std::isfinite(at(x))) checks |= bit(Check::non_finite);
    for (Value x : kPositiveAxisymmetric)
        if (has(x) && at(x) <= 0) checks |= bit(Check::non_positive);
    if (has(Value::LP) && at(Value::LP) < 0) checks |= bit(Check::non_positive);
    if (has(Value::AS) && has(Value::FS)) {
        if (cassegrain() ? at(Value::AS) >= at(Value::FS) : at(Value::AS) <= at(Value::FS))
            checks |= bit(Check::wrong_conic);
    }
    if (has(Value::DS) && has(Value::DM) && at(Value::DS) >= at(Value::DM)) checks |= bit(Check::sub_not_smaller);
    if (has(Value::TE) && (at(Value::TE) <= 0 || at(Value::TE) >= 90)) checks |= bit(Check::angle_range);
    if (mode_->number == 2) {
        if (has(Value::DS) && has(Value::DF) && at(Value::DF) >= at(Value::DS)) checks |= bit(Check::feed_not_smaller);
        if (has(Value::FS) && std::isfinite(g.LP) && 2.0 * double(g.FS) - double(g.LP) <= 0)
            checks |= bit(Check::feed_beyond_focus);
    }
    if (!no_solution && inconsistency(g, mode_->number == 2) > kConsistencyTolerance)
        checks |= bit(Check::inconsistent);
    d.checks = checks;
    return d;
}

double inconsistency(const geometry::DualReflectorGeometry& g, bool blockage) {
    const double t = g.t, DM = g.DM, FM = g.FM, LM = g.LM, DS = g.DS, LS = g.LS, TE = g.TE, AS = g.AS,
                 FS = g.FS, DF = g.DF, LP = g.LP;
    // |a - b| relative to the size of the terms; 0 when all are 0.
    auto rel = [](double residual, double size) { return size == 0 ? 0.0 : std::fabs(residual) / size; };
    double worst = 0;
    auto take = [&worst](double r) {
        if (r > worst) worst = r;
    };
    take(rel(FM - LM - 2 * FS, std::fabs(FM) + std::fabs(LM) + 2 * std::fabs(FS)));
    take(rel(LS - FS - AS, std::fabs(LS) + std::fabs(FS) + std::fabs(AS)));
    const double tau = std::tan(TE);
    const double num = 8 * FM * DM * DS;
    const double den = 32 * FS * FM * DM + t * DS * (16 * FM * FM - DM * DM);
    const double den_size = 32 * std::fabs(FS * FM * DM) + std::fabs(DS) * (16 * FM * FM + DM * DM);
    take(rel(tau * den - num, std::fabs(tau) * den_size + std::fabs(num)));
    if (blockage) {
        take(rel(FM * DF - DS * (2 * FS - LP),
                 std::fabs(FM * DF) + std::fabs(DS) * (2 * std::fabs(FS) + std::fabs(LP))));
    }
    return worst;
}

}  // namespace study

// ------------------------------------------------------------- mode 3

namespace study {
namespace {

// The member that a quantity sets in an offset case's inputs, or shows in
// a solved design (the two name their members alike).
template <class Offset>
float& offset_input(Offset& in, Key k) {
    switch (k) {
    case Key::DM: return in.DM;
    case Key::FM: return in.FM;
    case Key::H: return in.H;
    case Key::HC: return in.HC;
    case Key::TH0: return in.TH0;
    case Key::BETA: return in.BETA;
    case Key::ALPHA: return in.ALPHA;
    case Key::E: return in.E;
    case Key::TE: return in.TE;
    case Key::FDE: return in.FDE;
    case Key::DS: return in.DS;
    case Key::LS: return in.LS;
    case Key::LSM: return in.LSM;
    case Key::C2: return in.C2;
    case Key::DFPR: return in.DFPR;
    case Key::DSRPR: return in.DSRPR;
    default: return in.DF;
    }
}

// The quantities that may stand for a name of the case table.
std::vector<Key> standing_for(std::string_view name, bool main_given) {
    if (name == "H" && main_given) return {Key::H, Key::HC, Key::TH0};
    if (name == "TE") return {Key::TE, Key::FDE};
    for (const KeyInfo& k : kKeys)
        if (k.name == name) return {k.key};
    return {};
}

// The values of an offset design under the columns that show them; the
// four derived from the rest come last.
std::array<std::pair<Value, float>, 26> offset_values(const geometry::OffsetDesign& o) {
    return {{{Value::DM, o.DM},       {Value::FM, o.FM},       {Value::H, o.H},
             {Value::HC, o.HC},       {Value::TH0, o.TH0},     {Value::BETA, o.BETA},
             {Value::ALPHA, o.ALPHA}, {Value::E, o.E},         {Value::TE, o.TE},
             {Value::FDE, o.FDE},     {Value::AS, o.AS},       {Value::FS, o.FS},
             {Value::C2, o.C2},       {Value::DS, o.DS},       {Value::DSY, o.DSY},
             {Value::LS, o.LS},       {Value::LSM, o.LSM},     {Value::FEQ, o.FEQ},
             {Value::M, o.M},         {Value::DFPR, o.DFPR},   {Value::DSRPR, o.DSRPR},
             {Value::DF, o.DF},       {Value::chord, o.chord}, {Value::feed_axis, o.feed_axis},
             {Value::length, o.length}, {Value::height, o.height}}};
}

constexpr const char* kOffsetSets =
    "the sets of mode 3 are DM, FM, one of H, HC and TH0, one of BETA, E, ALPHA and TE (or FDE), and one of DS, LS, "
    "LSM, C2, DFPR and DSRPR (cases 1 to 24); DM, TH0, TE (or FDE), BETA and one of DS, LS, LSM, C2, DFPR and DSRPR "
    "(cases 25 to 30); DM, TH0, BETA, LS, DFPR (case 31); DF may describe the horn";

}  // namespace

void Study::select_offset_case() {
    std::vector<Key> given;
    for (const Assignment& a : inputs_.items)
        if (info(a.key).kind == KeyKind::design && a.key != Key::DF) given.push_back(a.key);
    int found = 0;
    for (int k = 1; k <= geometry::kOffsetCases && found == 0; ++k) {
        const auto names = geometry::offset_case_names(k).names;
        if (given.size() != names.size()) continue;
        std::vector<std::string> as_given;
        for (std::string_view n : names) {
            for (Key key : standing_for(n, k <= 24))
                if (std::find(given.begin(), given.end(), key) != given.end()) as_given.emplace_back(info(key).name);
        }
        if (as_given.size() == names.size()) {
            found = k;
            offset_names_ = as_given;
        }
    }
    if (found == 0) {
        std::string what;
        for (Key k : given) what += (what.empty() ? "" : ", ") + std::string(info(k).name);
        throw InputError((what.empty() ? std::string("no design quantities") : what) +
                         " match no case of mode 3 (offset): " + kOffsetSets);
    }
    case_index_ = static_cast<std::size_t>(found - 1);
    const bool e_shape = found >= 7 && found <= 12;
    if (const Assignment* r = inputs_.find(Key::root)) {
        if (!e_shape) throw InputError("root chooses between the two designs of a given E, and E is not given");
        if (r->value != 1.0f && r->value != 2.0f) throw InputError("root must be 1 or 2, not " + r->text);
        offset_base_.root = static_cast<int>(r->value);
    }
    te_given_ = inputs_.find(Key::TE) != nullptr;
    fde_given_ = inputs_.find(Key::FDE) != nullptr;
    offset_base_.t = type_;
    for (const Assignment& a : inputs_.items) {
        if (info(a.key).kind != KeyKind::design || a.swept || a.is_column()) continue;
        offset_input(offset_base_, a.key) = a.value;
    }
    // What the case solves: every value it is not given.
    solved_mask_ = 0;
    for (Value v : kOffset) solved_mask_ |= bit(v);
    for (const std::string& n : offset_names_) {
        for (Value v : kOffset)
            if (column_name(v) == n) solved_mask_ &= ~bit(v);
    }
    solved_mask_ &= ~(bit(Value::DF) | bit(Value::designs));
    // What follows from the given quantities alone: the other two of H, HC
    // and TH0 from DM, FM and one of them; FDE from TE, or TE from FDE.
    derivable_mask_ = 0;
    if (found <= 24) derivable_mask_ |= bit(Value::H) | bit(Value::HC) | bit(Value::TH0);
    if (te_given_ || fde_given_) derivable_mask_ |= bit(Value::TE) | bit(Value::FDE);
    offset_given_.clear();
    for (const Assignment& a : inputs_.items)
        if (info(a.key).kind == KeyKind::design) offset_given_.push_back(a.key);
    count_rows();
}

std::uint32_t Study::offset_checks(const geometry::OffsetDesign& d, geometry::Status status) const {
    std::uint32_t checks = 0;
    const bool no_solution = status != geometry::Status::solved;
    const bool horn = horn_;
    auto given = [&](Value v) { return !(solved_mask_ & bit(v)) || (derivable_mask_ & bit(v)); };
    // The values checked: all but the four derived from the rest.
    const auto all = offset_values(d);
    const std::span<const std::pair<Value, float>> shown(all.data(), all.size() - 4);
    for (const auto& [v, x] : shown) {
        if (v == Value::DF && !horn) continue;
        if (no_solution && !given(v)) continue;
        if (!std::isfinite(x)) checks |= bit(Check::non_finite);
    }
    if (no_solution) checks |= bit(Check::no_solution);
    auto has = [&](float x, Value v) { return std::isfinite(x) && (!no_solution || given(v)); };
    for (const auto& [v, x] : shown) {
        const bool positive = std::find(std::begin(kPositiveOffset), std::end(kPositiveOffset), v) !=
                                  std::end(kPositiveOffset) && (v != Value::DF || horn);
        if (positive && has(x, v) && x <= 0) checks |= bit(Check::non_positive);
    }
    if (has(d.E, Value::E) && (cassegrain() ? !(d.E > 1) : !(d.E > 0 && d.E < 1))) checks |= bit(Check::wrong_conic);
    auto outside = [](float x, float hi) { return std::isfinite(x) && (x <= 0 || x >= hi); };
    if ((has(d.TE, Value::TE) && outside(d.TE, 90)) || (has(d.BETA, Value::BETA) && outside(d.BETA, 90)) ||
        (has(d.ALPHA, Value::ALPHA) && outside(d.ALPHA, 180)) ||
        (has(d.ALPHA, Value::ALPHA) && has(d.BETA, Value::BETA) && d.ALPHA <= d.BETA))
        checks |= bit(Check::angle_range);
    // The sub's size: its width in the plane of symmetry and across it.
    if (has(d.DM, Value::DM) && ((has(d.DS, Value::DS) && d.DS >= d.DM) || (has(d.DSY, Value::DSY) && d.DSY >= d.DM)))
        checks |= bit(Check::sub_not_smaller);
    if (no_solution) return checks;
    // Each of the rest is made when the values it needs are finite, whatever
    // the others are.
    auto finite = [](std::initializer_list<float> xs) {
        return std::all_of(xs.begin(), xs.end(), [](float x) { return std::isfinite(x); });
    };
    if (cassegrain() && finite({d.E, d.ALPHA, d.TE}) && d.E > 1 &&
        double(d.ALPHA) + double(d.TE) >= asymptote_degrees(d.E))
        checks |= bit(Check::beyond_asymptote);
    if (finite({d.DSRPR, d.DM}) && d.DSRPR < -1e-6f * d.DM) checks |= bit(Check::sub_blocks);
    if (finite({d.DM, d.FM, d.H, d.BETA, d.E, d.ALPHA, d.TE, d.AS, d.DFPR}) && (!horn || std::isfinite(d.DF)) &&
        geometry::feed_blocks(d))
        checks |= bit(Check::feed_blocks);
    if (finite({d.E, d.M, d.FM, d.DM, d.BETA, d.ALPHA, d.TH0, d.TE, d.H, d.FS, d.AS}) &&
        geometry::offset_inconsistency(d) > kConsistencyTolerance)
        checks |= bit(Check::inconsistent);
    return checks;
}

Design Study::offset_design(std::int64_t index) const {
    Design d;
    d.index = index;
    geometry::OffsetInputs in = offset_base_;
    varying_values(sweeps_, columns_, index, [&](Key k, float v) { offset_input(in, k) = v; });
    const int number = case_number();
    d.status = geometry::solve_offset(number, in, d.offset);
    // A quantity given shows as given, whatever the solver made of it.
    for (Key k : offset_given_) offset_input(d.offset, k) = offset_input(in, k);
    const geometry::OffsetDesign& o = d.offset;

    for (const auto& [v, x] : offset_values(o)) d.values[static_cast<std::size_t>(v)] = x;
    std::uint64_t present = 0;
    for (Value v : kOffset) present |= bit(v);
    if (!horn_) present &= ~bit(Value::DF);
    // Without a solution: the values given, and those that follow from them
    // alone.
    if (d.status != geometry::Status::solved) present &= ~(solved_mask_ & ~derivable_mask_);
    d.present = present;
    d.checks = offset_checks(o, d.status);

    // How many designs meet the inputs and pass their checks: with E, the
    // design of the other root counts too.
    int passing = d.ok() ? 1 : 0;
    if (number >= 7 && number <= 12) {
        geometry::OffsetInputs other = in;
        other.root = in.root == 2 ? 1 : 2;
        geometry::OffsetDesign od{};
        const geometry::Status os = geometry::solve_offset(number, other, od);
        for (Key k : offset_given_) offset_input(od, k) = offset_input(other, k);
        passing += offset_checks(od, os) == 0 ? 1 : 0;
    }
    d.values[static_cast<std::size_t>(Value::designs)] = static_cast<float>(passing);
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

namespace {

std::string shown(float v) {
    std::string s;
    append_shortest(s, v);
    return s;
}

std::string name_value(Value v, float x) { return std::string(column_name(v)) + " = " + shown(x); }

// The parts joined by "; ".
std::string joined_parts(const std::vector<std::string>& parts) {
    std::string s;
    for (const std::string& p : parts) s += (s.empty() ? "" : "; ") + p;
    return s;
}

}  // namespace

std::string check_reason(const Study& study, const Design& d, Check c) {
    const bool offset = study.offset();
    auto finite = [&](Value v) { return d.has(v) && std::isfinite(d[v]); };
    std::vector<std::string> parts;
    switch (c) {
    case Check::no_solution:
        return "the case's equations have no real solution for these inputs (a quadratic without a real root, or "
               "the square root of a negative number)";
    case Check::non_finite: {
        // The values checked: the design's own, not those derived from them.
        std::vector<Value> checked;
        if (offset) {
            const auto cols = study.shown().values;
            checked.assign(cols.begin(), cols.begin() + static_cast<std::ptrdiff_t>(study.shown().before_check));
            checked.push_back(Value::DF);
        } else {
            checked.assign(std::begin(kFiniteAxisymmetric), std::end(kFiniteAxisymmetric));
        }
        for (Value v : checked)
            if (d.has(v) && !std::isfinite(d[v])) parts.push_back(name_value(v, d[v]));
        return parts.empty() ? "a value is not finite" : joined_parts(parts) + (parts.size() == 1 ? " is" : " are") +
                                                             " not finite";
    }
    case Check::non_positive: {
        const std::span<const Value> positive = offset ? std::span<const Value>(kPositiveOffset)
                                                       : std::span<const Value>(kPositiveAxisymmetric);
        for (Value v : positive)
            if (finite(v) && d[v] <= 0) parts.push_back(name_value(v, d[v]) + " is not positive");
        if (!offset && finite(Value::LP) && d[Value::LP] < 0) parts.push_back(name_value(Value::LP, d[Value::LP]) + " is negative");
        return joined_parts(parts);
    }
    case Check::wrong_conic:
        if (offset)
            return study.cassegrain() ? "a Cassegrain's sub is a hyperboloid, E > 1: " + name_value(Value::E, d[Value::E])
                                      : "a Gregorian's sub is an ellipsoid, 0 < E < 1: " + name_value(Value::E, d[Value::E]);
        return (study.cassegrain() ? "a Cassegrain's sub is a hyperboloid, AS < FS: "
                                   : "a Gregorian's sub is an ellipsoid, AS > FS: ") +
               name_value(Value::AS, d[Value::AS]) + ", " + name_value(Value::FS, d[Value::FS]);
    case Check::sub_not_smaller:
        for (Value v : {Value::DS, Value::DSY})
            if (finite(v) && finite(Value::DM) && d[v] >= d[Value::DM])
                parts.push_back(name_value(v, d[v]) + " is not smaller than " + name_value(Value::DM, d[Value::DM]));
        return joined_parts(parts);
    case Check::angle_range: {
        auto outside = [&](Value v, float hi) {
            if (finite(v) && (d[v] <= 0 || d[v] >= hi))
                parts.push_back(name_value(v, d[v]) + " is not between 0 and " + shown(hi) + " degrees");
        };
        outside(Value::TE, 90);
        if (offset) {
            outside(Value::BETA, 90);
            outside(Value::ALPHA, 180);
            if (finite(Value::ALPHA) && finite(Value::BETA) && d[Value::ALPHA] <= d[Value::BETA])
                parts.push_back(name_value(Value::ALPHA, d[Value::ALPHA]) + " is not larger than " +
                                name_value(Value::BETA, d[Value::BETA]));
        }
        return joined_parts(parts);
    }
    case Check::feed_not_smaller:
        return name_value(Value::DF, d[Value::DF]) + " is not smaller than " + name_value(Value::DS, d[Value::DS]);
    case Check::feed_beyond_focus:
        return "2 FS - LP = " + shown(static_cast<float>(2.0 * double(d[Value::FS]) - double(d[Value::LP]))) +
               " is not positive: the feed aperture is at or beyond the main focus";
    case Check::inconsistent: {
        const double worst = offset ? geometry::offset_inconsistency(d.offset) : inconsistency(d.g, study.mode_number() == 2);
        char text[32];
        std::snprintf(text, sizeof text, "%.3g", worst);
        return std::string("the solved values break the design's identities by ") + text +
               " of their size (more than 2^-12)";
    }
    case Check::beyond_asymptote: {
        const double limit = asymptote_degrees(d[Value::E]);
        return "ALPHA + TE = " + shown(static_cast<float>(double(d[Value::ALPHA]) + double(d[Value::TE]))) +
               " reaches the hyperboloid's asymptote at " + shown(static_cast<float>(limit)) +
               " degrees from its axis: the edge rays miss the sub";
    }
    case Check::sub_blocks:
        return name_value(Value::DSRPR, d[Value::DSRPR]) + " is negative: the sub's edge stands in the beam column";
    case Check::feed_blocks:
        return study.inputs().find(Key::DF) != nullptr
                   ? "the horn's aperture (DF = " + shown(d[Value::DF]) +
                         ") stands in the beam column or the rays between sub and main, or reaches the sub"
                   : "the feed's phase centre stands in the beam column or the rays between sub and main (DFPR = " +
                         shown(d[Value::DFPR]) + ")";
    }
    return {};
}

std::vector<std::string> check_notes(const Study& study, const CheckTally& tally) {
    std::vector<std::string> notes;
    for (std::size_t c = 0; c < kChecks; ++c) {
        if (tally.count[c] == 0) continue;
        const auto check = static_cast<Check>(c);
        const Design d = study.design(tally.first[c]);
        std::string note = std::string(code_of(check)) + ": " + check_reason(study, d, check);
        note += " (row " + std::to_string(tally.first[c] + 1);
        if (tally.count[c] > 1) note += "; " + std::to_string(tally.count[c]) + " rows fail it";
        notes.push_back(note + ")");
    }
    return notes;
}

}  // namespace study
