// Every row of a study written in one format, solved and formatted in
// blocks on several threads and written in order by the calling thread.
// A few blocks are in flight at a time, so memory stays flat however many
// rows there are, and the text is the same for any number of threads.
#pragma once

#include <cstdint>
#include <functional>

#include "study/formats.hpp"
#include "textio/output.hpp"

namespace study {

// Rows in a block: some hundred kilobytes of text, a millisecond or two of
// work.
inline constexpr std::int64_t kBlockRows = 4096;

struct StreamResult {
    std::int64_t rows = 0;    // written
    std::int64_t failed = 0;  // of them, failing a check
    CheckTally checks;        // their failed checks
};

// Writes the format's header, every row of the study and its end to `out`
// (flushed, not closed).  jobs: the threads that solve and format (1: all
// on the calling thread).  progress(done) is called on the calling thread
// after each block is written.  A write error (textio::IoError) stops the
// work and propagates once the threads have ended; what reached `out` is
// then a prefix of the whole text.
StreamResult write_rows(const RowFormat& format, const Study& study, textio::OutputUnit& out, unsigned jobs,
                        const std::function<void(std::int64_t done)>& progress = {});

}  // namespace study
