// Rows of a study as columns of numbers: one float array per value and a
// check mask per row, for callers that want numbers rather than text.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "study/study.hpp"

namespace study {

// Where the rows go: element i of each array receives row first + i.  A
// null pointer skips that column.  A value that does not show (DF and LP
// outside their mode, the solved values of a row without solution) is NaN.
struct ColumnTargets {
    std::array<float*, kMaxColumns> values{};
    std::uint32_t* checks = nullptr;  // bit per Check; 0 is "ok"
};

// Solves rows [first, first + count) of the study into the targets, on up
// to `jobs` threads.  Returns how many of them fail a check.
std::int64_t solve_columns(const Study& study, std::int64_t first, std::int64_t count, const ColumnTargets& to,
                           unsigned jobs = 1);

// The same, into arrays of its own.
struct Columns {
    std::array<std::vector<float>, kMaxColumns> values;
    std::vector<std::uint32_t> checks;
    std::int64_t failed = 0;
    const std::vector<float>& operator[](Value v) const { return values[static_cast<std::size_t>(v)]; }
};
Columns solve_columns(const Study& study, std::int64_t first, std::int64_t count, unsigned jobs = 1);

}  // namespace study
