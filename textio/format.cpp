#include "textio/format.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace textio {
namespace {

constexpr std::uint64_t kPow10[] = {
    1ULL,          10ULL,          100ULL,          1000ULL,          10000ULL,
    100000ULL,     1000000ULL,     10000000ULL,     100000000ULL,     1000000000ULL,
    10000000000ULL, 100000000000ULL, 1000000000000ULL};

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

// |v| = m * 2^e exactly, for a finite non-zero float.
void decompose(float v, std::uint64_t& m, int& e) {
    int ex = 0;
    float fr = std::frexp(std::fabs(v), &ex);
    m = static_cast<std::uint64_t>(std::ldexp(fr, 24));
    e = ex - 24;
}

int bit_width(std::uint64_t x) { return x == 0 ? 0 : 64 - __builtin_clzll(x); }

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
    auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(std::fabs(v)),
                             std::chars_format::scientific, 130);
    // buf: d.ddd...e[+-]xx
    const char* end = res.ptr;
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

}  // namespace

void put_F(std::string& out, float v, int w, int d) {
    if (put_nonfinite(out, v, w)) return;
    if (v == 0.0f) {  // both zeros print unsigned
        put_fixed_text(out, false, {}, std::string(static_cast<std::size_t>(d), '0'), w);
        return;
    }
    std::uint64_t m = 0, q = 0;
    int e = 0;
    decompose(v, m, e);
    if (d >= 0 && d <= 11 && scaled_round(m, e, d, q)) {
        char ibuf[24], fbuf[24];
        std::uint64_t ip = q / kPow10[d], fp = q % kPow10[d];
        int ni = ip == 0 ? 0 : utoa(ip, ibuf, 1);
        int nf = d == 0 ? 0 : utoa(fp, fbuf, d);
        put_fixed_text(out, v < 0, std::string_view(ibuf, static_cast<std::size_t>(ni)),
                       std::string_view(fbuf, static_cast<std::size_t>(nf)), w);
        return;
    }
    put_F_slow(out, v, w, d);
}

void put_E(std::string& out, float v, int w, int d) {
    if (put_nonfinite(out, v, w)) return;
    bool negative = std::signbit(v) && v != 0.0f;
    char digits[48];
    if (v == 0.0f) {
        std::memset(digits, '0', static_cast<std::size_t>(d + 1));
        put_exp_text(out, false, std::string_view(digits, static_cast<std::size_t>(d + 1)), 0, w);
        return;
    }
    std::uint64_t m = 0, q = 0;
    int e = 0;
    decompose(v, m, e);
    // Decimal exponent guess, corrected below so that q has d+1 digits.
    int x = static_cast<int>(std::floor(std::log10(std::fabs(static_cast<double>(v)))));
    if (d <= 11) {
        for (int tries = 0; tries < 3; ++tries) {
            int p = d - x;
            if (p < 0 || p > 11 || !scaled_round(m, e, p, q)) break;
            if (q >= kPow10[d + 1]) {
                // Either the guess was low or rounding carried into a new digit.
                if (q == kPow10[d + 1]) {
                    ++x;
                    q = kPow10[d];
                } else {
                    ++x;
                    continue;
                }
            } else if (q < kPow10[d]) {
                --x;
                continue;
            }
            utoa(q, digits, d + 1);
            put_exp_text(out, negative, std::string_view(digits, static_cast<std::size_t>(d + 1)), x, w);
            return;
        }
    }
    Decimal dec;
    exact_decimal(v, dec);
    int point = 0;
    std::string kept = round_digits(dec, d + 1, point);
    kept.resize(static_cast<std::size_t>(d + 1));
    put_exp_text(out, negative, kept, point - 1, w);
}

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
