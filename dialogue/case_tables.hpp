// The vocabulary of the case dialogues: for every case of design modes 1
// and 2 its Vary menu, the quantities it prescribes in menu order, its
// solvers with their argument order, its row columns and, per vary option,
// the given-value lines of the report header and the table headings.  One
// Vary loop and one sweep (dialogue/sweep.cpp) run every case from these
// tables.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "geometry/design_cases.hpp"

namespace dialogue {

using Geometry = geometry::DualReflectorGeometry;
using geometry::Quantity;
namespace qty = geometry::qty;

// The texts of a prescribable quantity: the prompt for one value (Vary loop
// and export step) and the prompt for a sweep range.  TE has no range
// prompt of its own: its sweep first asks the angle input type.
struct QuantityPrompts {
    Quantity q;
    std::string_view fixed;
    std::string_view range;
};
extern const std::array<QuantityPrompts, 6> kQuantityPrompts;
std::string_view fixed_prompt(Quantity q);
std::string_view range_prompt(Quantity q);

// One given-value line of the report header: a 30-character label and the
// quantity written after it in F9.4.
struct GivenLine {
    std::string_view label;
    Quantity q = nullptr;
};

// The two records of a table heading (written after an empty record).
struct Heading {
    std::string_view upper;
    std::string_view lower;
};

// One entry of the Vary menu: the sweep of the prescribed quantity of the
// same number.  Unused given lines have an empty label.  For a sweep of TE,
// `heading` is the one for angles (input type 1) and `fd_heading` the one
// for effective f/D values (input type 2).
struct VaryOption {
    std::array<GivenLine, 3> given{};
    Heading heading{};
    Heading fd_heading{};
};

// A row column beside the swept value, AS, FS and LT: a quantity of the
// design, or the solved TE converted to degrees.
struct Column {
    constexpr Column(Quantity quantity = nullptr, bool degrees = false) : q(quantity), in_degrees(degrees) {}
    Quantity q;
    bool in_degrees;
};
inline constexpr Column TE_in_degrees{qty::TE, true};

// The texts of one case.  Mode 1 uses the first four entries of menu and
// options and the first two columns; mode 2 the first three of each.  The
// last menu record is the prompt of the Vary question.  What the case
// prescribes and which solver solves it is the geometry's case table of
// the same number; menu entry k names its prescribed quantity k.
struct CaseTable {
    std::array<std::string_view, 4> menu{};
    std::array<Column, 3> columns{};
    std::array<VaryOption, 4> options{};
};

// What a table row holds, field by field.
enum class Source : std::uint8_t { Swept, Column2, Column3, AS, FS, Column6, LT };
struct RowField {
    Source source;
    int width;
    int decimals;
};

struct ModeTable {
    const geometry::DesignMode* design;  // the quantities and solvers of cases 1 to 7
    std::span<const CaseTable> cases;    // their texts, cases 1 to 7
    int sweepable;                       // entries of each Vary menu after "0 Stop"
    std::span<const RowField> row;     // the row layout
    bool feed_questions;               // DF, phase centre and LP asked per pass
};

extern const ModeTable kMode1;  // no condition
extern const ModeTable kMode2;  // minimum blockage

}  // namespace dialogue
