// Surface export: the yes/no reader and the export dialogue.
#pragma once

#include <cstdint>
#include <string>

#include "textio/console.hpp"

namespace surface {

// Reads one answer line; 1 for yes (y, s, d, j), -1 for no (n), 0 for neither.
// The first matching letter within the first 20 characters decides.
std::int32_t NYES(textio::InputUnit& in);

// The answers of the export dialogue, kept for the whole run: every one is
// overwritten only by its own question and otherwise keeps its last value
// (a null free-form value leaves it as it is).  Numbers start at zero.
struct ExportSettings {
    std::string file_name;  // the A70 answer of the last file opened
    std::string label;      // the A40 answer, blank-padded
    float z_offset = 0;
    float direction = 0;  // +1 forward, -1 reverse
    float start = 0, stop = 0, step = 0;
    std::int32_t count = 0;      // points (.rsf: derived) or nodes (CHAMP: answered)
    std::int32_t unit_code = 0;  // 1 in, 2 ft, 3 mm, 4 m
    // Set once a main-reflector .rsf file has been written; until then a
    // subreflector .rsf file asks for the z offset and direction itself.
    bool main_rsf_written = false;
};

// The export dialogue for one design (TE in radians, t the reflector type):
// four yes/no questions, each offering one file (main reflector .rsf, main
// reflector CHAMP, subreflector .rsf, subreflector CHAMP).  Each file is
// opened by its typed name, written and closed before the next question.
void DURTIC(textio::Console& con, ExportSettings& settings, float& DM, float& FM, float& DS,
            float& TE, float& t);

}  // namespace surface
