// The study core: the shortest number text against the library's, rows in
// blocks on several threads against one pass, and columns against rows.
// (Write errors under several threads: tests/scripts/solve_cli.py.)
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "study/columns.hpp"
#include "study/formats.hpp"
#include "study/row_stream.hpp"

namespace {

std::string library_text(float v) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// Every bit pattern when REFLDSGN_EXHAUSTIVE is set (a few minutes on two
// cores), otherwise a stride through all of them plus the edges of every
// binade and random values.
TEST(Shortest, SameTextAsTheLibrary) {
    const bool all = std::getenv("REFLDSGN_EXHAUSTIVE") != nullptr;
    auto check_range = [](std::uint64_t lo, std::uint64_t hi, std::uint64_t stride, int& bad) {
        for (std::uint64_t b = lo; b < hi; b += stride) {
            const auto u = static_cast<std::uint32_t>(b);
            float v = 0;
            std::memcpy(&v, &u, 4);
            if (std::isnan(v)) continue;
            std::string mine;
            study::append_shortest(mine, v);
            if (mine != library_text(v) && bad++ < 10) ADD_FAILURE() << std::hex << u << ": " << mine;
        }
    };
    int bad = 0;
    if (all) {
        int bad2 = 0;
        std::thread t([&] { check_range(0, 1ull << 31, 1, bad2); });
        check_range(1ull << 31, 1ull << 32, 1, bad);
        t.join();
        bad += bad2;
    } else {
        check_range(0, 1ull << 32, 997, bad);
        for (std::uint32_t exp = 0; exp < 256; ++exp)
            for (std::uint32_t m : {0u, 1u, 2u, 0x3fffffu, 0x400000u, 0x7ffffeu, 0x7fffffu})
                for (std::uint32_t sign : {0u, 0x80000000u}) check_range(sign | exp << 23 | m, (sign | exp << 23 | m) + 1ull, 1, bad);
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> mag(-12, 12);
        for (int i = 0; i < 200000; ++i) {
            const auto v = static_cast<float>(std::pow(10.0, mag(rng)));
            std::uint32_t u = 0;
            std::memcpy(&u, &v, 4);
            check_range(u, u + 1ull, 1, bad);
        }
    }
    EXPECT_EQ(bad, 0);
    std::string nan;
    study::append_shortest(nan, -NAN);
    EXPECT_EQ(nan, "nan");
}

study::Study make_study(std::vector<std::string> args) { return study::Study(study::read_inputs(args)); }

// The text of a whole study written through a pipe-less file.
std::string written(const study::RowFormat& f, const study::Study& s, unsigned jobs, std::int64_t& failed) {
    char name[] = "/tmp/refldsgn-rows-XXXXXX";
    const int fd = mkstemp(name);
    {
        textio::OutputUnit out(1, name, fd, true);
        failed = study::write_rows(f, s, out, jobs).failed;
        out.close();
    }
    std::string text;
    FILE* in = std::fopen(name, "rb");
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) text.append(buf, n);
    std::fclose(in);
    std::remove(name);
    return text;
}

// Blocks on 1, 2 and 5 threads against rows written one at a time, for
// studies that end inside a block, on its edge, and after one row.
TEST(RowStream, BlocksJoinToTheTextOfOnePass) {
    const std::vector<std::vector<std::string>> studies = {
        {"type=-1", "DM=100:140:0.001", "LM=10", "LS=30", "FDE=0.5"},  // 40,001 rows: fails its checks
        {"type=1", "DM=20", "FM=8:12:0.01", "LM=2", "TE=10:12:0.1"},   // a grid of 401 x 21
        {"type=-1", "DM=1:4096:1", "FM=10", "TE=13", "DF=2.5", "LP=0.5"},  // exactly one block
        {"type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"},
    };
    for (const auto& args : studies) {
        const study::Study s = make_study(args);
        for (study::Format fmt : {study::Format::csv, study::Format::json, study::Format::table}) {
            const auto f = study::make_format(fmt, s);
            textio::TextBuffer one;
            std::int64_t failed_one = 0;
            study::CheckTally tally;
            f->begin(one);
            for (std::int64_t i = 0; i < s.rows(); ++i) {
                const study::Design d = s.design(i);
                failed_one += d.ok() ? 0 : 1;
                tally.add(d);
                f->row(one, d, {});
            }
            f->end(one, tally);
            for (unsigned jobs : {1u, 2u, 5u}) {
                std::int64_t failed = -1;
                const std::string text = written(*f, s, jobs, failed);
                EXPECT_TRUE(text == one.view()) << args[1] << " format " << int(fmt) << " jobs " << jobs;
                EXPECT_EQ(failed, failed_one) << args[1];
            }
        }
    }
}

TEST(Columns, SameNumbersAsTheRows) {
    const study::Study s = make_study({"type=-1", "DM=2", "LS=1:3:0.1", "DS=1:40:1", "TE=84"});  // with rows without solution
    const study::Columns c = study::solve_columns(s, 3, s.rows() - 5, 2);
    std::int64_t failed = 0, no_solution = 0;
    for (std::int64_t i = 0; i < s.rows() - 5; ++i) {
        const study::Design d = s.design(3 + i);
        failed += d.ok() ? 0 : 1;
        no_solution += d.failed(study::Check::no_solution) ? 1 : 0;
        EXPECT_EQ(c.checks[static_cast<std::size_t>(i)], d.checks);
        for (std::size_t v = 0; v < s.shown().size(); ++v) {
            const float got = c.values[v][static_cast<std::size_t>(i)];
            if (d.has(static_cast<study::Value>(v)) && !std::isnan(d.values[v]))
                EXPECT_EQ(std::memcmp(&got, &d.values[v], 4), 0) << i << " " << v;
            else
                EXPECT_TRUE(std::isnan(got)) << i << " " << v;
        }
    }
    EXPECT_EQ(c.failed, failed);
    EXPECT_GT(no_solution, 0);
    // Many parts on many threads give the same numbers as one.
    const study::Study big = make_study({"type=1", "DM=20", "FM=8:12:0.001", "LM=2", "TE=11"});
    const study::Columns a = study::solve_columns(big, 0, big.rows(), 1), b = study::solve_columns(big, 0, big.rows(), 3);
    for (std::size_t v = 0; v < big.shown().size(); ++v)
        EXPECT_EQ(std::memcmp(a.values[v].data(), b.values[v].data(), a.values[v].size() * 4), 0) << v;
    EXPECT_EQ(a.checks, b.checks);
}

}  // namespace
