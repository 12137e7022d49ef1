// Reflector profile sampling: the subreflector conic of a design, and the
// sample rules that turn a diameter range into (radius, z) points.
//
// Every sample (diameter, radius, z) is formed in double from single-
// precision operands and rounded to single precision once.
#pragma once

#include <array>
#include <cstdint>

namespace surface {

// Rebuilds the subreflector conic from the main diameter DM, the
// subreflector diameter DS, the main focal ratio FD (FM/DM), the effective
// f/D FDE and the reflector type t.  Outputs: the semi-axes a (along z) and
// b, the conic's centre point and the feed point, each (0, 0, z).  Only the
// types -1 (hyperboloid) and +1 (ellipsoid) describe a conic; any other
// type leaves every conic-derived output NaN.  Nothing is kept from one
// call to the next.
void DURGEO(float& DM, float& DS, float& FD, float& FDE, float& t, float& a, float& b,
            std::array<float, 3>& centre, std::array<float, 3>& feed);

enum class Reflector { main, sub };

// What the height rules need of one design.
struct Profile {
    Reflector which = Reflector::main;
    float FM = 0;  // the design's main focal length
    float t = 0;   // reflector type
    float a = 0;   // conic semi-axes
    float b = 0;
    float zC = 0;  // conic centre height
    float zF = 0;  // feed point height
};

// The profile of one reflector of a design, from DURGEO's outputs.
Profile make_profile(Reflector which, float FM, float t, float a, float b,
                     const std::array<float, 3>& centre, const std::array<float, 3>& feed);

// Both reflectors of a design, as the export hands them to the writers:
// f/D = FM/DM and the effective f/D 1/(4 tan(TE/2)) are formed from the
// design's values, then DURGEO rebuilds the subreflector (TE in radians).
struct DesignProfiles {
    Profile main;
    Profile sub;
};
DesignProfiles profiles_of(float DM, float FM, float DS, float TE, float t);

// .rsf sampling: diameter D_i = start + (i-1)*step, radius D_i/2.
float rsf_diameter(float start, float step, std::int32_t i);
inline float rsf_radius(float diameter) { return diameter / 2; }
// .rsf height, measured from the main vertex, mirrored by the direction and
// shifted by the z offset.
float rsf_z(const Profile& p, float rho, float direction, float offset);

// dz/drho of the .rsf height at radius rho (the direction mirrors it).
float rsf_slope(const Profile& p, float rho, float direction);

// CHAMP sampling: radius start/2 + (i-1)*step/2.
float champ_radius(float start, float step, std::int32_t i);
// CHAMP height, measured from the feed point.
float champ_z(const Profile& p, float rho);

}  // namespace surface
