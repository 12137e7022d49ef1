// The inputs of refldsgn-solve: QUANTITY=VALUE assignments from the command
// line and from @FILE study files, each value a plain decimal number or a
// START:STOP:STEP sweep.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/design_cases.hpp"

namespace solve {

// A fault in what the user gave: the message names the culprit; the
// program writes it after "refldsgn-solve: " and exits with status 2
// before writing anything.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every quantity the program takes.
enum class Key : std::uint8_t { type, DM, FM, LM, DS, LS, TE, FDE, DF, LP };

struct KeyInfo {
    Key key;
    std::string_view name;      // as typed (case-sensitive)
    geometry::Quantity member;  // the design member it sets (TE for TE and FDE)
    bool sweepable;
    std::string_view help;
};
extern const std::array<KeyInfo, 10> kKeys;
const KeyInfo& info(Key k);

// One quantity as given: a number, or a sweep with its row count.
struct Assignment {
    Key key{};
    std::string text;    // the value as typed
    std::string origin;  // "the command line" or "FILE line N", for messages
    bool swept = false;
    float value = 0;  // a fixed value (type: -1 or 1)
    float start = 0, stop = 0, step = 0;
    std::int32_t count = 1;  // rows of a sweep (1 for a fixed value)
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

inline constexpr std::int32_t kMaxSweepRows = 10'000'000;

// A plain decimal number ("12", "-0.5", ".25", "1e-3") converted to single
// precision; false for anything else or a value beyond its range.
bool parse_number(std::string_view text, float& value);

}  // namespace solve
