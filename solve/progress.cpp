#include "solve/progress.hpp"

#include <cstdio>
#include <unistd.h>

#if defined(__EMSCRIPTEN__)
#include <emscripten/emscripten.h>
#endif

namespace solve {

#if defined(__EMSCRIPTEN__)
constexpr bool kPage = true;  // the page's module: the progress goes to the page
#else
constexpr bool kPage = false;
#endif

Progress::Progress(std::string what, std::int64_t total, std::uint64_t stride)
    : what_(std::move(what)), total_(total), stride_(stride == 0 ? 1 : stride), enabled_(isatty(2) == 1 || kPage),
      start_(Clock::now()),
      next_(start_ + std::chrono::seconds(1)) {}

void Progress::update(std::int64_t done) {
    if (!enabled_ || ++calls_ % stride_ != 0) return;
    const Clock::time_point now = Clock::now();
    if (now < next_) return;
    next_ = now + std::chrono::milliseconds(250);
#if defined(__EMSCRIPTEN__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdollar-in-identifier-extension"  // EM_ASM names its arguments $0, $1
    EM_ASM({ if (Module['onProgress']) Module['onProgress']($0, $1); }, double(done), double(total_));
#pragma clang diagnostic pop
    return;
#endif
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
