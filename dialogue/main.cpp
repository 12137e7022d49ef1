// Program entry of refldsgn and refldsgn-basic.  The only error path of the
// program ends here: an I/O failure unwinds (closing every open file with
// what was written), the console line is ended and one diagnostic line goes
// to standard error.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "dialogue/state.hpp"
#include "textio/error.hpp"

#if REFLDSGN_WITH_EXPORT
#include "dialogue/surface_export.hpp"
#endif

int main() {
    // A standard descriptor closed by the caller is taken by an unwritable
    // stand-in, so that no file the program opens lands on it and receives
    // console output; writing to a closed console is then a write error.
    if (!textio::reserve_standard_descriptors()) return 1;
    // A closed output pipe or a file-size limit is a write error (38), not
    // a silent end of the run.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    std::ios::sync_with_stdio(false);
    textio::InputUnit in(std::cin);
    textio::OutputUnit out(6, "CONOUT$", 1, false);
    textio::Console con{in, out};
    // Typed at a terminal, an answer's line end also ends the prompt's line;
    // through pipes and files the program ends it itself.
    if (isatty(0) && isatty(1)) in.set_after_line([&out] { out.line_ended(); });
#if REFLDSGN_WITH_EXPORT
    dialogue::SurfaceExport exporter;
    dialogue::ExportHooks* hooks = &exporter;
#else
    dialogue::ExportHooks* hooks = nullptr;
#endif
    try {
        dialogue::run_dialogue(con, hooks);
        out.close();
        return 0;
    } catch (const textio::IoError& e) {
        try {
            out.close();
        } catch (const textio::IoError&) {
        }
        std::string line = textio::diagnostic_line(REFLDSGN_NAME, e);
        line += '\n';
        std::fputs(line.c_str(), stderr);
        return 1;
    }
}
