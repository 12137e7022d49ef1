// refldsgn-solve: the design solver for scripts and studies.
//
//   refldsgn-solve [OPTIONS] QUANTITY=VALUE... [@FILE...]
//
// Exit status: 0 done; 1 an output could not be written; 2 bad input
// (nothing written); 3 with --strict, some row failed a check.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "solve/inputs.hpp"
#include "solve/progress.hpp"
#include "solve/study.hpp"
#include "solve/writers.hpp"
#include "textio/error.hpp"
#include "textio/output.hpp"

namespace {

constexpr const char* kProgram = "refldsgn-solve";

struct Options {
    std::vector<std::string> inputs;
    solve::Format format = solve::Format::table;
    std::string output;
    bool strict = false;
};

std::string footer() {
    std::string s = "Quantities (lengths in any one unit, angles in degrees):\n";
    for (const solve::KeyInfo& k : solve::kKeys) {
        std::string name(k.name);
        name.resize(8, ' ');
        s += "  " + name + std::string(k.help) + "\n";
    }
    s += "\nA value is a plain decimal number, or START:STOP:STEP to sweep the quantity\n"
         "(at most two sweeps; the second is nested inside the first).  Without DF the\n"
         "design is of mode 1 (TE or FDE and three lengths), with DF of mode 2 (three of\n"
         "DM, FM, LM, DS, LS, TE); LP selects the feed phase centre.  @FILE reads one\n"
         "QUANTITY=VALUE per line ('#' or '%' starts a comment); the command line\n"
         "overrides the file.\n\n"
         "Every row is checked: ok, or no-solution, non-finite, non-positive,\n"
         "wrong-conic, sub-not-smaller, angle-range, feed-not-smaller,\n"
         "feed-beyond-focus, inconsistent.\n\n"
         "Exit status: 0 done, 1 output not written, 2 bad input, 3 a check failed (--strict).\n"
         "Example: refldsgn-solve type=cassegrain DM=6 FM=2.52 DS=0.35 TE=2.04624 -f csv";
    return s;
}

int run(const Options& opt) {
    // All input is checked before anything is written.
    solve::Study study(solve::read_inputs(opt.inputs));

    textio::OutputUnit out = opt.output.empty() ? textio::OutputUnit(1, "standard output", 1, false)
                                                : textio::OutputUnit::create(1, opt.output);
    auto writer = solve::make_writer(opt.format, study, out);
    writer->begin();
    bool failed = false;
    solve::Progress progress("rows", study.rows());
    for (std::int64_t i = 0; i < study.rows(); ++i) {
        const solve::Design d = study.design(i);
        failed = failed || !d.ok();
        writer->row(d, {});
        progress.update(i + 1);
    }
    progress.finish();
    writer->end();
    out.close();
    return opt.strict && failed ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!textio::reserve_standard_descriptors()) return 1;
    // A closed pipe or a file-size limit is a write error with a message.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    Options opt;
    CLI::App app("Sizes axially symmetric Cassegrain and Gregorian dual-reflector antennas from\n"
                 "the quantities held fixed, with sweeps, checks and machine-readable output.",
                 kProgram);
    app.footer(footer());
    app.set_version_flag("--version", std::string(kProgram) + " " + REFLDSGN_VERSION);
    app.add_option("inputs", opt.inputs, "QUANTITY=VALUE assignments and @FILE study files")->type_name("");
    const std::map<std::string, solve::Format> formats = {
        {"table", solve::Format::table}, {"csv", solve::Format::csv}, {"json", solve::Format::json}};
    app.add_option("-f,--format", opt.format, "output format: table (default), csv or json")
        ->transform(CLI::CheckedTransformer(formats))
        ->type_name("FORMAT");
    app.add_option("-o,--output", opt.output, "write to FILE instead of standard output")->type_name("FILE");
    app.add_flag("--strict", opt.strict, "exit with status 3 when any row fails a check");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::cout << app.version() << '\n';
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 2;
    }

    try {
        return run(opt);
    } catch (const solve::InputError& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 2;
    } catch (const textio::IoError& e) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", kProgram, e.file().c_str(),
                     e.os_error() != 0 ? std::strerror(e.os_error()) : "invalid file name");
        return 1;
    }
}
