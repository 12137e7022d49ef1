// The axisymmetric Cassegrain and Gregorian designs: mode 1 (no condition)
// and mode 2 (minimum blockage, with DF; with LP the feed phase centre
// behind its aperture), seven cases each, solved in closed form.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "geometry/design_cases.hpp"
#include "geometry/families/reasons.hpp"
#include "geometry/family.hpp"
#include "geometry/ranges.hpp"
#include "textio/shortest.hpp"

namespace geometry {
namespace {

namespace q = qty;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The columns, as the CSV has them: check comes after M.
enum Col : std::uint8_t {
    DM, FM, LM, DS, LS, TE, FDE, AS, FS, LT, DF, LP, e, M,
    f_D, rim_angle, sub_vertex, F_eq, main_depth, kColumnCount
};
using K = ColumnKind;
constexpr ColumnInfo kColumns[kColumnCount] = {
    {"DM", K::length}, {"FM", K::length}, {"LM", K::length}, {"DS", K::length}, {"LS", K::length},
    {"TE", K::angle}, {"FDE", K::number}, {"AS", K::length}, {"FS", K::length}, {"LT", K::length},
    {"DF", K::length}, {"LP", K::length}, {"e", K::number}, {"M", K::number}, {"f_D", K::number},
    {"rim_angle", K::angle}, {"sub_vertex", K::length}, {"F_eq", K::length}, {"main_depth", K::length},
};
// The values that must be finite (the others derive from them), and those
// that must be positive (LP: not negative).
constexpr Col kFinite[] = {DM, FM, LM, DS, LS, TE, AS, FS, LT, DF, LP};
constexpr Col kPositive[] = {DM, FM, DS, LS, AS, FS, DF};

constexpr std::uint64_t bit(Col c) { return std::uint64_t{1} << c; }
constexpr std::uint32_t bit(Check c) { return 1u << static_cast<unsigned>(c); }
Value value(Col c) { return static_cast<Value>(c); }

float f(double v) { return static_cast<float>(v); }

using reasons::shown;
std::string name_value(Col c, float x) { return reasons::name_value(kColumns[c].name, x); }

// The member of a design that a quantity sets (TE for TE and FDE).
Quantity member_of(Key k) {
    switch (k) {
    case Key::DM: return q::DM;
    case Key::FM: return q::FM;
    case Key::LM: return q::LM;
    case Key::DS: return q::DS;
    case Key::LS: return q::LS;
    case Key::TE:
    case Key::FDE: return q::TE;
    case Key::DF: return q::DF;
    case Key::LP: return q::LP;
    default: return nullptr;
    }
}
// The column that shows a design member.
Col column_of(Quantity m) {
    if (m == q::DM) return DM;
    if (m == q::FM) return FM;
    if (m == q::LM) return LM;
    if (m == q::DS) return DS;
    if (m == q::LS) return LS;
    return TE;
}

std::string joined(std::span<const Quantity> qs, bool te_as_fde) {
    std::string s;
    for (Quantity m : qs) {
        if (!s.empty()) s += ", ";
        s += m == q::TE && te_as_fde ? "FDE" : name_of(m);
    }
    return s;
}

// The valid combinations of a mode, for the message of a set that has none.
std::string combinations(const DesignMode& mode) {
    std::string s;
    for (std::size_t k = 0; k < mode.cases.size(); ++k) {
        s += k == 0 ? " " : "; ";
        s += "case " + std::to_string(k + 1) + ": " + joined(prescribed_of(mode, k), false);
    }
    return s;
}

static_assert(sizeof(DualReflectorGeometry) <= kRecordFloats * sizeof(float));
DualReflectorGeometry record_of(const Design& d) {
    DualReflectorGeometry g;
    std::memcpy(static_cast<void*>(&g), d.record.data(), sizeof g);
    return g;
}

class AxisymmetricCase final : public Case {
public:
    AxisymmetricCase(const Family& family, const Given& given);

    int mode() const override { return mode_->number; }
    int number() const override { return static_cast<int>(case_index_) + 1; }
    std::string title() const override;
    bool solved(Value v) const override { return (solved_mask_ >> static_cast<unsigned>(v)) & 1u; }
    void solve(Design& d, std::span<const Varying> varying) const override;
    std::string check_reason(const Design& d, Check c) const override;
    Antenna antenna(const Design& d) const override;
    std::vector<Value> table_columns() const override;

private:
    const DesignMode* mode_ = nullptr;
    std::size_t case_index_ = 0;
    bool phase_ = false;
    bool te_given_ = false, fde_given_ = false;
    std::uint64_t solved_mask_ = 0;
    DualReflectorGeometry base_;  // the fixed values
    float te_deg_ = 0, fde_ = 0;  // the fixed TE or FDE as given
};

AxisymmetricCase::AxisymmetricCase(const Family& family, const Given& given) : Case(family) {
    const float type = given.find(Key::type)->value;
    const bool te = given.has(Key::TE), fde = given.has(Key::FDE);
    if (te && fde) throw InputError("give TE or FDE, not both");
    te_given_ = te;
    fde_given_ = fde;
    const bool blockage = given.has(Key::DF);
    phase_ = given.has(Key::LP);
    if (given.has(Key::root)) throw InputError("root chooses between the two offset designs of a given E (mode 3)");
    if (phase_ && !blockage)
        throw InputError("LP needs DF: the phase-centre depth is an input of the minimum-blockage mode");
    mode_ = blockage ? &kMinimumBlockage : &kNoCondition;

    // The prescribed set: the lengths given, with TE for TE or FDE.
    std::vector<Quantity> prescribed;
    for (Key k : {Key::DM, Key::FM, Key::LM, Key::DS, Key::LS})
        if (given.has(k)) prescribed.push_back(member_of(k));
    if (te || fde) prescribed.push_back(q::TE);
    bool found = false;
    for (std::size_t k = 0; k < mode_->cases.size() && !found; ++k) {
        const auto p = prescribed_of(*mode_, k);
        found = p.size() == prescribed.size() && std::all_of(p.begin(), p.end(), [&](Quantity m) {
                    return std::find(prescribed.begin(), prescribed.end(), m) != prescribed.end();
                });
        if (found) case_index_ = k;
    }
    if (!found) {
        const std::string what = prescribed.empty() ? "no design quantities" : joined(prescribed, fde);
        const std::string mode_name = blockage ? "mode 2 (minimum blockage, with DF" : "mode 1 (no condition";
        throw InputError(what + " match no case of " + mode_name + "); its cases take" + combinations(*mode_) +
                         " (FDE may stand for TE)");
    }

    std::size_t count = 0;
    const auto solved = solved_of(*mode_, case_index_, count);
    for (std::size_t i = 0; i < count; ++i) {
        solved_mask_ |= bit(column_of(solved[i]));
        if (solved[i] == q::TE) solved_mask_ |= bit(FDE);
    }
    solved_mask_ |= bit(AS) | bit(FS) | bit(LT) | bit(e) | bit(M);

    // The fixed values; the solved members start as NaN, so that nothing of
    // another design can ever show.
    base_.t = type;
    for (Quantity m : {q::DM, q::FM, q::LM, q::DS, q::LS, q::TE, q::AS, q::FS, q::LT, q::DF, q::LP}) base_.*m = kNaN;
    base_.LP = 0;
    if (!blockage) base_.DF = 0;
    for (const Given::Item& a : given.items) {
        if (info(a.key).kind != KeyKind::design || a.varies) continue;
        if (a.key == Key::TE) {
            te_deg_ = a.value;
            base_.TE = swept_angle(a.value, 1);
        } else if (a.key == Key::FDE) {
            fde_ = a.value;
            base_.TE = swept_angle(a.value, 2);
        } else {
            base_.*member_of(a.key) = a.value;
        }
    }
}

std::string AxisymmetricCase::title() const {
    std::string s = base_.t == -1.0f ? "Cassegrain" : "Gregorian";
    s += mode_->number == 1 ? ", mode 1 (no condition)" : ", mode 2 (minimum blockage";
    if (mode_->number == 2) s += phase_ ? ", with the feed phase centre)" : ")";
    s += ", case " + std::to_string(number()) + ": ";
    s += joined(prescribed_of(*mode_, case_index_), fde_given_);
    if (mode_->number == 2) s += phase_ ? ", DF, LP" : ", DF";
    s += " given";
    return s;
}

std::vector<Value> AxisymmetricCase::table_columns() const {
    std::vector<Value> cols;
    for (Col c : {DM, FM, LM, DS, LS, TE, FDE, AS, FS, LT}) cols.push_back(value(c));
    if (mode_->number == 2) cols.push_back(value(DF));
    if (phase_) cols.push_back(value(LP));
    cols.push_back(value(e));
    cols.push_back(value(M));
    return cols;
}

void AxisymmetricCase::solve(Design& d, std::span<const Varying> varying) const {
    DualReflectorGeometry g = base_;
    float te_deg = te_deg_, fde = fde_;
    for (const Varying& x : varying) {
        if (x.key == Key::TE) {
            te_deg = x.value;
            g.TE = swept_angle(x.value, 1);
        } else if (x.key == Key::FDE) {
            fde = x.value;
            g.TE = swept_angle(x.value, 2);
        } else {
            g.*member_of(x.key) = x.value;
        }
    }

    const DesignCase& c = mode_->cases[case_index_];
    d.status = (phase_ ? c.with_phase : c.plain)(g);
    total_length(g);
    std::memcpy(d.record.data(), &g, sizeof g);
    const bool cassegrain = g.t == -1.0f;

    auto& v = d.values;
    v[DM] = g.DM;
    v[FM] = g.FM;
    v[LM] = g.LM;
    v[DS] = g.DS;
    v[LS] = g.LS;
    v[TE] = te_given_ ? te_deg : degrees(g.TE);
    v[FDE] = fde_given_ ? fde : f(1.0 / (4.0 * std::tan(double(g.TE) / 2.0)));
    v[AS] = g.AS;
    v[FS] = g.FS;
    v[LT] = g.LT;
    v[DF] = g.DF;
    v[LP] = g.LP;
    const float ecc = f(double(g.FS) / double(g.AS));
    v[e] = ecc;
    v[M] = cassegrain ? f((double(ecc) + 1) / (double(ecc) - 1)) : f((1 + double(ecc)) / (1 - double(ecc)));
    v[f_D] = f(double(g.FM) / double(g.DM));
    v[rim_angle] = degrees(f(2.0 * std::atan(double(g.DM) / (4.0 * double(g.FM)))));
    v[sub_vertex] = f(double(g.LM) + double(g.LS));
    v[F_eq] = f(double(v[M]) * double(g.FM));
    v[main_depth] = f(double(g.DM) * double(g.DM) / (16.0 * double(g.FM)));

    // What shows: everything but DF and LP outside their mode, and, for a
    // design without solution, nothing that the case solves.
    std::uint64_t present = (std::uint64_t{1} << kColumnCount) - 1;
    if (mode_->number == 1) present &= ~bit(DF);
    if (!phase_) present &= ~bit(LP);
    const bool no_solution = d.status != Status::solved;
    if (no_solution) {
        present &= ~solved_mask_;
        auto needs = [&](Col derived, std::initializer_list<Col> from) {
            for (Col x : from)
                if (!(present & bit(x))) present &= ~bit(derived);
        };
        needs(f_D, {FM, DM});
        needs(rim_angle, {FM, DM});
        needs(sub_vertex, {LM, LS});
        needs(F_eq, {M, FM});
        needs(main_depth, {FM, DM});
    }
    d.present = present;

    // The checks, each on the values that show.  A value that is not finite
    // is reported as non-finite and takes part in no other check.
    auto shows = [&](Col x) { return (present & bit(x)) != 0; };
    auto has = [&](Col x) { return shows(x) && std::isfinite(v[x]); };
    std::uint32_t checks = 0;
    if (no_solution) checks |= bit(Check::no_solution);
    for (Col x : kFinite)
        if (shows(x) && !std::isfinite(v[x])) checks |= bit(Check::non_finite);
    for (Col x : kPositive)
        if (has(x) && v[x] <= 0) checks |= bit(Check::non_positive);
    if (has(LP) && v[LP] < 0) checks |= bit(Check::non_positive);
    if (has(AS) && has(FS)) {
        if (cassegrain ? v[AS] >= v[FS] : v[AS] <= v[FS]) checks |= bit(Check::wrong_conic);
    }
    if (has(DS) && has(DM) && v[DS] >= v[DM]) checks |= bit(Check::sub_not_smaller);
    if (has(TE) && (v[TE] <= 0 || v[TE] >= 90)) checks |= bit(Check::angle_range);
    if (mode_->number == 2) {
        if (has(DS) && has(DF) && v[DF] >= v[DS]) checks |= bit(Check::feed_not_smaller);
        if (has(FS) && std::isfinite(g.LP) && 2.0 * double(g.FS) - double(g.LP) <= 0)
            checks |= bit(Check::feed_beyond_focus);
    }
    if (!no_solution && inconsistency(g, mode_->number == 2) > kConsistencyTolerance)
        checks |= bit(Check::inconsistent);
    d.checks = checks;
}

std::string AxisymmetricCase::check_reason(const Design& d, Check c) const {
    auto finite = [&](Col x) { return d.has(value(x)) && std::isfinite(d.values[x]); };
    const auto& v = d.values;
    std::vector<std::string> parts;
    switch (c) {
    case Check::no_solution:
        return std::string(reasons::kNoRealRoot);
    case Check::non_finite:
        for (Col x : kFinite)
            if (d.has(value(x)) && !std::isfinite(v[x])) parts.push_back(name_value(x, v[x]));
        return reasons::not_finite(parts);
    case Check::non_positive:
        for (Col x : kPositive)
            if (finite(x) && v[x] <= 0) parts.push_back(name_value(x, v[x]) + " is not positive");
        if (finite(LP) && v[LP] < 0) parts.push_back(name_value(LP, v[LP]) + " is negative");
        return reasons::joined(parts);
    case Check::wrong_conic:
        return (base_.t == -1.0f ? "a Cassegrain's sub is a hyperboloid, AS < FS: "
                                 : "a Gregorian's sub is an ellipsoid, AS > FS: ") +
               name_value(AS, v[AS]) + ", " + name_value(FS, v[FS]);
    case Check::sub_not_smaller:
        return name_value(DS, v[DS]) + " is not smaller than " + name_value(DM, v[DM]);
    case Check::angle_range:
        return name_value(TE, v[TE]) + " is not between 0 and 90 degrees";
    case Check::feed_not_smaller:
        return name_value(DF, v[DF]) + " is not smaller than " + name_value(DS, v[DS]);
    case Check::feed_beyond_focus:
        return "2 FS - LP = " + shown(f(2.0 * double(v[FS]) - double(v[LP]))) +
               " is not positive: the feed aperture is at or beyond the main focus";
    case Check::inconsistent:
        return reasons::inconsistent(inconsistency(record_of(d), mode_->number == 2));
    default:
        return {};
    }
}

Antenna AxisymmetricCase::antenna(const Design& d) const {
    const DualReflectorGeometry g = record_of(d);
    Antenna a;
    a.type = g.t == -1.0f ? "cassegrain" : "gregorian";
    a.solved = d.status == Status::solved && !d.failed(Check::non_finite);
    a.focal_length = g.FM;
    // The main: the paraboloid about z, focus at O, lit within DM/2.
    a.main.name = "main";
    a.main.surface = {{0, 0, 0}, {0, 0, 1}, 1.0, 2.0 * double(g.FM)};
    a.main.trim = {Trim::Kind::cylinder, {0, 0, 0}, {0, 0, 1}, double(g.DM) / 2};
    a.main.revolved = true;
    a.main.width_x = a.main.width_y = g.DM;
    // The sub: the conic of foci O and the feed F' = (0, 0, -2 FS), semi-axis
    // AS, within DS/2 of the axis.
    Reflector sub;
    sub.name = "sub";
    const double ecc = double(g.FS) / double(g.AS);
    sub.surface = {{0, 0, -2.0 * double(g.FS)}, {0, 0, 1}, ecc, double(g.AS) * (1 - ecc * ecc), double(g.AS)};
    sub.width_x = sub.width_y = g.DS;
    sub.trim = {Trim::Kind::cylinder, {0, 0, 0}, {0, 0, 1}, double(g.DS) / 2};
    sub.revolved = true;
    a.sub = sub;
    a.feed.phase_centre = {0, 0, double(g.LM) - double(g.FM)};
    a.feed.axis = {0, 0, 1};
    a.feed.half_angle = g.TE;
    a.feed.half_angle_degrees = d.values[TE];
    if (mode_->number == 2) a.feed.horn_diameter = g.DF;
    a.aperture.centre = {0, 0, 0};
    a.aperture.diameter = g.DM;
    a.aperture.blocked = mode_->number == 2 ? std::max(double(g.DS), double(g.DF)) : double(g.DS);
    return a;
}

constexpr TypeName kTypes[] = {{"cassegrain", -1.0f, true}, {"gregorian", 1.0f, true}};
constexpr std::string_view kPlotted[] = {"DM", "FM", "LM", "DS", "LS"};
constexpr std::string_view kAlwaysPlotted[] = {"AS", "FS", "LT"};

std::string_view no_help(Key) { return {}; }
int claims(const Given&) { return 1; }
std::unique_ptr<Case> select(const Given& given, const Family& family) {
    return std::make_unique<AxisymmetricCase>(family, given);
}

}  // namespace

double inconsistency(const DualReflectorGeometry& g, bool blockage) {
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

extern const Family kAxisymmetricFamily = {
    "axisymmetric", kTypes, {kColumns, 14}, no_help, claims, select,
    (1u << static_cast<unsigned>(Capability::revolution)) | (1u << static_cast<unsigned>(Capability::sub)), kPlotted, kAlwaysPlotted, "LT",
    "Without DF the design is of mode 1 (TE or FDE and three lengths), with DF of mode 2 (three of DM, FM, LM, DS, "
    "LS, TE); LP selects the feed phase centre.",
};

}  // namespace geometry
