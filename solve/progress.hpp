// Progress of long work on standard error: shown only when standard error
// is a terminal and the work has run for more than a second, never in a
// pipe or a file.  In the page's module it goes to the page instead.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace solve {

class Progress {
public:
    // what: the unit counted ("rows", "designs"); the clock is read every
    // stride-th update (cheap units come in many thousands a second).
    Progress(std::string what, std::int64_t total, std::uint64_t stride = 1);
    ~Progress() { finish(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // done of total units are finished; cheap enough to call per row.
    void update(std::int64_t done);
    // Clears the progress line, if one was shown.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    std::string what_;
    std::int64_t total_;
    std::uint64_t stride_;
    bool enabled_;
    bool shown_ = false;
    std::uint64_t calls_ = 0;
    Clock::time_point start_;
    Clock::time_point next_;
};

}  // namespace solve
