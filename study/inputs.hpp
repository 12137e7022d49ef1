// The inputs of a study: QUANTITY=VALUE assignments (from a command line,
// say) and @FILE study files, each value a plain decimal number or a
// START:STOP:STEP sweep.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/quantities.hpp"

namespace study {

using geometry::InputError;
using geometry::info;
using geometry::Key;
using geometry::KeyInfo;
using geometry::KeyKind;
using geometry::kKeys;

// The length units of unit=: their names, CHAMP unit codes (the dialogue's
// 1 to 4, and 5 for cm) and metres.
struct LengthUnit {
    std::string_view name;
    std::int32_t champ_code;
    double metres;
};
extern const std::array<LengthUnit, 5> kUnits;
// "in, ft, mm, cm or m": the names, for messages.
std::string unit_names();

// One quantity as given: a number, or a sweep with its row count.
struct Assignment {
    Key key{};
    std::string text;    // the value as typed
    std::string origin;  // "the command line" or "FILE line N", for messages
    bool swept = false;  // a START:STOP:STEP sweep or a list A,B,C
    float value = 0;  // a fixed value (type: -1 or 1; unit: its index in kUnits)
    float start = 0, stop = 0, step = 0;  // a list: its first and last value, step 0
    std::int32_t count = 1;  // rows of a sweep (1 for a fixed value)
    std::vector<float> list;  // the values of a list, in order
    // The value of row i (0-based) of a sweep or list.
    float swept_value(std::int32_t i) const;
    // A column: one value per row of the study, for a caller that gives
    // arrays (every column of a study has as many values); the values as
    // given and their shape, for the record of the inputs.
    std::vector<float> column;
    std::vector<float> given;
    std::vector<std::int64_t> shape;
    bool is_column() const { return !shape.empty() || !column.empty(); }
};

// What the arguments give, in the order in which each quantity was first
// named (a file's lines standing at the place of its @FILE argument).  A
// quantity on the command line overrides the same quantity in a file and
// keeps its place.
struct Inputs {
    std::vector<Assignment> items;
    const Assignment* find(Key k) const;
};

// Reads the QUANTITY=VALUE and @FILE arguments.  Throws InputError for an
// unknown or repeated quantity, a malformed number or sweep, a sweep whose
// row count is not positive or above kMaxSweepRows, a sweep of a quantity
// that cannot be swept, and an unreadable file.
Inputs read_inputs(std::span<const std::string> args);

// One quantity by name with a value already converted (a front end that
// takes numbers rather than text: type as -1 or 1, unit as its index).
// Throws InputError for an unknown name or a value of the wrong kind.
Assignment assignment_of(std::string_view name, float value);
Assignment assignment_of(std::string_view name, std::string_view text);

// The quantity a mistyped name most likely means ("DM" for "dm" or "DN"):
// one that differs from it only in case, or by one character; empty for
// none.
std::string suggested_key(std::string_view name);

inline constexpr std::int32_t kMaxSweepRows = 10'000'000;

// The rows of a sweep START:STOP:STEP, from the three numbers as typed (in
// double): it never goes past STOP, and it includes STOP when STOP lies on
// the steps within kSweepSlack of a step ((STOP - START) / STEP rounded
// down after adding the slack, plus one).  0 when STOP lies before START;
// NaN when there is no count (a step of 0, say).  Each row's value is
// (i - 1) STEP + START in single precision, as the dialogue computes it.
inline constexpr double kSweepSlack = 1e-6;
double sweep_rows(double start, double stop, double step);

// A START:STOP:STEP range and its count by the sweep rule.
struct Range {
    float start = 0, stop = 0, step = 0;
    std::int32_t count = 0;
};
// Reads START:STOP:STEP; false for anything else.  The count is that of the
// surface files' samples (the dialogue's rule), left 0 when the rule gives
// none (a step of 0, or beyond 32 bits).
bool parse_range(std::string_view text, Range& range);

// A plain decimal number ("12", "-0.5", ".25", "1e-3") converted to single
// precision; false for anything else or a value beyond its range.
bool parse_number(std::string_view text, float& value);

}  // namespace study
