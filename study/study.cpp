#include "study/study.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/ranges.hpp"

namespace study {

namespace q = geometry::qty;
using geometry::Quantity;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

constexpr std::string_view kCodes[kChecks] = {
    "no-solution", "non-finite",       "non-positive",      "wrong-conic", "sub-not-smaller",
    "angle-range", "feed-not-smaller", "feed-beyond-focus", "inconsistent",
};

constexpr std::uint32_t bit(Value v) { return 1u << static_cast<unsigned>(v); }
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

}  // namespace

std::string_view code_of(Check c) { return kCodes[static_cast<std::size_t>(c)]; }

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
    if (phase_ && !blockage) {
        throw InputError("LP needs DF: the phase-centre depth is an input of the minimum-blockage mode");
    }
    mode_ = blockage ? &geometry::kMinimumBlockage : &geometry::kNoCondition;

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
    for (const Assignment& a : inputs_.items) rows_ *= a.count;
    if (!columns_.empty()) rows_ = static_cast<std::int64_t>(columns_.front()->column.size());
    if (rows_ > kMaxSweepRows && columns_.empty()) {
        throw InputError("the grid of " + std::string(info(sweeps_[0]->key).name) + " and " +
                         std::string(info(sweeps_[1]->key).name) + " gives " + std::to_string(rows_) +
                         " rows, more than " + std::to_string(kMaxSweepRows));
    }
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

bool Study::solved(Value v) const { return (solved_mask_ & bit(v)) != 0; }

std::string Study::title() const {
    std::string s = cassegrain() ? "Cassegrain" : "Gregorian";
    s += mode_->number == 1 ? ", mode 1 (no condition)" : ", mode 2 (minimum blockage";
    if (mode_->number == 2) s += phase_ ? ", with the feed phase centre)" : ")";
    s += ", case " + std::to_string(case_number()) + ": ";
    s += joined(geometry::prescribed_of(*mode_, case_index_), fde_given_);
    if (mode_->number == 2) s += phase_ ? ", DF, LP" : ", DF";
    s += " given";
    return s;
}

Design Study::design(std::int64_t index) const {
    Design d;
    d.index = index;
    geometry::DualReflectorGeometry& g = d.g;
    g = base_;
    float te_deg = te_deg_, fde = fde_;

    // Row index to sweep indices: the last sweep varies fastest.
    std::int64_t rest = index;
    for (std::size_t s = sweeps_.size(); s-- > 0;) {
        const Assignment& a = *sweeps_[s];
        const auto i = static_cast<std::int32_t>(rest % a.count);
        rest /= a.count;
        const float v = geometry::swept_value(a.start, a.step, i + 1);
        if (a.key == Key::TE) {
            te_deg = v;
            g.TE = geometry::swept_angle(v, 1);
        } else if (a.key == Key::FDE) {
            fde = v;
            g.TE = geometry::swept_angle(v, 2);
        } else {
            g.*info(a.key).member = v;
        }
    }

    for (const Assignment* a : columns_) {
        const float v = a->column[static_cast<std::size_t>(index)];
        if (a->key == Key::TE) {
            te_deg = v;
            g.TE = geometry::swept_angle(v, 1);
        } else if (a->key == Key::FDE) {
            fde = v;
            g.TE = geometry::swept_angle(v, 2);
        } else {
            g.*info(a->key).member = v;
        }
    }

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
    std::uint32_t present = (1u << kValues) - 1;
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
    for (Value x : {Value::DM, Value::FM, Value::LM, Value::DS, Value::LS, Value::TE, Value::AS, Value::FS,
                    Value::LT, Value::DF, Value::LP})
        if (shows(x) && !std::isfinite(at(x))) checks |= bit(Check::non_finite);
    for (Value x : {Value::DM, Value::FM, Value::DS, Value::LS, Value::AS, Value::FS, Value::DF})
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
