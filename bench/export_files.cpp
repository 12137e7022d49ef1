// Times the two surface writers at their largest: a .rsf file of 1,000,000
// points and a CHAMP file of 999 nodes (the most it can hold), both of the
// subreflector of a Cassegrain design, written into a scratch folder.
//
//   bench_export_files [folder]      (default: the system's temporary folder)
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "export/champ.hpp"
#include "export/profile.hpp"
#include "export/rsf.hpp"
#include "textio/output.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const std::string rsf_name = (dir / "bench_export.rsf").string();
    const std::string champ_name = (dir / "bench_export.champ").string();

    float DM = 2, DS = 0.318367f, FD = 0.5f, t = -1;
    float FDE = static_cast<float>(1.0 / (4.0 * std::tan(0.229753 / 2.0)));
    float a = 0, b = 0;
    std::array<float, 3> centre{}, feed{};
    surface::DURGEO(DM, DS, FD, FDE, t, a, b, centre, feed);
    const surface::Profile sub = surface::make_profile(surface::Reflector::sub, 1, t, a, b, centre, feed);

    const float start = 0, stop = 0.318367f, step = (stop - start) / 999999;
    std::int32_t points = 0;
    surface::rsf_point_count(start, stop, step, points);
    const std::string label(40, ' ');

    auto t0 = Clock::now();
    {
        textio::OutputUnit out = textio::OutputUnit::create(surface::kRsfUnit, rsf_name);
        surface::write_rsf(out, label, points, start, step, sub, 1, 0);
    }
    const double rsf_s = seconds_since(t0);

    t0 = Clock::now();
    {
        textio::OutputUnit out = textio::OutputUnit::create(surface::kChampUnit, champ_name);
        surface::write_champ_focal_point(out);
        surface::write_champ_nodes(out, 999, start, surface::champ_step(start, stop, 999), 3, sub);
    }
    const double champ_s = seconds_since(t0);

    std::printf(".rsf   %9d points  %10ju bytes  %8.3f ms\n", points,
                static_cast<std::uintmax_t>(fs::file_size(rsf_name)), rsf_s * 1e3);
    std::printf("CHAMP  %9d nodes   %10ju bytes  %8.3f ms\n", 999,
                static_cast<std::uintmax_t>(fs::file_size(champ_name)), champ_s * 1e3);
    fs::remove(rsf_name);
    fs::remove(champ_name);
    return 0;
}
