// The fast paths of the F and E fields (internal to textio/, inline so
// that a record's fields are written without a call): decimal digits two
// at a time, straight to the field's place.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace textio::fast {

inline constexpr std::uint64_t kPow10[] = {
    1ULL,          10ULL,          100ULL,          1000ULL,          10000ULL,
    100000ULL,     1000000ULL,     10000000ULL,     100000000ULL,     1000000000ULL,
    10000000000ULL, 100000000000ULL, 1000000000000ULL, 10000000000000ULL, 100000000000000ULL,
    1000000000000000ULL, 10000000000000000ULL, 100000000000000000ULL, 1000000000000000000ULL,
    10000000000000000000ULL};

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes exactly `count` decimal digits of x (leading zeros included) so
// that they end at `end`; returns where they start.
template <typename U>
char* write_digits(char* end, U x, int count) {
    while (count >= 2) {
        const std::size_t pair = static_cast<std::size_t>(x % 100) * 2;
        x /= 100;
        *--end = kDigitPairs[pair + 1];
        *--end = kDigitPairs[pair];
        count -= 2;
    }
    if (count == 1) *--end = static_cast<char>('0' + x % 10);
    return end;
}
// Two digits from the table.
inline char* put_pair(char* end, std::uint32_t two) {
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * two, 2);
    return end;
}
inline char* write_fixed_count(char* end, std::uint64_t x, int count) {
    if (x <= 0xFFFFFFFFu) {
        auto v = static_cast<std::uint32_t>(x);
        switch (count) {  // the program's fields, straight through
        case 2: return put_pair(end, v);
        case 3: end = put_pair(end, v % 100); *--end = static_cast<char>('0' + v / 100); return end;
        case 4: end = put_pair(end, v % 100); return put_pair(end, v / 100);
        case 6: end = put_pair(end, v % 100); end = put_pair(end, v / 100 % 100); return put_pair(end, v / 10000);
        default: return write_digits(end, v, count);
        }
    }
    return write_digits(end, x, count);
}

// Writes the decimal digits of x (> 0, no leading zeros) so that they end
// at `end`; returns where they start.
template <typename U>
inline char* write_number(char* end, U x) {
    while (x >= 100) {
        const std::size_t pair = static_cast<std::size_t>(x % 100) * 2;
        x /= 100;
        *--end = kDigitPairs[pair + 1];
        *--end = kDigitPairs[pair];
    }
    if (x >= 10) {
        *--end = kDigitPairs[x * 2 + 1];
        *--end = kDigitPairs[x * 2];
    } else {
        *--end = static_cast<char>('0' + x);
    }
    return end;
}
inline char* write_number(char* end, std::uint64_t x) {
    return x <= 0xFFFFFFFFu ? write_number(end, static_cast<std::uint32_t>(x)) : write_number<std::uint64_t>(end, x);
}

inline int bit_width(std::uint64_t x) { return x == 0 ? 0 : 64 - __builtin_clzll(x); }

// The fast paths write a field of w <= kFastWidth columns straight to its
// place: dst has room for kFastWidth characters, of which the field's w
// are written (blanks first, then the text right-aligned, or asterisks).
inline constexpr int kFastWidth = 40;
inline constexpr char kBlanks[kFastWidth + 1] = "                                        ";

// Fw.d of the integer part ip and the d decimals fp: sign, integer digits
// (a zero integer part shows its zero when the field has room), point and
// decimals, right-aligned in w columns; asterisks when it does not fit.
inline void fixed_layout(char* dst, bool negative, std::uint64_t ip, std::uint64_t fp, int d, int w) {
    // The integer digits the field has room for, after sign, point and decimals.
    const int room = w - 1 - d - (negative ? 1 : 0);
    if (room < 0 || (room <= 19 && ip >= kPow10[room])) {
        std::memset(dst, '*', static_cast<std::size_t>(w));
        return;
    }
    std::memcpy(dst, kBlanks, kFastWidth);
    char* p = write_fixed_count(dst + w, fp, d);
    *--p = '.';
    if (ip != 0) {
        p = write_number(p, ip);
    } else if (room >= 1) {
        *--p = '0';
    }
    if (negative) *--p = '-';
}

// The F fast path for a decimal count known at compile time (the program's
// fields have 2, 3 or 4): every division is by a constant.  False when the
// result does not fit in 62 bits.
template <int D>
bool fixed_field_of(char* dst, std::uint32_t bits, int w) {
    constexpr std::uint64_t scale = kPow10[D];
    const std::uint32_t biased = (bits >> 23) & 0xFFu;
    std::uint64_t m = bits & 0x7FFFFFu;
    int e = -149;
    if (biased != 0) {
        m |= 0x800000u;
        e = static_cast<int>(biased) - 150;
    }
    // q = round_half_up(m * 10^D * 2^e), exactly.
    const std::uint64_t n = m * scale;
    std::uint64_t q = 0;
    if (e >= 0) {
        if (bit_width(n) + e > 62) return false;
        q = n << e;
    } else if (-e < 63) {
        const int k = -e;
        q = (n >> k) + ((n >> (k - 1)) & 1u);  // the first bit dropped rounds half up
    }
    const bool negative = (bits >> 31) != 0;
    fixed_layout(dst, negative, q / scale, q % scale, D, w);
    return true;
}

}  // namespace textio::fast
