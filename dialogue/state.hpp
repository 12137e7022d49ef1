// The dialogue driver's record of the whole run.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "geometry/model.hpp"
#include "textio/console.hpp"
#include "textio/output.hpp"

namespace dialogue {

class ExportHooks;

struct DialogueState {
    DialogueState(textio::Console c, textio::OutputUnit r, ExportHooks* h)
        : con(c), report(std::move(r)), hooks(h) {}

    textio::Console con;
    textio::OutputUnit report;
    ExportHooks* hooks = nullptr;  // null in refldsgn-basic

    std::string report_name;       // the A70 answer, blank-padded
    std::int32_t export_flag = 0;  // 1 yes, -1 no, 0 neither; export runs only on 1
    std::int32_t mode = 0;         // 0 end, 1 no condition, 2 minimum blockage
    std::int32_t kase = 0;         // 1 to 7

    geometry::DualReflectorGeometry g;  // g.t is the reflector type

    // Sweep settings.
    std::int32_t vary = 0;        // 0 stop, else the quantity swept
    std::int32_t angle_type = 0;  // TE sweeps: 1 degrees, 2 effective f/D
    float start = 0, stop = 0, step = 0;
    std::int32_t rows = 0;
    std::int32_t row = 0;
    float feed_answer = 0;  // last TE answer as typed (or the swept value of the row)

    // Minimum-blockage mode.
    std::int32_t phase_answer = 0;  // 1: the feed phase centre is included
};

// The program: banner, report file, export question, then the design-mode
// loop until the answer 0.  hooks is null for refldsgn-basic.  I/O failures
// propagate as textio::IoError.
void run_dialogue(textio::Console& con, ExportHooks* hooks);

// The case dialogues of design modes 1 and 2 (Vary loop and sweeps).
void run_mode1_case(DialogueState& st);
void run_mode2_case(DialogueState& st);

}  // namespace dialogue
