// Design families as modules.  A family declares in one place its name and
// type values, the quantities it takes and what they mean in it, its output
// columns in CSV order, and how a set of given quantities selects one of
// its cases; the case it selects solves and checks the rows of a study and
// describes each solved design as an antenna model.  Everything above this
// layer learns the families from the registry (families()), and no consumer
// asks which family a design belongs to.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/antenna.hpp"
#include "geometry/quantities.hpp"
#include "geometry/solvers.hpp"

namespace geometry {

// A column of a family's rows, by its position among the family's columns.
enum class Value : std::uint8_t {};
inline constexpr std::size_t kMaxColumns = 48;

// What a column holds: a length in the design's unit, an angle in degrees,
// a pure number, or a count.
enum class ColumnKind : std::uint8_t { length, angle, number, count };

struct ColumnInfo {
    std::string_view name;
    ColumnKind kind;
};

// The columns of a family's rows, in order, and how many come before check
// (at least one).
struct ColumnSet {
    std::span<const ColumnInfo> columns;
    std::size_t before_check;
    std::size_t size() const { return columns.size(); }
    // The column of a name, or false.
    bool find(std::string_view name, Value& v) const;
};

// The room a family has in a row for its own solved record (what it builds
// the antenna model from); families copy a struct of floats into it.
inline constexpr std::size_t kRecordFloats = 32;

// One row: the design as solved and what the program shows of it.
struct Design {
    std::int64_t index = 0;  // 0-based, in sweep order
    Status status = Status::solved;
    // Left uninitialised (a row costs what it writes): a family writes every
    // value it shows, and nothing reads the others.
    std::array<float, kMaxColumns> values;
    std::uint64_t present = 0;  // bit per column: empty when clear
    std::uint32_t checks = 0;   // bit per Check: none is "ok"
    std::array<float, kRecordFloats> record;  // the family's own

    bool has(Value v) const { return (present >> static_cast<unsigned>(v)) & 1u; }
    float operator[](Value v) const { return values[static_cast<std::size_t>(v)]; }
    bool failed(Check c) const { return (checks >> static_cast<unsigned>(c)) & 1u; }
    bool ok() const { return checks == 0; }
};

// What a study gives, for a family to choose its case: each quantity given
// (in the order first named), whether it varies from row to row, and its
// fixed value (type: its code; unit: its index).
struct Given {
    struct Item {
        Key key;
        bool varies;
        float value;
        std::string_view text;  // as typed
    };
    std::vector<Item> items;
    const Item* find(Key k) const {
        for (const Item& i : items)
            if (i.key == k) return &i;
        return nullptr;
    }
    bool has(Key k) const { return find(k) != nullptr; }
};

// A quantity's value in one row of a sweep or of a caller's arrays.
struct Varying {
    Key key;
    float value;
};

// What a file or picture needs of a design and that a family may not have.
enum class Capability : std::uint8_t {
    revolution,    // surfaces of revolution: .rsf and CHAMP profiles, cassbeam
    offset_files,  // an offset design's surface grids (.sfc) and GRASP objects (.tor)
    sketch,        // a sketch with every quantity named
    sub,           // a subreflector
};

class Case;

struct TypeName {
    std::string_view name;  // as typed: "cassegrain"
    float code;             // what type= stores
    bool numeric;           // the code may be typed instead of the name
};

// A family: what it is and how it selects its case.
struct Family {
    std::string_view name;               // "offset"
    std::span<const TypeName> types;     // the type values it serves
    ColumnSet columns;
    // What a quantity is in this family where it says more than the shared
    // help; empty for the shared one.
    std::string_view (*help)(Key k);
    // How strongly the family claims a set of given quantities: 0 not at
    // all; the strongest claim wins (a family of the same types that takes
    // more quantities claims them by a higher number).
    int (*claims)(const Given& given);
    // The case for the given quantities; throws InputError for a set that
    // selects none, naming the sets that would.
    std::unique_ptr<Case> (*select)(const Given& given, const Family& family);
    std::uint32_t capabilities;  // bit per Capability
    // The quantities of a plot: those drawn when they are solved, then those
    // always drawn.
    std::span<const std::string_view> plotted, always_plotted;
    std::string_view plot_default;  // the value plotted when the case solves none of `plotted`
    // What selects the family's modes and cases, for --help: a sentence or
    // two, unwrapped.
    std::string_view summary;

    bool can(Capability c) const { return (capabilities >> static_cast<unsigned>(c)) & 1u; }
};

// One study's case of a family: it solves, checks and describes its rows.
class Case {
public:
    explicit Case(const Family& family) : family_(family) {}
    virtual ~Case() = default;
    const Family& family() const { return family_; }

    virtual int mode() const = 0;    // the mode number of the rows
    // The columns of the rows (by default the family's).
    virtual const ColumnSet& columns() const { return family_.columns; }
    virtual int number() const = 0;  // the case number
    // "Cassegrain, mode 1 (no condition), case 6: DM, FM, DS, TE given"
    virtual std::string title() const = 0;
    // Whether a value is one the case solves (rather than one given).
    virtual bool solved(Value v) const = 0;
    // Solves row d.index with the values that vary, and checks it.
    virtual void solve(Design& d, std::span<const Varying> varying) const = 0;
    // What a failed check means, in words, with the values at fault.
    virtual std::string check_reason(const Design& d, Check c) const = 0;
    // The antenna a solved row describes.
    virtual Antenna antenna(const Design& d) const = 0;
    // The columns of the fixed-width table, in order.
    virtual std::vector<Value> table_columns() const = 0;
    // Whether the case's designs have what a file or picture needs (by
    // default, what the family declares).
    virtual bool can(Capability c) const { return family_.can(c); }
    // Why a file needs what this case lacks, for the one-line message of a
    // consumer that cannot serve it; empty to use the consumer's own.
    virtual std::string lacks(Capability c) const { (void)c; return {}; }

private:
    const Family& family_;
};

// The registered families, in the order in which they are tried.
std::span<const Family* const> families();
// Adds a family to the registry (before any study is made: the registry is
// read without a lock).
void register_family(const Family& family);

// The type names of every family: "cassegrain, gregorian, prime".
std::string type_names(bool with_codes);
// What a quantity is, in words: type= lists the types of the family given,
// or of every family.
std::string help_of(const KeyInfo& k, const Family* family = nullptr);

// The largest relative residual an identity of a solved design may have
// after single-precision rounding through a solver's steps.
inline constexpr double kConsistencyTolerance = 1.0 / (1 << 12);

}  // namespace geometry
