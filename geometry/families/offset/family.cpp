// Offset designs (mode 3): the classical, cross-polar free offset
// Cassegrain and Gregorian of 31 cases, selected by any of H, HC, TH0,
// BETA, ALPHA, E, LSM, C2, DFPR and DSRPR.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "geometry/families/offset/offset.hpp"
#include "geometry/families/reasons.hpp"
#include "geometry/family.hpp"
#include "textio/shortest.hpp"

namespace geometry {
namespace {

// The columns, as the CSV has them: check comes after DSRPR.
enum Col : std::uint8_t {
    DM, FM, H, HC, TH0, BETA, ALPHA, E, TE, FDE, AS, FS, C2, DS, DSY, LS, LSM, FEQ, M, DFPR, DSRPR,
    DF, chord, feed_axis, length, height, designs, kColumnCount
};
using K = ColumnKind;
constexpr ColumnInfo kColumns[kColumnCount] = {
    {"DM", K::length},    {"FM", K::length},    {"H", K::length},     {"HC", K::length},
    {"TH0", K::angle},    {"BETA", K::angle},   {"ALPHA", K::angle},  {"E", K::number},
    {"TE", K::angle},     {"FDE", K::number},   {"AS", K::length},    {"FS", K::length},
    {"C2", K::length},    {"DS", K::length},    {"DSY", K::length},   {"LS", K::length},
    {"LSM", K::length},   {"FEQ", K::length},   {"M", K::number},     {"DFPR", K::length},
    {"DSRPR", K::length}, {"DF", K::length},    {"chord", K::length}, {"feed_axis", K::angle},
    {"length", K::length}, {"height", K::length}, {"designs", K::count},
};
constexpr Col kPositive[] = {DM, FM, H, AS, FS, DS, LS, LSM, DF};

constexpr std::uint64_t bit(Col c) { return std::uint64_t{1} << c; }
constexpr std::uint32_t bit(Check c) { return 1u << static_cast<unsigned>(c); }
Value value(Col c) { return static_cast<Value>(c); }

using reasons::shown;
std::string name_value(Col c, float x) { return reasons::name_value(kColumns[c].name, x); }

// The angle of a hyperboloid's asymptote from its axis, in degrees.
double asymptote_degrees(float e) { return std::acos(1 / double(e)) * (180 / 3.14159265358979323846); }

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
std::array<std::pair<Col, float>, 26> offset_values(const OffsetDesign& o) {
    return {{{DM, o.DM},       {FM, o.FM},       {H, o.H},         {HC, o.HC},         {TH0, o.TH0},
             {BETA, o.BETA},   {ALPHA, o.ALPHA}, {E, o.E},         {TE, o.TE},         {FDE, o.FDE},
             {AS, o.AS},       {FS, o.FS},       {C2, o.C2},       {DS, o.DS},         {DSY, o.DSY},
             {LS, o.LS},       {LSM, o.LSM},     {FEQ, o.FEQ},     {M, o.M},           {DFPR, o.DFPR},
             {DSRPR, o.DSRPR}, {DF, o.DF},       {chord, o.chord}, {feed_axis, o.feed_axis},
             {length, o.length}, {height, o.height}}};
}

constexpr const char* kOffsetSets =
    "the sets of mode 3 are DM, FM, one of H, HC and TH0, one of BETA, E, ALPHA and TE (or FDE), and one of DS, LS, "
    "LSM, C2, DFPR and DSRPR (cases 1 to 24); DM, TH0, TE (or FDE), BETA and one of DS, LS, LSM, C2, DFPR and DSRPR "
    "(cases 25 to 30); DM, TH0, BETA, LS, DFPR (case 31); DF may describe the horn";

static_assert(sizeof(OffsetDesign) <= kRecordFloats * sizeof(float));
OffsetDesign record_of(const Design& d) {
    OffsetDesign o;
    std::memcpy(static_cast<void*>(&o), d.record.data(), sizeof o);
    return o;
}

class OffsetCase final : public Case {
public:
    OffsetCase(const Family& family, const Given& given);

    int mode() const override { return 3; }
    int number() const override { return number_; }
    std::string title() const override;
    bool solved(Value v) const override { return (solved_mask_ >> static_cast<unsigned>(v)) & 1u; }
    void solve(Design& d, std::span<const Varying> varying) const override;
    std::string check_reason(const Design& d, Check c) const override;
    Antenna antenna(const Design& d) const override;
    std::vector<Value> table_columns() const override;

private:
    std::uint32_t checks(const OffsetDesign& d, Status status) const;

    int number_ = 0;
    bool horn_ = false;  // with DF: the feed's horn is checked
    bool cassegrain_ = false;
    OffsetInputs base_;                   // the fixed values
    std::vector<std::string> names_;      // the quantities of its case, as given
    std::vector<Key> given_;              // the quantities given, DF among them
    std::uint64_t solved_mask_ = 0;       // bit per column that the case solves
    std::uint64_t derivable_mask_ = 0;    // solved values that follow from given ones alone
};

OffsetCase::OffsetCase(const Family& family, const Given& given) : Case(family) {
    if (given.has(Key::TE) && given.has(Key::FDE)) throw InputError("give TE or FDE, not both");
    for (Key k : {Key::LM, Key::LP})
        if (given.has(k))
            throw InputError(std::string(info(k).name) + " belongs to modes 1 and 2, not to an offset design (mode 3)");
    horn_ = given.has(Key::DF);
    cassegrain_ = given.find(Key::type)->value == -1.0f;

    std::vector<Key> keys;
    for (const Given::Item& a : given.items)
        if (info(a.key).kind == KeyKind::design && a.key != Key::DF) keys.push_back(a.key);
    for (int k = 1; k <= kOffsetCases && number_ == 0; ++k) {
        const auto names = offset_case_names(k).names;
        if (keys.size() != names.size()) continue;
        std::vector<std::string> as_given;
        for (std::string_view n : names) {
            for (Key key : standing_for(n, k <= 24))
                if (std::find(keys.begin(), keys.end(), key) != keys.end()) as_given.emplace_back(info(key).name);
        }
        if (as_given.size() == names.size()) {
            number_ = k;
            names_ = as_given;
        }
    }
    if (number_ == 0) {
        std::string what;
        for (Key k : keys) what += (what.empty() ? "" : ", ") + std::string(info(k).name);
        throw InputError((what.empty() ? std::string("no design quantities") : what) +
                         " match no case of mode 3 (offset): " + kOffsetSets);
    }
    const bool e_shape = number_ >= 7 && number_ <= 12;
    if (const Given::Item* r = given.find(Key::root)) {
        if (!e_shape) throw InputError("root chooses between the two designs of a given E, and E is not given");
        if (r->value != 1.0f && r->value != 2.0f) throw InputError("root must be 1 or 2, not " + std::string(r->text));
        base_.root = static_cast<int>(r->value);
    }
    base_.t = given.find(Key::type)->value;
    for (const Given::Item& a : given.items) {
        if (info(a.key).kind != KeyKind::design || a.varies) continue;
        offset_input(base_, a.key) = a.value;
    }
    // What the case solves: every value it is not given.
    solved_mask_ = (std::uint64_t{1} << kColumnCount) - 1;
    for (const std::string& n : names_)
        for (std::size_t c = 0; c < kColumnCount; ++c)
            if (kColumns[c].name == n) solved_mask_ &= ~(std::uint64_t{1} << c);
    solved_mask_ &= ~(bit(DF) | bit(designs));
    // What follows from the given quantities alone: the other two of H, HC
    // and TH0 from DM, FM and one of them; FDE from TE, or TE from FDE.
    if (number_ <= 24) derivable_mask_ |= bit(H) | bit(HC) | bit(TH0);
    if (given.has(Key::TE) || given.has(Key::FDE)) derivable_mask_ |= bit(TE) | bit(FDE);
    for (const Given::Item& a : given.items)
        if (info(a.key).kind == KeyKind::design) given_.push_back(a.key);
}

std::string OffsetCase::title() const {
    std::string s = cassegrain_ ? "Cassegrain" : "Gregorian";
    s += ", mode 3 (offset), case " + std::to_string(number_) + ": ";
    for (const std::string& n : names_) s += n + ", ";
    s.resize(s.size() - 2);
    if (horn_) s += ", DF";
    return s + " given";
}

std::vector<Value> OffsetCase::table_columns() const {
    std::vector<Value> cols;
    for (std::size_t c = 0; c < 21; ++c) cols.push_back(static_cast<Value>(c));
    if (horn_) cols.push_back(value(DF));
    return cols;
}

std::uint32_t OffsetCase::checks(const OffsetDesign& d, Status status) const {
    std::uint32_t checks = 0;
    const bool no_solution = status != Status::solved;
    auto given = [&](Col v) { return !(solved_mask_ & bit(v)) || (derivable_mask_ & bit(v)); };
    // The values checked: all but the four derived from the rest.
    const auto all = offset_values(d);
    const std::span<const std::pair<Col, float>> shown(all.data(), all.size() - 4);
    for (const auto& [v, x] : shown) {
        if (v == DF && !horn_) continue;
        if (no_solution && !given(v)) continue;
        if (!std::isfinite(x)) checks |= bit(Check::non_finite);
    }
    if (no_solution) checks |= bit(Check::no_solution);
    auto has = [&](float x, Col v) { return std::isfinite(x) && (!no_solution || given(v)); };
    for (const auto& [v, x] : shown) {
        const bool positive =
            std::find(std::begin(kPositive), std::end(kPositive), v) != std::end(kPositive) && (v != DF || horn_);
        if (positive && has(x, v) && x <= 0) checks |= bit(Check::non_positive);
    }
    if (has(d.E, E) && (cassegrain_ ? !(d.E > 1) : !(d.E > 0 && d.E < 1))) checks |= bit(Check::wrong_conic);
    auto outside = [](float x, float hi) { return std::isfinite(x) && (x <= 0 || x >= hi); };
    if ((has(d.TE, TE) && outside(d.TE, 90)) || (has(d.BETA, BETA) && outside(d.BETA, 90)) ||
        (has(d.ALPHA, ALPHA) && outside(d.ALPHA, 180)) || (has(d.ALPHA, ALPHA) && has(d.BETA, BETA) && d.ALPHA <= d.BETA))
        checks |= bit(Check::angle_range);
    // The sub's size: its width in the plane of symmetry and across it.
    if (has(d.DM, DM) && ((has(d.DS, DS) && d.DS >= d.DM) || (has(d.DSY, DSY) && d.DSY >= d.DM)))
        checks |= bit(Check::sub_not_smaller);
    if (no_solution) return checks;
    // Each of the rest is made when the values it needs are finite, whatever
    // the others are.
    auto finite = [](std::initializer_list<float> xs) {
        return std::all_of(xs.begin(), xs.end(), [](float x) { return std::isfinite(x); });
    };
    if (cassegrain_ && finite({d.E, d.ALPHA, d.TE}) && d.E > 1 && double(d.ALPHA) + double(d.TE) >= asymptote_degrees(d.E))
        checks |= bit(Check::beyond_asymptote);
    if (finite({d.DSRPR, d.DM}) && d.DSRPR < -1e-6f * d.DM) checks |= bit(Check::sub_blocks);
    if (finite({d.DM, d.FM, d.H, d.BETA, d.E, d.ALPHA, d.TE, d.AS, d.DFPR}) && (!horn_ || std::isfinite(d.DF)) &&
        feed_blocks(d))
        checks |= bit(Check::feed_blocks);
    if (finite({d.E, d.M, d.FM, d.DM, d.BETA, d.ALPHA, d.TH0, d.TE, d.H, d.FS, d.AS}) &&
        offset_inconsistency(d) > kConsistencyTolerance)
        checks |= bit(Check::inconsistent);
    return checks;
}

void OffsetCase::solve(Design& d, std::span<const Varying> varying) const {
    OffsetInputs in = base_;
    for (const Varying& x : varying) offset_input(in, x.key) = x.value;
    OffsetDesign o;
    d.status = solve_offset(number_, in, o);
    // A quantity given shows as given, whatever the solver made of it.
    for (Key k : given_) offset_input(o, k) = offset_input(in, k);
    std::memcpy(d.record.data(), &o, sizeof o);

    for (const auto& [v, x] : offset_values(o)) d.values[v] = x;
    std::uint64_t present = (std::uint64_t{1} << kColumnCount) - 1;
    if (!horn_) present &= ~bit(DF);
    // Without a solution: the values given, and those that follow from them
    // alone.
    if (d.status != Status::solved) present &= ~(solved_mask_ & ~derivable_mask_);
    d.present = present;
    d.checks = checks(o, d.status);

    // How many designs meet the inputs and pass their checks: with E, the
    // design of the other root counts too.
    int passing = d.ok() ? 1 : 0;
    if (number_ >= 7 && number_ <= 12) {
        OffsetInputs other = in;
        other.root = in.root == 2 ? 1 : 2;
        OffsetDesign od{};
        const Status os = solve_offset(number_, other, od);
        for (Key k : given_) offset_input(od, k) = offset_input(other, k);
        passing += checks(od, os) == 0 ? 1 : 0;
    }
    d.values[designs] = static_cast<float>(passing);
}

std::string OffsetCase::check_reason(const Design& d, Check c) const {
    auto finite = [&](Col x) { return d.has(value(x)) && std::isfinite(d.values[x]); };
    const auto& v = d.values;
    std::vector<std::string> parts;
    switch (c) {
    case Check::no_solution:
        return std::string(reasons::kNoRealRoot);
    case Check::non_finite:
        // The values checked: the design's own, not those derived from them.
        for (std::size_t x = 0; x <= DF; ++x)
            if (d.has(static_cast<Value>(x)) && !std::isfinite(v[x])) parts.push_back(name_value(Col(x), v[x]));
        return reasons::not_finite(parts);
    case Check::non_positive:
        for (Col x : kPositive)
            if (finite(x) && v[x] <= 0) parts.push_back(name_value(x, v[x]) + " is not positive");
        return reasons::joined(parts);
    case Check::wrong_conic:
        return cassegrain_ ? "a Cassegrain's sub is a hyperboloid, E > 1: " + name_value(E, v[E])
                           : "a Gregorian's sub is an ellipsoid, 0 < E < 1: " + name_value(E, v[E]);
    case Check::sub_not_smaller:
        for (Col x : {DS, DSY})
            if (finite(x) && finite(DM) && v[x] >= v[DM])
                parts.push_back(name_value(x, v[x]) + " is not smaller than " + name_value(DM, v[DM]));
        return reasons::joined(parts);
    case Check::angle_range: {
        auto outside = [&](Col x, float hi) {
            if (finite(x) && (v[x] <= 0 || v[x] >= hi))
                parts.push_back(name_value(x, v[x]) + " is not between 0 and " + shown(hi) + " degrees");
        };
        outside(TE, 90);
        outside(BETA, 90);
        outside(ALPHA, 180);
        if (finite(ALPHA) && finite(BETA) && v[ALPHA] <= v[BETA])
            parts.push_back(name_value(ALPHA, v[ALPHA]) + " is not larger than " + name_value(BETA, v[BETA]));
        return reasons::joined(parts);
    }
    case Check::inconsistent:
        return reasons::inconsistent(offset_inconsistency(record_of(d)));
    case Check::beyond_asymptote: {
        const double limit = asymptote_degrees(v[E]);
        return "ALPHA + TE = " + shown(static_cast<float>(double(v[ALPHA]) + double(v[TE]))) +
               " reaches the hyperboloid's asymptote at " + shown(static_cast<float>(limit)) +
               " degrees from its axis: the edge rays miss the sub";
    }
    case Check::sub_blocks:
        return name_value(DSRPR, v[DSRPR]) + " is negative: the sub's edge stands in the beam column";
    case Check::feed_blocks:
        return horn_ ? "the horn's aperture (DF = " + shown(v[DF]) +
                           ") stands in the beam column or the rays between sub and main, or reaches the sub"
                     : "the feed's phase centre stands in the beam column or the rays between sub and main (DFPR = " +
                           shown(v[DFPR]) + ")";
    default:
        return {};
    }
}

Antenna OffsetCase::antenna(const Design& d) const {
    const OffsetDesign o = record_of(d);
    const OffsetFrame fr = offset_frame(o);
    Antenna a;
    a.type = cassegrain_ ? "cassegrain" : "gregorian";
    a.solved = !d.failed(Check::no_solution) && !d.failed(Check::non_finite);
    a.focal_length = fr.FM;
    a.main.name = "main";
    a.main.surface = {{0, 0, 0}, {0, 0, 1}, 1.0, 2 * fr.FM};
    a.main.trim = {Trim::Kind::cylinder, {fr.H, 0, 0}, {0, 0, 1}, fr.DM / 2};
    a.main.width_x = a.main.width_y = o.DM;
    Reflector sub;
    sub.name = "sub";
    sub.surface = {fr.feed, fr.w, fr.e, fr.p, fr.a};
    sub.width_x = o.DS;
    sub.width_y = o.DSY;
    sub.trim = {Trim::Kind::cone, fr.feed, fr.axis, fr.te};
    sub.failed = d.failed(Check::sub_blocks);
    a.sub = sub;
    a.feed.phase_centre = fr.feed;
    a.feed.axis = fr.axis;
    a.feed.half_angle = fr.te;
    a.feed.half_angle_degrees = o.TE;
    if (horn_) a.feed.horn_diameter = o.DF;
    a.feed.failed = d.failed(Check::feed_blocks);
    a.aperture.centre = {fr.H, 0, 0};
    a.aperture.diameter = fr.DM;
    return a;
}

constexpr TypeName kTypes[] = {{"cassegrain", -1.0f, true}, {"gregorian", 1.0f, true}};
constexpr std::string_view kPlotted[] = {"DM", "FM", "H", "DS", "LS", "LSM", "C2"};
constexpr std::string_view kAlwaysPlotted[] = {"AS", "FS"};

std::string_view help(Key k) {
    switch (k) {
    case Key::DS: return "width of the sub rim in the plane of symmetry, across the sub axis (DSY: across the plane)";
    case Key::LS: return "feed phase centre to the sub along the feed axis";
    case Key::DF: return "aperture diameter of the feed's horn, its rim on the edge rays";
    default: return {};
    }
}
// Any quantity of its own selects the family over the axisymmetric one.
int claims(const Given& given) {
    for (Key k : {Key::BETA, Key::H, Key::HC, Key::TH0, Key::ALPHA, Key::E, Key::LSM, Key::C2, Key::DFPR, Key::DSRPR})
        if (given.has(k)) return 2;
    return 0;
}
std::unique_ptr<Case> select(const Given& given, const Family& family) {
    return std::make_unique<OffsetCase>(family, given);
}

}  // namespace

extern const Family kOffsetFamily = {
    "offset", kTypes, {kColumns, 21}, help, claims, select,
    (1u << static_cast<unsigned>(Capability::offset_files)) | (1u << static_cast<unsigned>(Capability::sketch)) |
        (1u << static_cast<unsigned>(Capability::sub)),
    kPlotted, kAlwaysPlotted, "AS",
    "Any of H, HC, TH0, BETA, ALPHA, E, LSM, C2, DFPR, DSRPR selects mode 3, an offset design: DM, FM, one of "
    "H/HC/TH0, one of BETA/E/ALPHA/TE (or FDE) and one of DS/LS/LSM/C2/DFPR/DSRPR (cases 1-24); DM, TH0, TE, BETA "
    "and one of those six (cases 25-30); or DM, TH0, BETA, LS, DFPR (case 31); DF then describes the horn.",
};

}  // namespace geometry
