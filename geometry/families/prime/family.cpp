// Prime-focus designs (mode 4, type=prime): a paraboloid of diameter DM and
// focal length FM with the feed's phase centre at its focus.  Without H,
// HC or TH0 the paraboloid is axisymmetric (cases 1 to 3: two of DM, FM
// and TE); with one of them it is the parent paraboloid cut by a cylinder of
// diameter DM parallel to the axis, H from it (cases 4 to 18: three of DM,
// FM, H or HC, TH0 and TE).  The feed then looks along the bisector of the
// angles thetaU and thetaL under which the focus sees the rim in the plane
// of symmetry, tan(theta/2) = (H +- DM/2) / (2 FM): TH0 = (thetaU +
// thetaL) / 2, TE = (thetaU - thetaL) / 2.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "geometry/families/reasons.hpp"
#include "geometry/family.hpp"
#include "textio/shortest.hpp"

namespace geometry {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

enum Col : std::uint8_t { DM, FM, f_D, H, HC, TH0, TE, theta_U, theta_L, depth, DF, kColumnCount };
using K = ColumnKind;
constexpr ColumnInfo kColumns[kColumnCount] = {
    {"DM", K::length}, {"FM", K::length},     {"f_D", K::number},     {"H", K::length},
    {"HC", K::length}, {"TH0", K::angle},     {"TE", K::angle},       {"theta_U", K::angle},
    {"theta_L", K::angle}, {"depth", K::length}, {"DF", K::length},
};
constexpr std::size_t kBeforeCheck = 10;

constexpr std::uint64_t bit(Col c) { return std::uint64_t{1} << c; }
constexpr std::uint32_t bit(Check c) { return 1u << static_cast<unsigned>(c); }
Value value(Col c) { return static_cast<Value>(c); }
float f(double v) { return static_cast<float>(v); }
double rad(double deg) { return deg * (kPi / 180); }
double deg(double r) { return r * (180 / kPi); }

using reasons::shown;
std::string name_value(Col c, float x) { return reasons::name_value(kColumns[c].name, x); }

// The quantities of each case: 1 to 3 axisymmetric, 4 to 18 offset.
struct CaseKeys {
    std::array<Key, 3> keys;
    int count;
};
constexpr CaseKeys kCases[] = {
    {{Key::DM, Key::FM}, 2},           {{Key::DM, Key::TE}, 2},          {{Key::FM, Key::TE}, 2},
    {{Key::DM, Key::FM, Key::H}, 3},   {{Key::DM, Key::FM, Key::HC}, 3}, {{Key::DM, Key::FM, Key::TH0}, 3},
    {{Key::DM, Key::H, Key::TH0}, 3},  {{Key::DM, Key::HC, Key::TH0}, 3}, {{Key::DM, Key::H, Key::TE}, 3},
    {{Key::DM, Key::HC, Key::TE}, 3},  {{Key::DM, Key::TH0, Key::TE}, 3}, {{Key::FM, Key::H, Key::TH0}, 3},
    {{Key::FM, Key::HC, Key::TH0}, 3}, {{Key::FM, Key::H, Key::TE}, 3},  {{Key::FM, Key::HC, Key::TE}, 3},
    {{Key::FM, Key::TH0, Key::TE}, 3}, {{Key::H, Key::TH0, Key::TE}, 3}, {{Key::HC, Key::TH0, Key::TE}, 3},
};
constexpr int kCaseCount = 18;
constexpr int kAxisymmetricCases = 3;

// What a case takes (angles in degrees; NaN: not given), and the design.
struct Inputs {
    float DM = kNaN, FM = kNaN, H = kNaN, HC = kNaN, TH0 = kNaN, TE = kNaN, DF = kNaN;
};
struct Solved {
    float DM, FM, f_D, H, HC, TH0, TE, theta_U, theta_L, depth, DF;
};
static_assert(sizeof(Solved) <= kRecordFloats * sizeof(float));

float& input(Inputs& in, Key k) {
    switch (k) {
    case Key::DM: return in.DM;
    case Key::FM: return in.FM;
    case Key::H: return in.H;
    case Key::HC: return in.HC;
    case Key::TH0: return in.TH0;
    case Key::TE: return in.TE;
    default: return in.DF;
    }
}
float& member(Solved& s, Key k) {
    switch (k) {
    case Key::DM: return s.DM;
    case Key::FM: return s.FM;
    case Key::H: return s.H;
    case Key::HC: return s.HC;
    case Key::TH0: return s.TH0;
    case Key::TE: return s.TE;
    default: return s.DF;
    }
}

// asin and acos of a value that may lie outside [-1, 1]: false then.
bool arcsin(double x, double& out) {
    if (!(x >= -1 && x <= 1)) return false;
    out = std::asin(x);
    return true;
}
bool arccos(double x, double& out) {
    if (!(x >= -1 && x <= 1)) return false;
    out = std::acos(x);
    return true;
}

// Solves case `number`: the focal length and the rim angles, then the rest.
Status solve_prime(int number, const Inputs& in, Solved& out) {
    const double DM = in.DM, FM_in = in.FM, a = rad(in.TH0), b = rad(in.TE);
    double H = in.H;
    if (std::isnan(H) && !std::isnan(in.HC) && !std::isnan(in.DM)) H = double(in.HC) + DM / 2;
    double FM = FM_in, up = kNaN, low = kNaN;  // the rim angles thetaU and thetaL, radians
    bool ok = true;
    auto from_bisector = [&](double th0, double te) { up = th0 + te, low = th0 - te; };
    switch (number) {
    case 1: up = 2 * std::atan(DM / (4 * FM)), low = -up; break;
    case 2: FM = DM / (4 * std::tan(b / 2)), up = b, low = -b; break;
    case 3: up = b, low = -b; break;
    case 4:
    case 5:
        up = 2 * std::atan((H + DM / 2) / (2 * FM));
        low = 2 * std::atan((H - DM / 2) / (2 * FM));
        break;
    case 6: {  // 2 sin TE - k cos TE = k cos TH0, k = DM / (2 FM)
        const double k = DM / (2 * FM);
        double s = 0;
        ok = arcsin(k * std::cos(a) / std::sqrt(4 + k * k), s);
        from_bisector(a, std::atan2(k, 2) + s);
        break;
    }
    case 7:
    case 8: {  // sin TE / sin TH0 = DM / (2 H)
        double te = 0;
        ok = arcsin(DM * std::sin(a) / (2 * H), te);
        FM = H * (std::cos(te) + std::cos(a)) / (2 * std::sin(a));
        from_bisector(a, te);
        break;
    }
    case 9:
    case 10: {
        double th0 = 0;
        ok = arcsin(2 * H * std::sin(b) / DM, th0);
        FM = DM * (std::cos(b) + std::cos(th0)) / (4 * std::sin(b));
        from_bisector(th0, b);
        break;
    }
    case 11:
        FM = DM * (std::cos(b) + std::cos(a)) / (4 * std::sin(b));
        from_bisector(a, b);
        break;
    case 12: {  // H / FM = 2 sin TH0 / (cos TE + cos TH0)
        double te = 0;
        ok = arccos(2 * FM * std::sin(a) / H - std::cos(a), te);
        from_bisector(a, te);
        break;
    }
    case 13:
        low = 2 * std::atan(double(in.HC) / (2 * FM));
        up = 2 * a - low;
        break;
    case 14: {  // 2 sin TH0 - q cos TH0 = q cos TE, q = H / FM
        const double q = H / FM;
        double s = 0;
        ok = arcsin(q * std::cos(b) / std::sqrt(4 + q * q), s);
        from_bisector(std::atan2(q, 2) + s, b);
        break;
    }
    case 15:
        low = 2 * std::atan(double(in.HC) / (2 * FM));
        up = low + 2 * b;
        break;
    case 16: from_bisector(a, b); break;
    case 17:
        FM = H * (std::cos(b) + std::cos(a)) / (2 * std::sin(a));
        from_bisector(a, b);
        break;
    case 18:
        from_bisector(a, b);
        FM = double(in.HC) / (2 * std::tan(low / 2));
        break;
    default: ok = false;
    }
    const double tu = std::tan(up / 2), tl = std::tan(low / 2);
    const double dm = number <= kAxisymmetricCases ? (number == 1 ? DM : 4 * FM * std::tan(b / 2)) : 2 * FM * (tu - tl);
    const double h = number <= kAxisymmetricCases ? 0.0 : FM * (tu + tl);
    out.DM = f(number == 1 || number == 2 ? DM : dm);
    out.FM = f(FM);
    out.H = f(h);
    out.HC = number <= kAxisymmetricCases ? kNaN : f(h - dm / 2);
    out.TH0 = f(deg((up + low) / 2));
    out.TE = f(deg((up - low) / 2));
    out.theta_U = f(deg(up));
    out.theta_L = f(deg(low));
    out.DF = in.DF;
    return ok ? Status::solved : Status::negative_radicand;
}

// The values that follow from the rest: f/D and the depth of the rim's
// plane, DM^2 / (16 FM) measured normal to it (tilted by H / (2 FM)).
void derive(Solved& s) {
    s.f_D = f(double(s.FM) / double(s.DM));
    const double slope = double(s.H) / (2 * double(s.FM));
    s.depth = f(double(s.DM) * double(s.DM) / (16 * double(s.FM)) / std::sqrt(1 + slope * slope));
}

Solved record_of(const Design& d) {
    Solved s;
    std::memcpy(&s, d.record.data(), sizeof s);
    return s;
}

class PrimeCase final : public Case {
public:
    PrimeCase(const Family& family, const Given& given);

    int mode() const override { return 4; }
    int number() const override { return number_; }
    std::string title() const override;
    bool solved(Value v) const override { return (solved_mask_ >> static_cast<unsigned>(v)) & 1u; }
    void solve(Design& d, std::span<const Varying> varying) const override;
    std::string check_reason(const Design& d, Check c) const override;
    Antenna antenna(const Design& d) const override;
    std::vector<Value> table_columns() const override;
    // DF follows check when a horn is given.
    const ColumnSet& columns() const override { return horn_ ? family().columns : without_horn_; }
    bool can(Capability c) const override {
        if (c == Capability::revolution) return axisymmetric();
        if (c == Capability::offset_files) return !axisymmetric();
        return c == Capability::sketch;
    }
    std::string lacks(Capability c) const override {
        if (c == Capability::sub) return "a prime-focus design (mode 4) has no subreflector";
        if (c == Capability::revolution)
            return "the .rsf and CHAMP files and cassbeam take surfaces of revolution; for an offset prime-focus design "
                   "(mode 4 with H, HC or TH0) write --sfc-main and --tor";
        if (c == Capability::offset_files)
            return "--sfc-main and --tor are for offset designs; an axisymmetric prime-focus design (mode 4 without H, HC "
                   "or TH0) has --rsf-main, --champ-main and --profile";
        return {};
    }

private:
    bool axisymmetric() const { return number_ <= kAxisymmetricCases; }
    double inconsistency(const Solved& s) const;

    int number_ = 0;
    bool horn_ = false;
    Inputs base_;
    std::vector<Key> given_;
    std::uint64_t solved_mask_ = 0;
    ColumnSet without_horn_{std::span<const ColumnInfo>(kColumns, kBeforeCheck), kBeforeCheck};
};

constexpr const char* kSets =
    "its cases take DM, FM; DM, TE; FM, TE (axisymmetric, cases 1 to 3) and three of DM, FM, H or HC, TH0 and TE "
    "with H, HC or TH0 among them (offset, cases 4 to 18); DF may describe the horn";

PrimeCase::PrimeCase(const Family& family, const Given& given) : Case(family) {
    std::vector<Key> keys;
    for (const Given::Item& a : given.items) {
        const KeyInfo& k = info(a.key);
        if (k.kind == KeyKind::choice || a.key == Key::FDE || a.key == Key::LM || a.key == Key::DS || a.key == Key::LS ||
            a.key == Key::LP || a.key == Key::BETA || a.key == Key::ALPHA || a.key == Key::E || a.key == Key::LSM ||
            a.key == Key::C2 || a.key == Key::DFPR || a.key == Key::DSRPR)
            throw InputError(std::string(k.name) + " is no quantity of a prime-focus design (mode 4): it takes DM, FM, "
                             "H or HC, TH0, TE and DF" + (a.key == Key::FDE ? " (give TE, the rim angle)" : ""));
        if (k.kind == KeyKind::design && a.key != Key::DF) keys.push_back(a.key);
    }
    if (given.has(Key::H) && given.has(Key::HC)) throw InputError("give H or HC, not both");
    for (int n = 1; n <= kCaseCount && number_ == 0; ++n) {
        const CaseKeys& c = kCases[n - 1];
        if (keys.size() != static_cast<std::size_t>(c.count)) continue;
        bool all = true;
        for (int i = 0; i < c.count; ++i) all = all && std::find(keys.begin(), keys.end(), c.keys[i]) != keys.end();
        if (all) number_ = n;
    }
    if (number_ == 0) {
        std::string what;
        for (Key k : keys) what += (what.empty() ? "" : ", ") + std::string(info(k).name);
        throw InputError((what.empty() ? std::string("no design quantities") : what) +
                         " match no case of mode 4 (prime focus); " + kSets);
    }
    horn_ = given.has(Key::DF);
    for (const Given::Item& a : given.items) {
        if (info(a.key).kind != KeyKind::design) continue;
        given_.push_back(a.key);
        if (!a.varies) input(base_, a.key) = a.value;
    }
    // What the case solves: the columns of no quantity given.
    solved_mask_ = bit(DM) | bit(FM) | bit(H) | bit(HC) | bit(TH0) | bit(TE);
    for (Key k : keys)
        for (std::size_t c = 0; c < kColumnCount; ++c)
            if (kColumns[c].name == info(k).name) solved_mask_ &= ~(std::uint64_t{1} << c);
    if (given.has(Key::HC)) solved_mask_ &= ~bit(H);  // H follows from HC and DM
    if (given.has(Key::H) && given.has(Key::DM)) solved_mask_ &= ~bit(HC);
    solved_mask_ |= bit(theta_U) | bit(theta_L);
}

std::string PrimeCase::title() const {
    std::string s = axisymmetric() ? "Prime focus, mode 4 (axisymmetric), case " : "Prime focus, mode 4 (offset), case ";
    s += std::to_string(number_) + ": ";
    const CaseKeys& c = kCases[number_ - 1];
    for (int i = 0; i < c.count; ++i) s += std::string(i == 0 ? "" : ", ") + std::string(info(c.keys[i]).name);
    if (horn_) s += ", DF";
    return s + " given";
}

std::vector<Value> PrimeCase::table_columns() const {
    std::vector<Value> cols;
    for (std::size_t c = 0; c < kBeforeCheck; ++c) cols.push_back(static_cast<Value>(c));
    if (horn_) cols.push_back(value(DF));
    return cols;
}

double PrimeCase::inconsistency(const Solved& s) const {
    const double up = rad(s.theta_U), low = rad(s.theta_L), tu = std::tan(up / 2), tl = std::tan(low / 2);
    const double FM = s.FM;
    auto rel = [](double residual, double size) { return size == 0 ? 0.0 : std::fabs(residual) / size; };
    double worst = 0;
    auto take = [&worst](double r) { worst = std::max(worst, r); };
    take(rel(s.DM - 2 * FM * (tu - tl), std::fabs(s.DM) + 2 * std::fabs(FM) * (std::fabs(tu) + std::fabs(tl))));
    take(rel(double(s.TH0) - (double(s.theta_U) + double(s.theta_L)) / 2, std::fabs(s.theta_U) + std::fabs(s.theta_L)));
    take(rel(double(s.TE) - (double(s.theta_U) - double(s.theta_L)) / 2, std::fabs(s.theta_U) + std::fabs(s.theta_L)));
    if (!axisymmetric()) {
        take(rel(s.H - FM * (tu + tl), std::fabs(s.H) + std::fabs(FM) * (std::fabs(tu) + std::fabs(tl))));
        take(rel(double(s.HC) - (double(s.H) - double(s.DM) / 2), std::fabs(s.HC) + std::fabs(s.H) + std::fabs(s.DM) / 2));
    }
    return worst;
}

void PrimeCase::solve(Design& d, std::span<const Varying> varying) const {
    Inputs in = base_;
    for (const Varying& x : varying) input(in, x.key) = x.value;
    Solved s;
    d.status = solve_prime(number_, in, s);
    // A quantity given shows as given, whatever the solver made of it.
    for (Key k : given_) member(s, k) = input(in, k);
    derive(s);
    std::memcpy(d.record.data(), &s, sizeof s);
    const float values[kColumnCount] = {s.DM, s.FM, s.f_D, s.H, s.HC, s.TH0, s.TE, s.theta_U, s.theta_L, s.depth, s.DF};
    std::copy(std::begin(values), std::end(values), d.values.begin());

    std::uint64_t present = (std::uint64_t{1} << kColumnCount) - 1;
    if (!horn_) present &= ~bit(DF);
    if (axisymmetric()) present &= ~bit(HC);
    const bool no_solution = d.status != Status::solved;
    if (no_solution) {  // what was given, and f/D when both DM and FM were
        present &= ~(solved_mask_ | bit(depth));
        if (!(present & bit(DM)) || !(present & bit(FM))) present &= ~bit(f_D);
    }
    d.present = present;

    auto shows = [&](Col c) { return (present & bit(c)) != 0; };
    auto has = [&](Col c) { return shows(c) && std::isfinite(values[c]); };
    std::uint32_t checks = 0;
    if (no_solution) checks |= bit(Check::no_solution);
    for (std::size_t c = 0; c < kColumnCount; ++c)
        if (shows(Col(c)) && !std::isfinite(values[c])) checks |= bit(Check::non_finite);
    for (Col c : {DM, FM, DF})
        if (has(c) && values[c] <= 0) checks |= bit(Check::non_positive);
    if ((has(TE) && (values[TE] <= 0 || values[TE] >= 90)) ||
        (has(TE) && has(TH0) && double(values[TH0]) + double(values[TE]) >= 180))
        checks |= bit(Check::angle_range);
    if (!no_solution && !axisymmetric() && has(HC) && has(DM)) {
        // The phase centre at the focus, x = 0, or the rim of the horn's
        // aperture (a cone on the feed axis, its rim on the edge rays), in
        // the column |x - H| < DM/2 above the aperture.
        bool blocks = values[HC] < 0;
        if (horn_ && has(DF) && has(TH0) && has(TE) && has(H)) {
            const double a = rad(values[TH0]), half = double(values[DF]) / 2, reach = half / std::tan(rad(values[TE]));
            const double cx = reach * std::sin(a);
            for (double side : {1.0, -1.0})
                blocks = blocks || std::fabs(cx + side * half * std::cos(a) - double(values[H])) < double(values[DM]) / 2;
        }
        if (blocks) checks |= bit(Check::feed_blocks);
    }
    if (!no_solution && !(checks & bit(Check::non_finite)) && inconsistency(s) > kConsistencyTolerance)
        checks |= bit(Check::inconsistent);
    d.checks = checks;
}

std::string PrimeCase::check_reason(const Design& d, Check c) const {
    const auto& v = d.values;
    auto finite = [&](Col x) { return d.has(value(x)) && std::isfinite(v[x]); };
    std::vector<std::string> parts;
    switch (c) {
    case Check::no_solution:
        return "the case's equations have no real solution for these inputs (the sine or cosine of an angle "
               "beyond 1)";
    case Check::non_finite:
        for (std::size_t x = 0; x < kColumnCount; ++x)
            if (d.has(static_cast<Value>(x)) && !std::isfinite(v[x])) parts.push_back(name_value(Col(x), v[x]));
        return reasons::not_finite(parts);
    case Check::non_positive:
        for (Col x : {DM, FM, DF})
            if (finite(x) && v[x] <= 0) parts.push_back(name_value(x, v[x]) + " is not positive");
        return reasons::joined(parts);
    case Check::angle_range:
        if (finite(TE) && (v[TE] <= 0 || v[TE] >= 90)) parts.push_back(name_value(TE, v[TE]) + " is not between 0 and 90 degrees");
        if (finite(TE) && finite(TH0) && double(v[TH0]) + double(v[TE]) >= 180)
            parts.push_back("TH0 + TE = " + shown(f(double(v[TH0]) + double(v[TE]))) + " is not below 180 degrees");
        return reasons::joined(parts);
    case Check::feed_blocks:
        return horn_ ? "the feed's phase centre or the rim of its horn's aperture (DF = " + shown(v[DF]) +
                           ") stands in the beam column above the aperture (HC = " + shown(v[HC]) + ")"
                     : "the feed's phase centre stands in the beam column above the aperture: " +
                           name_value(HC, v[HC]) + " is negative";
    case Check::inconsistent:
        return reasons::inconsistent(inconsistency(record_of(d)));
    default: return {};
    }
}

Antenna PrimeCase::antenna(const Design& d) const {
    // The values as the row shows them: NaN where it does not.
    auto at = [&](Col c) { return d.has(value(c)) ? double(d.values[c]) : std::numeric_limits<double>::quiet_NaN(); };
    const double DMv = at(DM), FMv = at(FM), Hv = axisymmetric() ? 0.0 : at(H), a = rad(at(TH0));
    Antenna an;
    an.type = "prime";
    an.solved = d.status == Status::solved && !d.failed(Check::non_finite);
    an.focal_length = FMv;
    an.main.name = "main";
    an.main.surface = {{0, 0, 0}, {0, 0, 1}, 1.0, 2 * FMv};
    an.main.trim = {Trim::Kind::cylinder, {Hv, 0, 0}, {0, 0, 1}, DMv / 2};
    an.main.revolved = axisymmetric();
    an.main.width_x = an.main.width_y = DMv;
    an.feed.phase_centre = {0, 0, 0};
    an.feed.axis = axisymmetric() ? Vec3{0, 0, -1} : Vec3{std::sin(a), 0, -std::cos(a)};
    an.feed.half_angle = rad(at(TE));
    an.feed.half_angle_degrees = at(TE);
    if (horn_) an.feed.horn_diameter = at(DF);
    an.feed.failed = d.failed(Check::feed_blocks);
    an.aperture.centre = {Hv, 0, 0};
    an.aperture.diameter = DMv;
    an.aperture.blocked = axisymmetric() && horn_ ? at(DF) : 0.0;
    return an;
}

constexpr TypeName kTypes[] = {{"prime", 0.0f, false}};
constexpr std::string_view kPlotted[] = {"DM", "FM", "H"};
constexpr std::string_view kAlwaysPlotted[] = {"depth"};

std::string_view help(Key k) {
    switch (k) {
    case Key::TE: return "feed half angle to the rim, degrees (the rim angle of an axisymmetric dish)";
    case Key::TH0: return "offset: angle of the feed axis from the main axis, bisecting the rim angles, degrees";
    case Key::DF: return "aperture diameter of the feed's horn, its rim on the edge rays";
    default: return {};
    }
}
int claims(const Given&) { return 1; }
std::unique_ptr<Case> select(const Given& given, const Family& family) {
    return std::make_unique<PrimeCase>(family, given);
}

}  // namespace

extern const Family kPrimeFamily = {
    "prime", kTypes, {kColumns, kBeforeCheck}, help, claims, select,
    (1u << static_cast<unsigned>(Capability::sketch)), kPlotted, kAlwaysPlotted, "depth",
    "type=prime is mode 4, a prime-focus paraboloid with the feed at its focus: two of DM, FM, TE (axisymmetric, "
    "cases 1-3), or three of DM, FM, H or HC, TH0, TE with H, HC or TH0 among them (offset, cases 4-18); DF "
    "describes the horn.",
};

}  // namespace geometry
