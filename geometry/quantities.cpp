#include "geometry/quantities.hpp"

namespace geometry {

const std::array<KeyInfo, kKeyCount> kKeys = {{
    {Key::type, "type", KeyKind::type, "reflector type: cassegrain (or -1), gregorian (or 1)"},
    {Key::DM, "DM", KeyKind::design, "main reflector diameter"},
    {Key::FM, "FM", KeyKind::design, "main reflector focal length"},
    {Key::LM, "LM", KeyKind::design, "main vertex to feed point (negative: feed behind the vertex)"},
    {Key::DS, "DS", KeyKind::design, "subreflector diameter"},
    {Key::LS, "LS", KeyKind::design, "feed point to subreflector vertex"},
    {Key::TE, "TE", KeyKind::design, "feed half subtended angle, degrees"},
    {Key::FDE, "FDE", KeyKind::design, "effective f/D, instead of TE"},
    {Key::DF, "DF", KeyKind::design, "feed diameter: selects the minimum-blockage mode"},
    {Key::LP, "LP", KeyKind::design, "phase-centre depth behind the feed aperture (with DF)"},
    {Key::H, "H", KeyKind::design, "offset: distance of the aperture centre from the main axis"},
    {Key::HC, "HC", KeyKind::design, "offset: clearance H - DM/2 of the aperture's lower edge"},
    {Key::TH0, "TH0", KeyKind::design, "offset: angle at the focus from the main axis to the aperture centre, degrees"},
    {Key::BETA, "BETA", KeyKind::design, "offset: angle between the sub axis and the main axis, degrees"},
    {Key::ALPHA, "ALPHA", KeyKind::design, "offset: angle between the feed axis and the sub axis, degrees"},
    {Key::E, "E", KeyKind::design, "offset: eccentricity of the sub conic"},
    {Key::LSM, "LSM", KeyKind::design, "offset: sub to main along the central ray"},
    {Key::C2, "C2", KeyKind::design, "offset: feed phase centre to the focus (2c)"},
    {Key::DFPR, "DFPR", KeyKind::design, "offset: gap in x from the feed to the aperture's lower edge"},
    {Key::DSRPR, "DSRPR", KeyKind::design, "offset: gap in x from the sub edge to the aperture's lower edge"},
    {Key::root, "root", KeyKind::choice, "offset, with E: 1 the design of smaller BETA (default), 2 the other"},
    {Key::unit, "unit", KeyKind::unit, "length unit: in, ft, mm, cm or m (CHAMP files, GRASP, CAD, radiation)"},
    {Key::freq, "freq", KeyKind::analysis, "frequency for cassbeam, GHz"},
    {Key::taper, "taper", KeyKind::analysis, "feed taper for cassbeam, dB (default 10)"},
    {Key::taper_angle, "taper_angle", KeyKind::analysis, "angle of that taper, degrees (default each design's TE)"},
    {Key::feed, "feed", KeyKind::setting, "feed pattern of --radiate: gaussian (default) or cosq"},
    {Key::pol, "pol", KeyKind::setting, "polarisation of --radiate's feed: x (default, in the plane of symmetry), y, rhc or lhc"},
    {Key::method, "method", KeyKind::setting, "method of --radiate: go (geometrical optics, default) or po (physical optics)"},
}};

namespace {
constexpr std::string_view kFeeds[] = {"gaussian", "cosq"};
constexpr std::string_view kPolarisations[] = {"x", "y", "rhc", "lhc"};
constexpr std::string_view kMethods[] = {"go", "po"};
}  // namespace

std::span<const std::string_view> setting_words(Key k) {
    if (k == Key::feed) return kFeeds;
    if (k == Key::pol) return kPolarisations;
    if (k == Key::method) return kMethods;
    return {};
}

std::string setting_text(Key k) {
    const auto words = setting_words(k);
    std::string all;
    for (std::size_t i = 0; i < words.size(); ++i)
        all += std::string(i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + std::string(words[i]);
    return all;
}

namespace {
constexpr std::string_view kCodes[kChecks] = {
    "no-solution",      "non-finite",        "non-positive", "wrong-conic",      "sub-not-smaller", "angle-range",
    "feed-not-smaller", "feed-beyond-focus", "inconsistent", "beyond-asymptote", "sub-blocks",      "feed-blocks",
};
}  // namespace

std::string_view code_of(Check c) { return kCodes[static_cast<std::size_t>(c)]; }

}  // namespace geometry
