// The radiation of a design by geometrical optics: rays from the feed
// through the reflectors of its antenna model to the aperture plane (the
// plane z = 0 through the prime focus, normal to the main axis), their
// amplitude from ray-tube power conservation, their polarisation carried
// through each reflection exactly and their path length kept; the far field
// is the aperture integral of that field with the (1 + cos theta)/2
// obliquity.  The engine reads the model alone: it knows no family.
#pragma once

#include <array>
#include <complex>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "geometry/antenna.hpp"
#include "geometry/quantities.hpp"

namespace radiate {

enum class FeedKind { gaussian, cosq };
enum class Polarisation { x, y, rhc, lhc };
enum class Method { go, po };

struct Settings {
    double wavelength = 0;   // in the design's length unit
    double taper_db = 10;    // the feed's taper, dB below its peak ...
    double taper_angle = 0;  // ... at this angle, radians (0: each design's feed half angle)
    FeedKind feed = FeedKind::gaussian;
    Polarisation pol = Polarisation::x;
    double tilt = 0;  // a test's hook: the feed turned by this angle (radians) about y, off its axis
    // The sine of the largest angle from the axis at which the far field is
    // wanted, in wavelengths over the aperture's diameter (the rays sample
    // the aperture finely enough for it).
    double reach = 8;
    Method method = Method::go;
    double po_sampling = 0;  // physical optics: points per wavelength (0: the engine's choice)
    int jobs = 1;            // threads for one design's physical optics
    // Told how many of the main's points physical optics has lit, of how
    // many (called on the thread that made the currents).
    std::function<void(std::size_t done, std::size_t total)> progress;
};

// The settings from what a front end reads: the frequency in GHz, the
// metres of the design's length unit, the taper in dB, its angle in degrees
// (NaN: each design's feed half angle), and the feed and polarisation as
// the indices of their words (gaussian, cosq; x, y, rhc, lhc), the method's
// (go, po) and physical optics' points per wavelength (NaN: the engine's
// choice).  Throws geometry::InputError naming what is out of range.
Settings settings_of(double freq_ghz, double metres, double taper_db, double taper_angle_deg, int feed, int pol,
                     int method = 0, double po_sampling = std::numeric_limits<double>::quiet_NaN());

// The columns of --radiate, in order.
inline constexpr const char* kColumns[] = {"gain_dBi",  "directivity_dBi", "eff_total", "eff_spill",
                                           "eff_block", "eff_taper",       "eff_phase", "eff_pol",
                                           "xpol_dB",   "sll_dB",          "hpbw_deg"};
inline constexpr std::size_t kColumnCount = 11;

struct Result {
    double gain_dBi, directivity_dBi, eff_total, eff_spill, eff_block, eff_taper, eff_phase, eff_pol, xpol_dB,
        sll_dB, hpbw_deg;
    // The power budget, in the feed's power: what reaches the aperture (eff_spill), what passes each reflector
    // by, and the feed's whole power over its forward half space.
    double spill_sub = 0, spill_main = 0, feed_power = 0;
    std::array<double, kColumnCount> columns() const {
        return {gain_dBi, directivity_dBi, eff_total, eff_spill, eff_block, eff_taper, eff_phase, eff_pol, xpol_dB,
                sll_dB, hpbw_deg};
    }
};

// One cut of the far field at azimuth phi (radians from the plane of
// symmetry): theta from -theta_max to theta_max (negative theta is phi +
// 180 degrees); co and cross-polar fields (Ludwig's third definition)
// scaled so that |E|^2 is the gain over isotropic, phases referred to the
// prime focus with the e^{+j omega t} convention.
struct Cut {
    double phi = 0;
    bool co_right = false;  // circular polarisation: the co-polar field is the right-hand one
    std::vector<double> theta;
    std::vector<std::complex<double>> co, cross;
};

// A cut as the files give it: theta in degrees, gain in dBi, phases in
// degrees.
struct Levels {
    std::vector<double> theta_deg, co_dbi, cross_dbi, co_phase_deg, cross_phase_deg;
};
Levels levels_of(const Cut& cut);

// The aperture field of a design, sampled over its feed's cone.
class Aperture {
public:
    // Throws std::invalid_argument for a model that is not solved or whose
    // rays miss a reflector where the design says they meet it.
    Aperture(const geometry::Antenna& antenna, const Settings& settings);

    // An aperture of given points (x, y) with their weights (the field
    // times the area each stands for), lit in the co-polar sense: the
    // aperture integration alone, for tests against closed forms.
    static Aperture of_points(const std::vector<std::array<double, 3>>& points, double wavelength, double diameter);

    Result result() const;
    // The far field in direction (theta, phi): co and cross, as in Cut.
    void field(double theta, double phi, std::complex<double>& co, std::complex<double>& cross) const;
    Cut cut(double phi, double theta_max, int points) const;
    // The half-power (-3.0103 dB) full width in the cut phi, radians.
    double half_power_width(double phi) const;
    // The power of the co- and cross-polar fields (|E|^2, the gain) along
    // the half-cut at azimuth phi at n angles whose sines are 0, ds, 2 ds,
    // ...: each ray's phasor turned step by step, no trigonometry per point.
    void scan(double phi, double ds, int n, std::vector<double>& co, std::vector<double>& cross) const;

private:
    Aperture() = default;
    struct Sample {
        double x, y;                      // where the ray meets the aperture plane
        std::complex<double> co, cross;   // weight x field: the integrand of each component
        bool blocked;
    };
    std::vector<Sample> samples_;
    // A body of revolution lit from its axis: its rings of rays (each its
    // rays' radius and common integrand) and the cosines of the azimuths of
    // the share of a ring its sums need.
    struct Ring {
        double rho;
        std::complex<double> co, cross;
        bool blocked;
    };
    std::vector<Ring> rings_;
    std::vector<double> ring_cos_;
    int ring_share_ = 1;
    void scan_rings(double ds, int n, std::vector<double>& co, std::vector<double>& cross) const;
    double k_ = 0, feed_power_ = 0, aperture_power_ = 0, area_ = 0, diameter_ = 0;
    double spill_sub_ = 0, spill_main_ = 0;
    std::complex<double> all_co_, unblocked_co_;
    double abs_co_ = 0, co2_ = 0;
    bool any_cross_ = false;
    bool co_right_ = false;  // circular: the co-polar reference is right-handed
};

// The columns of --radiate for one design, by the settings' method (for
// physical optics, eff_block, eff_taper, eff_phase and eff_pol stay those
// of geometrical optics).  Throws as Aperture's and Currents' constructors.
Result result_of(const geometry::Antenna& antenna, const Settings& settings);

// Throws geometry::InputError, before anything is computed, when the
// settings' method cannot sample the design out to theta_max (degrees;
// NaN: the columns and the default cuts).
void preflight(const geometry::Antenna& antenna, const Settings& settings, double theta_max);

// The cuts at the azimuths `cuts` (degrees) out to theta_max (degrees;
// NaN: five half-power widths) in `points` points.
std::vector<Cut> cuts_of(const geometry::Antenna& antenna, const Settings& settings, std::span<const double> cuts,
                         double theta_max, int points);

// The text of --pattern: the cuts at the azimuths `cuts` (degrees) out to
// theta_max (degrees; NaN: five half-power widths) in `points` points, as
// CSV (phi_deg,theta_deg,co_dBi,cross_dBi,co_phase_deg,cross_phase_deg,
// every number the shortest text of its double) or as TICRA's .cut (each
// cut a heading line, V_INI V_INC V_NUM C ICOMP ICUT NCOMP, then the fields).
std::string pattern_file(const geometry::Antenna& antenna, const Settings& settings, std::span<const double> cuts,
                         double theta_max, int points, bool cut_format, const std::string& heading);

// The same text from cuts made already (cuts_of's, of these azimuths).
std::string pattern_text(const std::vector<Cut>& all, const Settings& settings, std::span<const double> cuts,
                         int points, bool cut_format, const std::string& heading);

// The far-field pattern of the aperture of a uniformly lit circle of
// diameter d (in wavelengths) at sin theta = s, relative to boresight: a
// closed form, for tests of the integration.
double uniform_circle(double d, double s);

}  // namespace radiate
