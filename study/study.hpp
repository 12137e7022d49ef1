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

#include <memory>

#include "geometry/family.hpp"
#include "study/inputs.hpp"

namespace study {

using geometry::Capability;
using geometry::Check;
using geometry::code_of;
using geometry::ColumnInfo;
using geometry::ColumnKind;
using geometry::ColumnSet;
using geometry::Design;
using geometry::kChecks;
using geometry::kConsistencyTolerance;
using geometry::kMaxColumns;
using geometry::Value;

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
    // Selects the family, its mode and case from the given quantities.
    // Throws InputError for a missing or repeated type, more than two
    // sweeps, arrays with sweeps, or what the family finds at fault (a set
    // of quantities that matches none of its cases, say).
    explicit Study(Inputs inputs);
    // A study points into its own inputs: it stays where it was made.
    Study(const Study&) = delete;
    Study& operator=(const Study&) = delete;

    const Inputs& inputs() const { return inputs_; }
    const geometry::Family& family() const { return case_->family(); }
    int mode_number() const { return case_->mode(); }
    // The value columns of the rows, in order.
    const ColumnSet& shown() const { return case_->columns(); }
    // The column of a name among them, or false.
    bool column(std::string_view name, Value& v) const { return shown().find(name, v); }
    std::string_view column_name(Value v) const { return shown().columns[static_cast<std::size_t>(v)].name; }
    int case_number() const { return case_->number(); }
    float type() const { return type_; }
    std::string_view type_name() const { return type_name_; }

    // The swept quantities, outer first (none, one or two).
    const std::vector<const Assignment*>& sweeps() const { return sweeps_; }
    // The quantities given as arrays, a value per row, in their order.
    const std::vector<const Assignment*>& arrays() const { return columns_; }
    std::int64_t rows() const { return rows_; }

    // The design of row `index` (0-based, below rows()).
    Design design(std::int64_t index) const;
    // The antenna a row describes.
    geometry::Antenna antenna(const Design& d) const { return case_->antenna(d); }
    // The columns of the fixed-width table.
    std::vector<Value> table_columns() const { return case_->table_columns(); }

    // Whether a value is one the case solves (rather than one given).
    bool solved(Value v) const { return case_->solved(v); }

    // Throws InputError with `message` unless the family has the capability.
    void require(Capability c, std::string_view message) const;
    bool can(Capability c) const { return case_->can(c); }
    // What the design lacks, in words: "a prime-focus design (mode 4) has no
    // subreflector".
    std::string lacks(Capability c) const;

    // "Cassegrain, mode 1 (no condition), case 6: DM, FM, DS, TE given"
    std::string title() const { return case_->title(); }
    // What a failed check means for this row.
    std::string check_reason(const Design& d, Check c) const { return case_->check_reason(d, c); }

private:
    void count_rows();

    Inputs inputs_;
    std::unique_ptr<geometry::Case> case_;
    float type_ = 0;
    std::string_view type_name_;
    std::vector<const Assignment*> sweeps_;
    std::vector<const Assignment*> columns_;  // given as arrays, a value per row
    std::int64_t rows_ = 1;
};

// What a failed check of a row means, in words, with the values at fault:
// "AS = -15 is not positive".
std::string check_reason(const Study& study, const Design& d, Check c);
// A note per check that the rows fail, in the order of the codes, from the
// first row that fails it: "non-positive: AS = -15 is not positive (row 1;
// 3 rows fail it)".
std::vector<std::string> check_notes(const Study& study, const CheckTally& tally);

}  // namespace study
