#include "textio/bits.hpp"
#include "textio/format.hpp"
#include "textio/charconv.hpp"
#include "textio/fields_fast.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace textio {
namespace {

using namespace fast;

void fill(std::string& out, char c, int n) {
    if (n > 0) out.append(static_cast<std::size_t>(n), c);
}

// Right-aligns text in a field of w columns, or fills it with asterisks.
void put_field(std::string& out, std::string_view text, int w) {
    if (static_cast<int>(text.size()) > w) {
        fill(out, '*', w);
        return;
    }
    fill(out, ' ', w - static_cast<int>(text.size()));
    out.append(text);
}

bool put_nonfinite(std::string& out, float v, int w) {
    if (std::isnan(v)) {
        put_field(out, "NaN", w);
        return true;
    }
    if (std::isinf(v)) {
        put_field(out, v < 0 ? "-Infinity" : "Infinity", w);
        return true;
    }
    return false;
}

// |v| = m * 2^e exactly, for a finite non-zero float, from its bits.
void decompose(float v, std::uint64_t& m, int& e) {
    const std::uint32_t b = bit_cast<std::uint32_t>(v);
    const std::uint32_t biased = (b >> 23) & 0xFFu;
    m = b & 0x7FFFFFu;
    if (biased == 0) {
        e = -149;  // subnormal
    } else {
        m |= 0x800000u;
        e = static_cast<int>(biased) - 150;
    }
}

// round_half_up(m * 10^p * 2^e) for 0 <= p <= 11, exactly.  Returns false
// when the result would not fit in 62 bits (the caller takes the slow path).
bool scaled_round(std::uint64_t m, int e, int p, std::uint64_t& q) {
    std::uint64_t n = m * kPow10[p];  // < 2^24 * 10^11 < 2^61
    if (e >= 0) {
        if (bit_width(n) + e > 62) return false;
        q = n << e;
        return true;
    }
    int k = -e;
    if (k >= 63) {  // n < 2^61 <= half of 2^k: rounds to zero
        q = 0;
        return true;
    }
    q = n >> k;
    std::uint64_t rem = n & ((std::uint64_t{1} << k) - 1);
    if (rem >= (std::uint64_t{1} << (k - 1))) ++q;
    return true;
}

int count_digits(std::uint64_t x) {
    int n = 1;
    while (x >= 100) x /= 100, n += 2;
    return n + (x >= 10 ? 1 : 0);
}

__extension__ typedef unsigned __int128 u128;

int bit_width128(u128 x) {
    const auto hi = static_cast<std::uint64_t>(x >> 64);
    return hi != 0 ? 64 + bit_width(hi) : bit_width(static_cast<std::uint64_t>(x));
}

constexpr u128 pow10_wide(int k) {
    u128 r = 1;
    while (k-- > 0) r *= 10;
    return r;
}

// round_half_up(m * 10^p * 2^e) for -38 <= p <= 30, exactly, in 128-bit
// integers.  False when an operand or the result would not fit (the
// caller takes the slow path).
bool scaled_round_wide(std::uint64_t m, int e, int p, std::uint64_t& q) {
    if (p > 30 || p < -38) return false;
    u128 num = m, den = 1;
    if (p >= 0) {
        num *= pow10_wide(p);
    } else {
        den = pow10_wide(-p);
    }
    u128 r = 0;
    if (e >= 0) {
        if (bit_width128(num) + e > 127) return false;
        num <<= e;
        r = num / den;
        const u128 rem = num - r * den;
        if (rem >= den - rem) ++r;
    } else if (den == 1) {
        const int k = -e;
        if (k >= 128) {
            r = 0;  // num < 2^124 <= half of 2^k
        } else {
            r = num >> k;
            const u128 rem = num & ((u128{1} << k) - 1);
            if (rem >= (u128{1} << (k - 1))) ++r;
        }
    } else {
        if (bit_width128(den) - e > 127) return false;
        den <<= -e;
        r = num / den;
        const u128 rem = num - r * den;
        if (rem >= den - rem) ++r;
    }
    if (r >> 62 != 0) return false;
    q = static_cast<std::uint64_t>(r);
    return true;
}

// 1P,Ew.d of q (d+1 digits) times 10^(x-d).
void exp_field(char* dst, bool negative, std::uint64_t q, int d, int x, int w) {
    const int ax = x < 0 ? -x : x;
    const int exp_len = ax <= 99 ? 4 : 1 + count_digits(static_cast<std::uint64_t>(ax));
    if ((negative ? 1 : 0) + 2 + d + exp_len > w) {
        std::memset(dst, '*', static_cast<std::size_t>(w));
        return;
    }
    std::memcpy(dst, kBlanks, kFastWidth);
    char* p = ax <= 99 ? write_fixed_count(dst + w, static_cast<std::uint64_t>(ax), 2)
                       : write_number(dst + w, static_cast<std::uint64_t>(ax));
    *--p = x < 0 ? '-' : '+';
    if (ax <= 99) *--p = 'E';
    const std::uint64_t lead = q / kPow10[d];
    p = write_fixed_count(p, q - lead * kPow10[d], d);
    *--p = '.';
    *--p = static_cast<char>('0' + lead);
    if (negative) *--p = '-';
}

// Exact decimal expansion of |v|: |v| = 0.d1d2d3... * 10^point, with no
// trailing zeros in digits.  A float's expansion has fewer than 120
// significant digits, so the requested precision reproduces it exactly.
struct Decimal {
    char digits[160];
    int count = 0;
    int point = 0;
};

void exact_decimal(float v, Decimal& dec) {
    char buf[200];
    // buf: d.ddd...e[+-]xx
    const char* end = scientific_chars(buf, buf + sizeof buf, static_cast<double>(std::fabs(v)), 130);
    const char* epos = static_cast<const char*>(std::memchr(buf, 'e', static_cast<std::size_t>(end - buf)));
    int exp10 = 0;
    std::from_chars(epos + 1 + (epos[1] == '+' ? 1 : 0), end, exp10);
    dec.count = 0;
    for (const char* p = buf; p < epos; ++p)
        if (*p != '.') dec.digits[dec.count++] = *p;
    while (dec.count > 0 && dec.digits[dec.count - 1] == '0') --dec.count;
    dec.point = exp10 + 1;
}

// Keeps the first `keep` digits of dec (keep may be <= 0), rounding half
// up on the next digit; a carry out of the first digit raises point by one.
// Returns the kept digits as text of exactly max(keep,0) (+1 on carry) chars.
std::string round_digits(const Decimal& dec, int keep, int& point) {
    point = dec.point;
    std::string kept;
    if (keep > 0) {
        kept.assign(dec.digits, static_cast<std::size_t>(std::min(keep, dec.count)));
        kept.append(static_cast<std::size_t>(std::max(0, keep - dec.count)), '0');
    }
    bool up = keep >= 0 && keep < dec.count && dec.digits[keep] >= '5';
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') kept[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
            ++kept[static_cast<std::size_t>(i)];
        } else {
            kept.insert(kept.begin(), '1');
            ++point;
        }
    }
    return kept;
}

// Writes the decimal digits of q, at least min_digits of them.
int utoa(std::uint64_t q, char* buf, int min_digits) {
    char tmp[24];
    int n = 0;
    do {
        tmp[n++] = static_cast<char>('0' + q % 10);
        q /= 10;
    } while (q != 0);
    while (n < min_digits) tmp[n++] = '0';
    for (int i = 0; i < n; ++i) buf[i] = tmp[n - 1 - i];
    return n;
}

// Lays out sign, integer digits and d decimals; a zero integer part gets its
// leading zero only when the field has room for it.
void put_fixed_text(std::string& out, bool negative, std::string_view int_digits,
                    std::string_view frac_digits, int w) {
    char buf[96];
    int n = 0;
    bool zero_int = int_digits.empty();
    int len = (negative ? 1 : 0) + static_cast<int>(int_digits.size()) + 1 +
              static_cast<int>(frac_digits.size());
    bool lead_zero = zero_int && len + 1 <= w;
    if (len + (lead_zero ? 1 : 0) > w || len + 1 > static_cast<int>(sizeof buf)) {
        fill(out, '*', w);
        return;
    }
    if (negative) buf[n++] = '-';
    if (lead_zero) buf[n++] = '0';
    n = static_cast<int>(std::copy(int_digits.begin(), int_digits.end(), buf + n) - buf);
    buf[n++] = '.';
    n = static_cast<int>(std::copy(frac_digits.begin(), frac_digits.end(), buf + n) - buf);
    put_field(out, std::string_view(buf, static_cast<std::size_t>(n)), w);
}

void put_F_slow(std::string& out, float v, int w, int d) {
    Decimal dec;
    exact_decimal(v, dec);
    int point = 0;
    std::string kept = round_digits(dec, dec.point + d, point);
    // kept holds the digits down to the 10^-d place; the integer part is
    // the first `point` of them.
    int int_count = std::max(0, point);
    std::string int_digits = kept.substr(0, static_cast<std::size_t>(std::min<int>(int_count, static_cast<int>(kept.size()))));
    std::string frac;
    if (point >= 0) {
        frac = kept.substr(std::min(kept.size(), int_digits.size()));
    } else {
        frac.assign(static_cast<std::size_t>(-point), '0');
        frac += kept;
    }
    frac.resize(static_cast<std::size_t>(d), '0');
    while (!int_digits.empty() && int_digits[0] == '0') int_digits.erase(0, 1);
    put_fixed_text(out, std::signbit(v), int_digits, frac, w);
}

void put_exp_text(std::string& out, bool negative, std::string_view digits, int exp10, int w) {
    // digits: d+1 significant digits; value = d1.d2... * 10^exp10
    char buf[64];
    int n = 0;
    if (negative) buf[n++] = '-';
    buf[n++] = digits[0];
    buf[n++] = '.';
    n = static_cast<int>(std::copy(digits.begin() + 1, digits.end(), buf + n) - buf);
    int ae = exp10 < 0 ? -exp10 : exp10;
    if (ae <= 99) buf[n++] = 'E';
    buf[n++] = exp10 < 0 ? '-' : '+';
    n += utoa(static_cast<std::uint64_t>(ae), buf + n, 2);
    put_field(out, std::string_view(buf, static_cast<std::size_t>(n)), w);
}

// Every field the fast paths cannot take: NaN and infinities, zero, and
// the values the exact integer arithmetic cannot reach.
void put_F_general(std::string& out, float v, int w, int d) {
    if (put_nonfinite(out, v, w)) return;
    if (v == 0.0f) {  // both zeros print unsigned
        put_fixed_text(out, false, {}, std::string(static_cast<std::size_t>(d), '0'), w);
        return;
    }
    put_F_slow(out, v, w, d);
}

void put_E_general(std::string& out, float v, int w, int d) {
    if (put_nonfinite(out, v, w)) return;
    bool negative = std::signbit(v) && v != 0.0f;
    if (v == 0.0f) {
        put_exp_text(out, false, std::string(static_cast<std::size_t>(d + 1), '0'), 0, w);
        return;
    }
    Decimal dec;
    exact_decimal(v, dec);
    int point = 0;
    std::string kept = round_digits(dec, d + 1, point);
    kept.resize(static_cast<std::size_t>(d + 1));
    put_exp_text(out, negative, kept, point - 1, w);
}

// Writes a field that the general path formats, w characters at dst.
template <typename General>
void general_field(char* dst, General general, float v, int w, int d) {
    std::string text;
    general(text, v, w, d);
    std::memcpy(dst, text.data(), static_cast<std::size_t>(w));
}

}  // namespace

void field_F(char* dst, float v, int w, int d) {
    const auto bits = bit_cast<std::uint32_t>(v);
    const bool finite_nonzero = ((bits >> 23) & 0xFFu) != 0xFFu && (bits & 0x7FFFFFFFu) != 0;
    if (finite_nonzero) {
        switch (d) {
        case 4: if (fixed_field_of<4>(dst, bits, w)) return; break;
        case 3: if (fixed_field_of<3>(dst, bits, w)) return; break;
        case 2: if (fixed_field_of<2>(dst, bits, w)) return; break;
        default:
            if (d >= 0 && d <= 11) {
                std::uint64_t m = 0, q = 0;
                int e = 0;
                decompose(v, m, e);
                if (scaled_round(m, e, d, q)) {
                    fixed_layout(dst, v < 0, q / kPow10[d], q % kPow10[d], d, w);
                    return;
                }
            }
        }
    }
    general_field(dst, put_F_general, v, w, d);
}

void field_E(char* dst, float v, int w, int d) {
    if (std::isfinite(v) && v != 0.0f && d >= 0 && d <= 11) {
        std::uint64_t m = 0, q = 0;
        int e = 0;
        decompose(v, m, e);
        // Decimal exponent guess from the binary one (floor(log2) times
        // log10(2), off by at most one), corrected so that q has d+1 digits.
        int x = ((e + bit_width(m) - 1) * 1233) >> 12;
        for (int tries = 0; tries < 3; ++tries) {
            if (!scaled_round_wide(m, e, d - x, q)) break;
            if (q >= kPow10[d + 1]) {
                // Either the guess was low or rounding carried into a new digit.
                ++x;
                if (q != kPow10[d + 1]) continue;
                q = kPow10[d];
            } else if (q < kPow10[d]) {
                --x;
                continue;
            }
            exp_field(dst, std::signbit(v), q, d, x, w);
            return;
        }
    }
    general_field(dst, put_E_general, v, w, d);
}

namespace {

// A field appended to a string: wide fields by the general path, the rest
// built in place and copied.
template <void (*Field)(char*, float, int, int), void (*General)(std::string&, float, int, int)>
void append_field(std::string& out, float v, int w, int d) {
    if (w < 0 || w > kFastFieldWidth) {
        General(out, v, w, d);
        return;
    }
    char field[kFastFieldWidth];
    Field(field, v, w, d);
    out.append(field, static_cast<std::size_t>(w));
}

}  // namespace

void put_F(std::string& out, float v, int w, int d) { append_field<field_F, put_F_general>(out, v, w, d); }
void put_E(std::string& out, float v, int w, int d) { append_field<field_E, put_E_general>(out, v, w, d); }

void put_I(std::string& out, std::int64_t v, int w) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    put_field(out, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), w);
}

void put_A(std::string& out, std::string_view s, int w) {
    if (static_cast<int>(s.size()) >= w) {
        out.append(s.substr(0, static_cast<std::size_t>(w)));
    } else {
        fill(out, ' ', w - static_cast<int>(s.size()));
        out.append(s);
    }
}

}  // namespace textio
