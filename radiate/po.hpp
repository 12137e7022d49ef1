// The radiation of a design by physical optics: currents on the sub from
// the feed's field, the sub's field at the main from those currents in full
// (the near-field expression), currents on the main from that field, and
// the far field of the main's currents, the sub's currents and the feed's
// own radiation.  Like the geometrical optics beside it, it reads the
// antenna model alone.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

#include "radiate/feed.hpp"
#include "radiate/radiate.hpp"

namespace radiate {

// The sampling of each surface, in points per wavelength, when the
// settings leave it to the engine: the boresight gain is then within
// 0.02 dB of what twice as many points give (a test holds it).
inline constexpr double kPoSampling = 3;
// The most memory the currents may take.
inline constexpr double kPoMemory = 8.0 * 1024 * 1024 * 1024;

// The points each surface is sampled at, and the memory they take.
struct PoPlan {
    std::size_t main = 0, sub = 0;
    double bytes = 0;
};
// Throws geometry::InputError when the plan takes more than kPoMemory.
PoPlan po_plan(const geometry::Antenna& antenna, const Settings& settings);

class Currents {
public:
    // Throws std::invalid_argument for a model that is not solved, and
    // geometry::InputError for one too large to sample.
    Currents(const geometry::Antenna& antenna, const Settings& settings);

    // The far field in direction (theta, phi): co and cross-polar, scaled
    // as Aperture::field's.
    void field(double theta, double phi, std::complex<double>& co, std::complex<double>& cross) const;
    // The power of the field that lights the main through its surface, in
    // the feed's power.
    double spill() const { return spill_; }
    double half_power_width(double phi) const;
    Cut cut(double phi, double theta_max, int points) const;
    // gain_dBi, directivity_dBi, eff_total, eff_spill, xpol_dB, sll_dB and
    // hpbw_deg of physical optics (the rest of r left as it is).
    void result(Result& r) const;
    std::size_t sources() const { return x_.size(); }

private:
    double k_ = 0, feed_power_ = 0, spill_ = 0, diameter_ = 0;
    int jobs_ = 1;
    detail::References refs_;
    // Every radiating current element: where it is, and its current times
    // the area it stands for.
    std::vector<double> x_, y_, z_;
    std::vector<double> j_[6];  // the real and imaginary parts of Jx, Jy, Jz
    detail::Feed feed_;
    // The sub's field at a point from its first `count` current elements:
    // H then E, each three real and imaginary parts, unscaled.
    void sub_field(geometry::Vec3 at, std::size_t count, double k, double f[12]) const;
};

}  // namespace radiate
