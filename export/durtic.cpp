// The export dialogue: four questions, each offering one surface file of
// the design just solved.
#include <string_view>

#include "export/champ.hpp"
#include "export/profile.hpp"
#include "export/rsf.hpp"
#include "export/surface_export.hpp"

namespace surface {
namespace {

constexpr std::string_view kRangeStepPrompt = " Enter diameter start,stop,step ";
constexpr std::string_view kRangeCountPrompt = " Enter diameter  start,stop,# ";
constexpr std::string_view kOffsetPrompt = " Enter z offset ";
constexpr std::string_view kDirectionPrompt = " Enter +1 forward, -1 reverse reflector ";

textio::OutputUnit open_file(textio::Console& con, ExportSettings& s, std::string_view prompt,
                             int unit) {
    con.out.prompt(prompt);
    s.file_name = con.in.read_text(70);
    return textio::OutputUnit::create(unit, s.file_name);
}

// Reads the diameter range of an .rsf file until it gives a point count.
void read_rsf_range(textio::Console& con, ExportSettings& s) {
    for (;;) {
        con.out.prompt(kRangeStepPrompt);
        con.in.read_list({s.start, s.stop, s.step});
        if (rsf_point_count(s.start, s.stop, s.step, s.count)) return;
        con.out.record(" Step must not be 0");
    }
}

void read_label(textio::Console& con, ExportSettings& s) {
    con.out.prompt(" Enter label ");
    s.label = con.in.read_text(40);
}

void export_main_rsf(textio::Console& con, ExportSettings& s, const Profile& main) {
    con.out.record(" TICRA .rsf file of parabola");
    textio::OutputUnit file = open_file(con, s, " Enter output file ", kRsfUnit);
    con.out.prompt(kOffsetPrompt);
    con.in.read(s.z_offset);
    read_rsf_range(con, s);
    con.out.prompt(kDirectionPrompt);
    con.in.read(s.direction);
    read_label(con, s);
    write_rsf(file, s.label, s.count, s.start, s.step, main, s.direction, s.z_offset);
    s.main_rsf_written = true;
}

// Uses the z offset and direction of the main reflector's .rsf file; while
// none has been written in the run, asks for them around the range, as the
// main file does.
void export_sub_rsf(textio::Console& con, ExportSettings& s, const Profile& sub) {
    con.out.record(" TICRA .rsf file of subreflector");
    textio::OutputUnit file = open_file(con, s, " Enter output file ", kRsfUnit);
    const bool ask_placement = !s.main_rsf_written;
    if (ask_placement) {
        con.out.prompt(kOffsetPrompt);
        con.in.read(s.z_offset);
    }
    read_rsf_range(con, s);
    if (ask_placement) {
        con.out.prompt(kDirectionPrompt);
        con.in.read(s.direction);
    }
    read_label(con, s);
    write_rsf(file, s.label, s.count, s.start, s.step, sub, s.direction, s.z_offset);
}

void export_champ(textio::Console& con, ExportSettings& s, const Profile& profile) {
    textio::OutputUnit file = open_file(con, s, " Enter file ", kChampUnit);
    for (;;) {
        con.out.prompt(" Enter length units: 1 in., 2 ft., 3 mm, 4 m ");
        con.in.read(s.unit_code);
        if (valid_length_unit(s.unit_code)) break;
        con.out.record(" Length units must be 1, 2, 3 or 4");
    }
    write_champ_focal_point(file);
    file.flush();  // nothing written is lost while the range is awaited
    con.out.prompt(kRangeCountPrompt);
    con.in.read_list({s.start, s.stop, s.count});
    s.step = champ_step(s.start, s.stop, s.count);
    write_champ_nodes(file, s.count, s.start, s.step, s.unit_code, profile);
}

bool ask(textio::Console& con, std::string_view question) {
    con.out.prompt(question);
    return NYES(con.in) == 1;
}

}  // namespace

void DURTIC(textio::Console& con, ExportSettings& s, float& DM, float& FM, float& DS, float& TE,
            float& t) {
    const DesignProfiles profiles = profiles_of(DM, FM, DS, TE, t);
    const Profile& main = profiles.main;
    const Profile& sub = profiles.sub;

    if (ask(con, " Write main reflector TICRA .rsf file? ")) export_main_rsf(con, s, main);
    if (ask(con, " CHAMP main reflector spline w/ variable Z? ")) export_champ(con, s, main);
    // The subreflector is a hyperboloid or an ellipsoid; another type has none.
    if (t != -1.0f && t != 1.0f) {
        con.out.record(" Subreflector files need type -1 or 1");
        return;
    }
    if (ask(con, " Write Subreflector TICRA .rsf file? ")) export_sub_rsf(con, s, sub);
    if (ask(con, " CHAMP subreflector spline w/ variable Z? ")) export_champ(con, s, sub);
}

}  // namespace surface
