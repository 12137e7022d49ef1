// Case dialogues of design modes 1 and 2 (placeholder until the sweeps land).
#include "dialogue/state.hpp"

namespace dialogue {

void run_mode1_case(DialogueState&) {}
void run_mode2_case(DialogueState&) {}

}  // namespace dialogue
