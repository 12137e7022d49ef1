// The hand-off to cassbeam, the Cassegrain/Gregorian ray tracer: its input
// file and primary profile for one design, and the analysis of every row
// of a study by running it, as many at once as there are cores.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "study/study.hpp"

namespace handoff {

// What the analysis takes from the inputs: freq=, taper=, taper_angle= and
// the length unit.  Throws study::InputError when freq or unit is missing or
// a value is not positive.
struct CassbeamSettings {
    float freq = 0;          // GHz
    float taper = 10;        // dB at the taper angle
    float taper_angle = 0;   // degrees; 0: each design's own TE
    double metres = 1;       // metres per design length unit
    std::string unit_name;   // as given (unit= is required)
};
CassbeamSettings cassbeam_settings(const study::Study& study, const char* option);
// The part of those settings that the design gives: throws InputError for
// an offset design (cassbeam traces surfaces of revolution) or a study
// without unit=; sets the unit otherwise.
void cassbeam_design(const study::Study& study, const char* option, CassbeamSettings& s);

// The grid size cassbeam uses for a design: the central shadow (the feed in
// mode 2, the subreflector otherwise) about 16 cells across, 128 to 512.
int grid_size(const geometry::Antenna& a);

// Writes PREFIX.in and PREFIX.geom for one design; the .in names the geom
// file and the output prefix as given (geom_ref, out_ref).  I/O failures
// raise textio::IoError.
void write_cassbeam_input(const std::string& in_path, const std::string& geom_path, const std::string& geom_ref,
                          const std::string& out_ref, const study::Study& study, const study::Design& d,
                          const CassbeamSettings& settings);

// The analysis columns, in order.
inline constexpr std::array<const char*, 9> kAnalysisColumns = {
    "gain_dBi", "totaleff", "spilleff", "prispilleff", "subspilleff", "blockeff", "illumeff", "phaseeff", "Tsys"};
using Analysis = std::array<float, 9>;

// Reads a cassbeam .params file into the analysis columns (gain in dBi);
// false when a value is missing.
bool read_params(const std::string& path, Analysis& a);

// True when a program named cassbeam is on PATH.
bool cassbeam_on_path();

// A failure of cassbeam itself (it failed, was killed or wrote no
// results): the program reports it and exits with status 1.
class AnalysisError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs cassbeam on every row that passes its checks (of `rows`, 0-based, or
// of the whole study when it is empty), in a temporary folder each, at most
// `jobs` at once; `emit` receives the rows in order, with their analysis
// (none for a row not analysed).  Throws AnalysisError after the rows
// before the failing one have been emitted.
void analyze(const study::Study& study, const CassbeamSettings& settings, unsigned jobs,
             const std::function<void(const study::Design&, const Analysis*)>& emit,
             std::span<const std::int64_t> rows = {});

}  // namespace handoff
