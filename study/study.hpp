// A study: the design case that the given quantities select, the fixed
// values and up to two sweeps (the second nested inside the first), and the
// solved, checked design of every row.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/design_cases.hpp"
#include "geometry/offset.hpp"
#include "study/inputs.hpp"

namespace study {

// The numbers of a row: those of the axisymmetric modes in the order of
// their CSV columns after mode, case and type (check comes after M, the
// derived ones after check), then those of offset designs (mode 3).
enum class Value : std::uint8_t {
    DM, FM, LM, DS, LS, TE, FDE, AS, FS, LT, DF, LP, e, M,
    f_D, rim_angle, sub_vertex, F_eq, main_depth,
    H, HC, TH0, BETA, ALPHA, E, C2, DSY, LSM, FEQ, DFPR, DSRPR, chord, feed_axis, length, height, designs,
};
inline constexpr std::size_t kValues = 36;
std::string_view column_name(Value v);

// The columns of a mode's rows, in order, and how many come before check.
struct ColumnSet {
    std::span<const Value> values;
    std::size_t before_check;
};
const ColumnSet& columns_of_mode(int mode);  // 1 and 2 share theirs

// The checks of a design, in the order of their codes.
enum class Check : std::uint8_t {
    no_solution, non_finite, non_positive, wrong_conic, sub_not_smaller, angle_range,
    feed_not_smaller, feed_beyond_focus, inconsistent, beyond_asymptote, sub_blocks, feed_blocks,
};
inline constexpr std::size_t kChecks = 12;
std::string_view code_of(Check c);

// One row: the design as solved and what the program shows of it.
struct Design {
    std::int64_t index = 0;  // 0-based, in sweep order
    geometry::DualReflectorGeometry g;  // TE in radians
    geometry::Status status = geometry::Status::solved;
    // Left uninitialised (a row costs what it writes): a mode writes every
    // value it shows, and nothing reads the others.
    geometry::OffsetDesign offset;  // mode 3
    std::array<float, kValues> values;
    std::uint64_t present = 0;  // bit per Value: empty when clear
    std::uint32_t checks = 0;   // bit per Check: none is "ok"

    bool has(Value v) const { return (present >> static_cast<unsigned>(v)) & 1u; }
    float operator[](Value v) const { return values[static_cast<std::size_t>(v)]; }
    bool failed(Check c) const { return (checks >> static_cast<unsigned>(c)) & 1u; }
    bool ok() const { return checks == 0; }
};

// The failed checks of a set of rows: how many rows fail any check, and per
// check how many fail it and the first (lowest index) that does.
struct CheckTally {
    std::int64_t failed = 0;
    std::array<std::int64_t, kChecks> count{};
    std::array<std::int64_t, kChecks> first;  // -1: none
    CheckTally() { first.fill(-1); }
    void add(const Design& d);
    void add(const CheckTally& other);
};

// The checks joined by ';', or "ok".
std::string check_text(std::uint32_t checks);
void append_check_text(std::string& out, std::uint32_t checks);

class Study {
public:
    // Selects mode and case from the given quantities.  Throws InputError
    // for a missing or repeated type, TE and FDE both, LP without DF, more
    // than two sweeps, or a set of quantities that matches no case.
    explicit Study(Inputs inputs);
    // A study points into its own inputs: it stays where it was made.
    Study(const Study&) = delete;
    Study& operator=(const Study&) = delete;

    const Inputs& inputs() const { return inputs_; }
    int mode_number() const { return mode_number_; }
    bool offset() const { return mode_number_ == 3; }
    // The value columns of the rows, in order.
    const ColumnSet& shown() const { return columns_of_mode(mode_number_); }
    int case_number() const { return static_cast<int>(case_index_) + 1; }
    bool phase_centre() const { return phase_; }
    float type() const { return type_; }
    bool cassegrain() const { return type_ == -1.0f; }

    // The swept quantities, outer first (none, one or two).
    const std::vector<const Assignment*>& sweeps() const { return sweeps_; }
    // The quantities given as arrays, a value per row, in their order.
    const std::vector<const Assignment*>& arrays() const { return columns_; }
    std::int64_t rows() const { return rows_; }

    // The design of row `index` (0-based, below rows()).
    Design design(std::int64_t index) const;

    // Whether a value is one the case solves (rather than one given).
    bool solved(Value v) const;

    // Throws InputError naming `what` for an offset study (mode 3): for the
    // files and pictures that axisymmetric designs alone have yet.
    void require_axisymmetric(std::string_view what) const;

    // "Cassegrain, mode 1 (no condition), case 6: DM, FM, DS, TE given"
    std::string title() const;

private:
    void count_rows();
    void select_offset_case();
    Design offset_design(std::int64_t index) const;
    Design axisymmetric_design(std::int64_t index) const;
    std::uint32_t offset_checks(const geometry::OffsetDesign& d, geometry::Status status) const;

    Inputs inputs_;
    int mode_number_ = 1;
    const geometry::DesignMode* mode_ = nullptr;  // modes 1 and 2
    std::size_t case_index_ = 0;
    bool phase_ = false;
    bool horn_ = false;  // mode 3 with DF: the feed's horn is checked
    float type_ = 0;
    bool te_given_ = false;   // TE in degrees (else FDE, or solved)
    bool fde_given_ = false;
    std::vector<const Assignment*> sweeps_;
    std::vector<const Assignment*> columns_;  // given as arrays, a value per row
    std::int64_t rows_ = 1;
    std::uint64_t solved_mask_ = 0;  // bit per Value that the case solves
    geometry::DualReflectorGeometry base_;  // the fixed values
    geometry::OffsetInputs offset_base_;    // the fixed values of mode 3
    std::vector<std::string> offset_names_;  // the quantities of its case, as given
    std::vector<Key> offset_given_;          // the quantities given, DF among them
    std::uint64_t derivable_mask_ = 0;       // solved values that follow from given ones alone
    float te_deg_ = 0, fde_ = 0;            // the fixed TE or FDE as given
};

// What a failed check of a row means, in words, with the values at fault:
// "AS = -15 is not positive".
std::string check_reason(const Study& study, const Design& d, Check c);
// A note per check that the rows fail, in the order of the codes, from the
// first row that fails it: "non-positive: AS = -15 is not positive (row 1;
// 3 rows fail it)".
std::vector<std::string> check_notes(const Study& study, const CheckTally& tally);

// The largest relative residual of the design identities (FM = LM + 2 FS,
// LS = FS + AS, the feed-angle relation and, in mode 2, the blockage
// condition), each relative to the size of its terms.
double inconsistency(const geometry::DualReflectorGeometry& g, bool blockage);
// What single-precision rounding through a solver's steps allows.
inline constexpr double kConsistencyTolerance = 1.0 / (1 << 12);

}  // namespace study
