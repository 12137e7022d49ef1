// The vocabulary every design family shares: the quantities a study may
// give (their names as typed and what they are), the codes of the checks a
// design may fail, and the one error of bad input.
#pragma once

#include <array>
#include <span>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace geometry {

// A fault in what the user gave: the message names the culprit.  It is
// raised before anything is written; a front end reports it as it reports
// bad input (refldsgn-solve: one line and status 2).
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every quantity the program takes.
enum class Key : std::uint8_t {
    type, DM, FM, LM, DS, LS, TE, FDE, DF, LP,
    H, HC, TH0, BETA, ALPHA, E, LSM, C2, DFPR, DSRPR, root,
    unit, freq, taper, taper_angle, feed, pol, method,
};
inline constexpr std::size_t kKeyCount = 28;

// What a quantity is: the reflector type, a quantity of the design (which
// may be swept), a choice among designs (one value), the length unit, a
// number for the analyses, or a named setting of them (one of its words).
enum class KeyKind : std::uint8_t { type, design, choice, unit, analysis, setting };

// The words a setting takes, in the order of their values (0, 1, ...).
std::span<const std::string_view> setting_words(Key k);
// Those words for messages: "x, y, rhc or lhc".
std::string setting_text(Key k);

struct KeyInfo {
    Key key;
    std::string_view name;  // as typed (case-sensitive)
    KeyKind kind;
    std::string_view help;  // what it is; a family may say more of it (Family::help)
};
extern const std::array<KeyInfo, kKeyCount> kKeys;
inline const KeyInfo& info(Key k) { return kKeys[static_cast<std::size_t>(k)]; }

// The checks of a design, in the order of their codes (a row's check text
// lists the codes it fails in this order).
enum class Check : std::uint8_t {
    no_solution, non_finite, non_positive, wrong_conic, sub_not_smaller, angle_range,
    feed_not_smaller, feed_beyond_focus, inconsistent, beyond_asymptote, sub_blocks, feed_blocks,
};
inline constexpr std::size_t kChecks = 12;
std::string_view code_of(Check c);

}  // namespace geometry
