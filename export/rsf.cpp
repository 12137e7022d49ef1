#include "export/rsf.hpp"

#include "geometry/ranges.hpp"
#include "textio/format.hpp"

namespace surface {

bool rsf_point_count(float start, float stop, float step, std::int32_t& N) {
    return geometry::range_count(start, stop, step, N);
}

void write_rsf(textio::OutputUnit& out, std::string_view label, std::int32_t N, float start,
               float step, const Profile& profile, float direction, float offset) {
    textio::Record r;
    out.record(r.clear().A(label, 40));
    out.record(r.clear().I(N, 4).I(1, 4).I(0, 4));
    for (std::int64_t i = 1; i <= N; ++i) {  // 64 bits: N may be 2^31 - 1
        const float rho = rsf_radius(rsf_diameter(start, step, static_cast<std::int32_t>(i)));
        const float z = rsf_z(profile, rho, direction, offset);
        out.record(r.clear().E(rho, 13, 6).E(z, 14, 6));
    }
    out.close();
}

}  // namespace surface
