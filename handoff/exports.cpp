#include "handoff/exports.hpp"

#include "export/champ.hpp"
#include "geometry/ranges.hpp"
#include "export/profile.hpp"
#include "export/rsf.hpp"
#include "study/formats.hpp"
#include "textio/output.hpp"

namespace handoff {
namespace {

using study::InputError;

}  // namespace

study::Range sample_range(const std::string& text, const char* option, float diameter) {
    study::Range r;
    if (text.empty()) {
        r.start = 0;
        r.stop = diameter;
        r.step = static_cast<float>(double(diameter) / 20.0);
        geometry::range_count(r.start, r.stop, r.step, r.count);
    } else if (!study::parse_range(text, r)) {
        throw InputError(std::string(option) + " " + text + ": write START:STOP:STEP (diameters)");
    }
    if (r.count < 1 || r.count > study::kMaxSweepRows) {
        throw InputError(std::string(option) + " " + (text.empty() ? std::string("(the default)") : text) +
                         " gives " + (r.count < 1 ? std::string("no samples") : std::to_string(r.count) + " samples"));
    }
    return r;
}

namespace {

void check_champ(const study::Range& r, const char* option, const std::string& file) {
    if (file.empty()) return;
    if (r.count < 2 || r.count > surface::kChampMaxNodes) {
        throw InputError(std::string(option) + " gives " + std::to_string(r.count) + " nodes for " + file +
                         "; a CHAMP spline takes 2 to " + std::to_string(surface::kChampMaxNodes));
    }
}

void write_rsf_file(const std::string& name, const ExportPlan& plan, const study::Range& r,
                    const surface::Profile& p) {
    textio::OutputUnit file = textio::OutputUnit::create(surface::kRsfUnit, name);
    surface::write_rsf(file, plan.label, r.count, r.start, r.step, p, plan.direction, plan.zoffset);
}

void write_champ_file(const std::string& name, const ExportPlan& plan, const study::Range& r,
                      const surface::Profile& p) {
    textio::OutputUnit file = textio::OutputUnit::create(surface::kChampUnit, name);
    surface::write_champ_focal_point(file);
    const float step = surface::champ_step(r.start, r.stop, r.count);
    surface::write_champ_nodes(file, r.count, r.start, step, plan.unit_code, p);
}

void write_profile_file(const std::string& name, const std::array<ProfileSamples, 2>& samples) {
    textio::OutputUnit file = textio::OutputUnit::create(1, name);
    file.record("reflector,rho,z,dz_drho");
    std::string line;
    for (const ProfileSamples& p : samples) {
        for (std::size_t i = 0; i < p.rho.size(); ++i) {
            line = &p == &samples[0] ? "main" : "sub";
            for (float v : {p.rho[i], p.z[i], p.slope[i]}) {
                line += ',';
                study::append_shortest(line, v);
            }
            file.record(line);
        }
    }
    file.close();
}

}  // namespace

void require_revolution(const study::Study& study) {
    study.require(study::Capability::revolution,
                  "the .rsf and CHAMP files are profiles of surfaces of revolution; for an offset design "
                  "(mode 3) write --sfc-main, --sfc-sub and --tor");
}

surface::DesignProfiles profiles_of(const geometry::Antenna& a) {
    // The model's numbers are the design's floats in double: back to floats
    // exactly.  Without a sub the type describes no conic: the main alone.
    const float t = !a.sub ? 0.0f : a.type == "cassegrain" ? -1.0f : 1.0f;
    return surface::profiles_of(static_cast<float>(a.aperture.diameter), static_cast<float>(a.focal_length),
                                a.sub ? static_cast<float>(a.sub->width_x) : 0.0f, static_cast<float>(a.feed.half_angle), t);
}

ExportPlan plan_exports(const ExportOptions& o, const study::Study& study, const study::Design& d) {
    require_revolution(study);
    const geometry::Antenna a = study.antenna(d);
    ExportPlan plan;
    plan.main = sample_range(o.main_range, "--main-range", static_cast<float>(a.aperture.diameter));
    if (a.sub) {
        plan.sub = sample_range(o.sub_range, "--sub-range", static_cast<float>(a.sub->width_x));
    } else {
        for (const auto& [option, file] : {std::pair{"--rsf-sub", &o.rsf_sub}, std::pair{"--champ-sub", &o.champ_sub},
                                           std::pair{"--sub-range", &o.sub_range}})
            if (!file->empty()) throw InputError(std::string(option) + " needs a subreflector, and " + study.lacks(study::Capability::sub));
    }
    check_champ(plan.main, "--main-range", o.champ_main);
    check_champ(plan.sub, "--sub-range", o.champ_sub);
    if (!o.zoffset.empty() && !study::parse_number(o.zoffset, plan.zoffset))
        throw InputError("--zoffset " + o.zoffset + " is not a plain decimal number");
    plan.direction = o.reverse ? -1.0f : 1.0f;
    plan.label = o.label_given ? o.label
                               : std::string(study.type_name()) + " mode " +
                                     std::to_string(study.mode_number()) + " case " +
                                     std::to_string(study.case_number());
    if (plan.label.size() > 40) throw InputError("--label holds at most 40 characters, not " + std::to_string(plan.label.size()));
    plan.label.resize(40, ' ');  // as the dialogue reads it: blank-padded to its 40 columns
    if (const study::Assignment* u = study.inputs().find(study::Key::unit))
        plan.unit_code = study::kUnits[static_cast<std::size_t>(u->value)].champ_code;
    return plan;
}

std::array<ProfileSamples, 2> profile_samples(const ExportPlan& plan, const geometry::Antenna& a) {
    const surface::DesignProfiles ps = profiles_of(a);
    std::array<ProfileSamples, 2> out;
    for (const auto& [to, p, r] : {std::tuple{&out[0], &ps.main, &plan.main}, std::tuple{&out[1], &ps.sub, &plan.sub}}) {
        if (p == &ps.sub && !a.sub) break;  // the main alone
        for (std::int32_t i = 1; i <= r->count; ++i) {
            const float rho = surface::rsf_radius(surface::rsf_diameter(r->start, r->step, i));
            to->rho.push_back(rho);
            to->z.push_back(surface::rsf_z(*p, rho, plan.direction, plan.zoffset));
            to->slope.push_back(surface::rsf_slope(*p, rho, plan.direction));
        }
    }
    return out;
}

void write_exports(const ExportOptions& o, const ExportPlan& plan, const geometry::Antenna& a) {
    const surface::DesignProfiles ps = profiles_of(a);
    if (!o.rsf_main.empty()) write_rsf_file(o.rsf_main, plan, plan.main, ps.main);
    if (!o.champ_main.empty()) write_champ_file(o.champ_main, plan, plan.main, ps.main);
    if (!o.rsf_sub.empty()) write_rsf_file(o.rsf_sub, plan, plan.sub, ps.sub);
    if (!o.champ_sub.empty()) write_champ_file(o.champ_sub, plan, plan.sub, ps.sub);
    if (!o.profile.empty()) write_profile_file(o.profile, profile_samples(plan, a));
}

}  // namespace handoff
