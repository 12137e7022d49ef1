// The field formatter alone: nanoseconds per F9.4 field and per 1P,E13.6
// field, over values of the magnitudes the tables and surface files hold.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "textio/format.hpp"

namespace {

const std::vector<float>& values() {
    static const std::vector<float> v = [] {
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> exponent(-3.0, 3.5);
        std::vector<float> out(4096);
        for (float& x : out) x = static_cast<float>(std::pow(10.0, exponent(rng))) * ((rng() & 1) ? -1.0f : 1.0f);
        return out;
    }();
    return v;
}

template <bool Exponent>
void field(benchmark::State& state, int w, int d) {
    const std::vector<float>& v = values();
    std::string line;
    line.reserve(1 << 16);
    std::size_t i = 0;
    for (auto _ : state) {
        if (line.size() > (1 << 15)) line.clear();
        if (Exponent) {
            textio::put_E(line, v[i++ & 4095], w, d);
        } else {
            textio::put_F(line, v[i++ & 4095], w, d);
        }
        benchmark::DoNotOptimize(line.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void F9_4(benchmark::State& state) { field<false>(state, 9, 4); }
void E13_6(benchmark::State& state) { field<true>(state, 13, 6); }
BENCHMARK(F9_4);
BENCHMARK(E13_6);

}  // namespace

BENCHMARK_MAIN();
