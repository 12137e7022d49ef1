#include "study/columns.hpp"

#include <algorithm>
#include <limits>
#include <thread>

namespace study {
namespace {

std::int64_t solve_part(const Study& study, std::int64_t first, std::int64_t begin, std::int64_t end,
                        const ColumnTargets& to) {
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    std::int64_t failed = 0;
    const std::size_t columns = study.shown().size();
    for (std::int64_t i = begin; i < end; ++i) {
        const Design d = study.design(first + i);
        failed += d.ok() ? 0 : 1;
        const auto at = static_cast<std::size_t>(i);
        for (std::size_t v = 0; v < columns; ++v)
            if (to.values[v] != nullptr) to.values[v][at] = d.has(static_cast<Value>(v)) ? d.values[v] : kNaN;
        if (to.checks != nullptr) to.checks[at] = d.checks;
    }
    return failed;
}

}  // namespace

std::int64_t solve_columns(const Study& study, std::int64_t first, std::int64_t count, const ColumnTargets& to,
                           unsigned jobs) {
    // Below a few thousand rows a thread costs more than it saves.
    const std::int64_t parts = std::clamp<std::int64_t>(count / 4096, 1, std::max(1u, jobs));
    if (parts == 1) return solve_part(study, first, 0, count, to);
    std::vector<std::int64_t> failed(static_cast<std::size_t>(parts), 0);
    std::vector<std::thread> pool;
    for (std::int64_t p = 0; p < parts; ++p) {
        const std::int64_t begin = count * p / parts, end = count * (p + 1) / parts;
        pool.emplace_back([&, p, begin, end] { failed[static_cast<std::size_t>(p)] = solve_part(study, first, begin, end, to); });
    }
    for (std::thread& t : pool) t.join();
    std::int64_t total = 0;
    for (std::int64_t f : failed) total += f;
    return total;
}

Columns solve_columns(const Study& study, std::int64_t first, std::int64_t count, unsigned jobs) {
    Columns c;
    ColumnTargets to;
    const auto n = static_cast<std::size_t>(std::max<std::int64_t>(count, 0));
    for (std::size_t v = 0; v < study.shown().size(); ++v) {
        c.values[v].resize(n);
        to.values[v] = c.values[v].data();
    }
    c.checks.resize(n);
    to.checks = c.checks.data();
    c.failed = solve_columns(study, first, count, to, jobs);
    return c;
}

}  // namespace study
