// Entry points of the case dialogues of design modes 1 and 2.
#include "dialogue/case_tables.hpp"
#include "dialogue/state.hpp"
#include "dialogue/sweep.hpp"

namespace dialogue {
namespace {

// The feed questions of design mode 2, asked once per pass.
constexpr std::string_view kFeedDiameterPrompt = " Enter feed diameter ";
constexpr std::string_view kPhaseCentrePrompt = " Enter 1 to include phase center inside feed ";
constexpr std::string_view kPhaseDepthPrompt = " Enter distance into feed from aperture ";

// Cases 1 to 7 run their dialogue; any other case number runs nothing.
void dispatch(DialogueState& st, const ModeTable& mode) {
    if (st.kase >= 1 && st.kase <= static_cast<std::int32_t>(mode.cases.size())) {
        run_case_dialogue(st, mode, static_cast<std::size_t>(st.kase - 1));
    }
}

}  // namespace

void run_mode1_case(DialogueState& st) { dispatch(st, kMode1); }

void run_mode2_case(DialogueState& st) {
    st.con.out.prompt(kFeedDiameterPrompt);
    st.con.in.read(st.g.DF);
    st.g.LP = 0;  // the depth of an earlier pass never carries over
    st.con.out.prompt(kPhaseCentrePrompt);
    st.con.in.read(st.phase_answer);
    if (st.phase_answer == 1) {
        st.con.out.prompt(kPhaseDepthPrompt);
        st.con.in.read(st.g.LP);
    }
    dispatch(st, kMode2);
}

}  // namespace dialogue
