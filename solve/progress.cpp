#include "solve/progress.hpp"

#include <cstdio>
#include <unistd.h>

namespace solve {

Progress::Progress(std::string what, std::int64_t total, std::uint64_t stride)
    : what_(std::move(what)), total_(total), stride_(stride == 0 ? 1 : stride), enabled_(isatty(2) == 1),
      start_(Clock::now()),
      next_(start_ + std::chrono::seconds(1)) {}

void Progress::update(std::int64_t done) {
    if (!enabled_ || ++calls_ % stride_ != 0) return;
    const Clock::time_point now = Clock::now();
    if (now < next_) return;
    next_ = now + std::chrono::milliseconds(250);
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double left = done > 0 ? elapsed * double(total_ - done) / double(done) : 0;
    std::fprintf(stderr, "\rrefldsgn-solve: %lld of %lld %s done, about %.0f s left\033[K",
                 static_cast<long long>(done), static_cast<long long>(total_), what_.c_str(), left);
    std::fflush(stderr);
    shown_ = true;
}

void Progress::finish() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

}  // namespace solve
