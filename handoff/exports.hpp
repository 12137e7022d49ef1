// Surface files of one design from the command line: the .rsf and CHAMP
// files of both reflectors, written by the export dialogue's own writers,
// and a CSV of both profiles for CAD tools and scripts.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "export/profile.hpp"
#include "study/study.hpp"

namespace handoff {

struct ExportOptions {
    std::string rsf_main, rsf_sub, champ_main, champ_sub, profile;  // empty: not written
    std::string main_range, sub_range;  // START:STOP:STEP of diameters; empty: 0:DM:DM/20, 0:DS:DS/20
    std::string zoffset;                // the .rsf z offset (default 0)
    bool reverse = false;               // .rsf direction -1
    std::string label;                  // .rsf label; empty: type, mode and case
    bool label_given = false;

    bool any() const {
        return !rsf_main.empty() || !rsf_sub.empty() || !champ_main.empty() || !champ_sub.empty() ||
               !profile.empty();
    }
};

// The diameters START:STOP:STEP of --main-range or --sub-range (text),
// 0:D:D/20 when empty; throws study::InputError.
study::Range sample_range(const std::string& text, const char* option, float diameter);

// Everything the files need, checked before anything is written (throws
// study::InputError).
struct ExportPlan {
    study::Range main, sub;
    float zoffset = 0;
    float direction = 1;
    std::string label;
    std::int32_t unit_code = 4;  // CHAMP length unit, from unit= (m by default)
};
// Throws study::InputError for a study whose designs are not surfaces of
// revolution (mode 3): the .rsf and CHAMP files are profiles of those.
void require_revolution(const study::Study& study);
// The profiles of a design whose reflectors are surfaces of revolution.
surface::DesignProfiles profiles_of(const geometry::Antenna& a);
ExportPlan plan_exports(const ExportOptions& options, const study::Study& study, const study::Design& d);

// The samples of --profile: rho, z and dz/drho of the main reflector
// ([0]) and the subreflector ([1]) over the plan's ranges.
struct ProfileSamples {
    std::vector<float> rho, z, slope;
};
std::array<ProfileSamples, 2> profile_samples(const ExportPlan& plan, const geometry::Antenna& a);

// Writes the files asked for (each created, written and closed before the
// next); an I/O failure raises textio::IoError.
void write_exports(const ExportOptions& options, const ExportPlan& plan, const geometry::Antenna& a);

}  // namespace handoff
