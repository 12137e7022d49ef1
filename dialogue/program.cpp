// Start-up and the top-level question loop.
#include <array>
#include <string_view>

#include "dialogue/export_hooks.hpp"
#include "dialogue/state.hpp"

namespace dialogue {
namespace {

constexpr int kReportUnit = 66;

constexpr std::array<std::string_view, 4> kBanner = {
    " Designing Axially Symmetric Cassegrain or Gregorian Dual",
    " Reflectors from Combinations of Prescribed Parameters",
    " AP-S Magazine April, June 1998",
    " refldsgn: closed-form sizing and sweeps of dual-reflector geometry",
};

// The case tables; the last record of each is the case prompt.
constexpr std::array<std::string_view, 10> kMode1Cases = {
    " Cases",
    "  No  Main  Main   Vertex   Sub  Feed  ",
    "      Dia.  Focal  t feed   Dia  t Sub.",
    "  1    DM            LM           LS   ",
    "  2    DM    FM      LM                ",
    "  3    DM    FM                   LS   ",
    "  4          FM              DS   LS   ",
    "  5                  LM      DS   LS   ",
    "  6    DM    FM              DS        ",
    "  7    DM                    DS   LS",
};

constexpr std::array<std::string_view, 10> kMode2Cases = {
    " Cases",
    "  No  Main  Main   Vertex   Sub  Feed    Sub. ",
    "      Dia.  Focal  t feed   Dia  t Sub.  Subt.",
    "  1    DM    FM      LM                       ",
    "  2    DM    FM                           TE  ",
    "  3    DM    FM              DS               ",
    "  4    DM            LM      DS               ",
    "  5    DM                    DS           TE  ",
    "  6    DM            LM                   TE  ",
    "  7    DM                         LS      TE  ",
};

constexpr std::string_view kCasePrompt = " Enter case ";

template <std::size_t N>
void write_records(textio::OutputUnit& out, const std::array<std::string_view, N>& records) {
    for (std::string_view r : records) out.record(r);
}

}  // namespace

void run_dialogue(textio::Console& con, ExportHooks* hooks) {
    write_records(con.out, kBanner);
    con.out.prompt(" Enter output file ");
    std::string name = con.in.read_text(70);

    DialogueState st(con, textio::OutputUnit::create(kReportUnit, name), hooks);
    st.report_name = std::move(name);
    write_records(st.report, kBanner);
    // Nothing already written may be lost while the program waits.
    con.in.set_before_read([&st] {
        st.con.out.flush();
        st.report.flush();
    });

    if (hooks != nullptr) {
        con.out.prompt(" Generate TICRA .rsf or CHAMP spline optimization file? ");
        st.export_flag = hooks->yes_no(con.in);
    }

    for (;;) {
        con.out.prompt(" Enter blockage: 1 No condition, 2 Minimum blockage ");
        con.in.read(st.mode);
        if (st.mode == 0) break;
        if (st.mode == 1) write_records(con.out, kMode1Cases);
        if (st.mode == 2) write_records(con.out, kMode2Cases);
        if (st.mode == 1 || st.mode == 2) con.out.prompt(kCasePrompt);
        con.in.read(st.kase);
        con.out.prompt(" Enter type: -1 Cassegrain, 1 Gregorian ");
        con.in.read(st.g.t);
        if (st.mode == 1) {
            st.g.DF = 0;
            st.g.LP = 0;
            run_mode1_case(st);
        } else if (st.mode == 2) {
            run_mode2_case(st);
        }
    }
    con.in.set_before_read(nullptr);
    st.report.close();
}

}  // namespace dialogue
