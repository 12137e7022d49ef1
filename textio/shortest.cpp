#include "textio/shortest.hpp"

#include "textio/charconv.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

// The digits come from Dragonbox, compiled into this file alone (the
// programs need no formatting library at run time).
#ifndef FMT_HEADER_ONLY
#define FMT_HEADER_ONLY 1
#endif
#include <fmt/format.h>

namespace textio {
namespace {

constexpr std::uint64_t kZeros8 = 0x3030303030303030u;

// The eight digits of v < 10^8 (leading zeros included) as characters in a
// word, the first in the low byte, computed in its lanes (4 + 4, then
// 2 + 2, then 1 + 1 digits): no division, no table.
std::uint64_t eight_digits(std::uint32_t v) {
    const std::uint64_t high4 = v / 10000, low4 = v % 10000;
    std::uint64_t x = high4 | (low4 << 32);
    const std::uint64_t hundreds = ((x * 10486) >> 20) & 0x0000007F0000007Fu;  // each lane / 100
    x = hundreds | ((x - hundreds * 100) << 16);
    const std::uint64_t tens = ((x * 103) >> 10) & 0x000F000F000F000Fu;  // each lane / 10
    x = tens | ((x - tens * 10) << 8);
    return x | kZeros8;
}

void store8(char* p, std::uint64_t w) { std::memcpy(p, &w, 8); }

// The number of decimal digits of v (1 to 10): from its bit length
// (1233 / 4096 is just above log10 2), less one below the next power.
int digit_count(std::uint32_t v) {
    static constexpr std::uint32_t kPowers[] = {1,      10,      100,      1000,      10000,
                                                100000, 1000000, 10000000, 100000000, 1000000000};
    const int t = ((32 - __builtin_clz(v | 1)) * 1233) >> 12;
    return t + 1 - (v < kPowers[t]);
}

}  // namespace

// The text is written in whole words from registers, some of them past its
// end: nothing just written is read back, and no digit is placed alone.
char* put_shortest(char* p, float v) {
    if (std::isnan(v)) {
        std::memcpy(p, "nan", 3);
        return p + 3;
    }
    if (!std::isfinite(v) || v == 0) return shortest_chars(p, p + kMaxShortest, v);
    // The shortest digits D and the exponent E, v = D * 10^E.
    const auto dec = fmt::detail::dragonbox::to_decimal(v);
    std::uint32_t d = dec.significand;
    int e = dec.exponent;
    while (d % 10 == 0) d /= 10, ++e;
    const int n = digit_count(d);
    const int x = e + n - 1;  // the exponent of scientific notation (-45 to 38)
    const int sci = n + (n > 1 ? 1 : 0) + 4;
    const int fixed = e >= 0 ? n + e : (n + e > 0 ? n + 1 : 2 - e);
    // Fixed notation with trailing zeros stands for the exact integer value
    // of v, which may have other digits: left to the library.
    if (fixed <= sci && e > 0 && std::fabs(v) >= 16777216.0f) return shortest_chars(p, p + kMaxShortest, v);

    // The digits and then zeros, sixteen characters in two words.
    std::uint64_t lo = 0, hi = kZeros8;
    if (n <= 8) {
        lo = eight_digits(d) >> (8 * (8 - n));
        if (n < 8) lo |= kZeros8 << (8 * n);
    } else {
        const std::uint64_t rest = eight_digits(d % 100000000);
        lo = ('0' + d / 100000000) | (rest << 8);
        hi = (rest >> 56) | (kZeros8 << 8);
    }
    if (v < 0) *p++ = '-';
    if (fixed <= sci) {
        if (e >= 0) {  // D and e zeros (e is at most 5 here)
            store8(p, lo);
            store8(p + 8, hi);
            return p + n + e;
        }
        if (n + e > 0) {  // the point inside the digits
            const int before = n + e;  // 1 to 8
            store8(p, lo);
            store8(p + 8, hi);
            store8(p + before + 1, before == 8 ? hi : (lo >> (8 * before)) | (hi << (64 - 8 * before)));
            p[before] = '.';
            return p + n + 1;
        }
        // 0.00D (at most three zeros here)
        const int lead = 2 - e - n;
        store8(p, 0x3030303030302e30u);  // "0.000000"
        store8(p + lead, lo);
        store8(p + lead + 8, hi);
        return p + 2 - e;
    }
    // d.ddde+XX
    store8(p, (lo & 0xff) | (std::uint64_t{'.'} << 8) | (lo >> 8) << 16);
    store8(p + 8, (lo >> 56) | (hi << 8));
    p += n > 1 ? n + 1 : 1;
    const int ax = x < 0 ? -x : x;
    const std::uint32_t exponent = 'e' | (x < 0 ? '-' : '+') << 8 | ('0' + ax / 10) << 16 | ('0' + ax % 10) << 24;
    std::memcpy(p, &exponent, 4);
    return p + 4;
}

void append_shortest(std::string& out, float v) {
    char buf[kShortestRoom];
    out.append(buf, put_shortest(buf, v));
}

}  // namespace textio
