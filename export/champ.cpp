#include "export/champ.hpp"

#include <algorithm>
#include <string_view>

#include "textio/format.hpp"

namespace surface {
namespace {

// Three characters, blanks included; the dialogue only passes codes 1 to 4
// (the command line's unit=cm is 5).
std::string_view unit_label(std::int32_t code) {
    switch (code) {
    case 1: return " in";
    case 2: return " ft";
    case 3: return " mm";
    case 4: return " m ";
    case 5: return " cm";
    default: return "   ";
    }
}

// Node numbers are written with as many digits as they have.
int digits(std::int32_t i) { return i < 10 ? 1 : i < 100 ? 2 : 3; }

}  // namespace

float champ_step(float start, float stop, std::int32_t N) {
    return static_cast<float>((double(stop) - double(start)) / (double(N) - 1.0));
}

void write_champ_focal_point(textio::OutputUnit& out) {
    out.record("z_focal_point   real_variable");
    out.record("(");
    out.record("  value    : 0.0");
    out.record(")");
    out.empty();
}

void write_champ_nodes(textio::OutputUnit& out, std::int32_t N, float start, float step,
                       std::int32_t unit_code, const Profile& profile) {
    const bool main = profile.which == Reflector::main;
    const std::string_view prefix = main ? "zmain" : "zsub";
    const std::string_view label = unit_label(unit_code);
    // Nodes past the last written one have no effect on the file.
    const std::int32_t written = std::min(N, kChampMaxNodes);
    textio::Record r;

    for (std::int32_t i = 1; i <= written; ++i) {
        const float z = champ_z(profile, champ_radius(start, step, i));
        out.record(r.clear().lit(prefix).I(i, digits(i)).lit("   real_variable"));
        out.record("(");
        out.record(r.clear().lit("   value    : ").E(z, 13, 6));
        out.record(")");
        out.empty();
    }

    out.record(main ? "main_reflector  spline_circ_sym_reflector"
                    : "sub_reflector  spline_circ_sym_reflector");
    out.record("(");
    out.record(r.clear().lit("  z_offset").X(9).lit(": \"ref(z_focal_point)\"").A(label, 3).lit(","));
    out.record(r.clear().lit("  length_unit").X(6).lit(":").A(label, 3).lit(","));
    out.record(r.clear().lit("  nodes").X(12).lit(": table"));
    out.record("    (");
    for (std::int32_t i = 1; i <= written; ++i) {
        const float rho = champ_radius(start, step, i);
        out.record(r.clear().X(4).E(rho, 13, 6).X(3).lit("\"ref(").lit(prefix).I(i, digits(i)).lit(")\""));
    }
    out.record("    )");
    out.record(")");
    out.empty();
    out.close();
}

}  // namespace surface
