// The two points where the surface export meets the dialogue: the yes/no
// reader for the start-up question, and the export of one solved design.
// refldsgn-basic runs without them.
#pragma once

#include <cstdint>

#include "textio/console.hpp"

namespace dialogue {

class ExportHooks {
public:
    virtual ~ExportHooks() = default;
    // Reads one yes/no answer: 1 yes, -1 no, 0 neither.
    virtual std::int32_t yes_no(textio::InputUnit& in) = 0;
    // Runs the export dialogue for one design (TE in radians).
    virtual void export_design(textio::Console& con, float& DM, float& FM, float& DS, float& TE,
                               float& t) = 0;
};

}  // namespace dialogue
