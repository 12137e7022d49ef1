// The Vary loop and the sweep shared by every case of both design modes,
// and the arithmetic of a sweep.
#pragma once

#include <cstdint>

#include "dialogue/case_tables.hpp"
#include "dialogue/state.hpp"
#include "geometry/ranges.hpp"

namespace dialogue {

// The sweep arithmetic lives with the geometry, shared with the solve
// program; the dialogue names it as it always has.
using geometry::range_count;
using geometry::row_count;
using geometry::swept_value;
using geometry::swept_angle;
using geometry::degrees;
// TE in radians for one typed feed angle answer: degrees when 0 or
// positive, minus the effective f/D when negative.
inline float feed_angle(float answer) { return geometry::angle_of_answer(answer); }

// One case dialogue (case k + 1 of the mode): the Vary loop until the answer 0, with a sweep for
// every menu answer that names a quantity.
void run_case_dialogue(DialogueState& st, const ModeTable& mode, std::size_t k);

}  // namespace dialogue
