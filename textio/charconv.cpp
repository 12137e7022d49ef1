#include "textio/charconv.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#if !defined(__cpp_lib_to_chars)
#ifndef FMT_HEADER_ONLY
#define FMT_HEADER_ONLY 1
#endif
#include <fmt/format.h>
#endif

namespace textio {

#if defined(__cpp_lib_to_chars)

char* shortest_chars(char* first, char* last, double v) { return std::to_chars(first, last, v).ptr; }
char* shortest_chars(char* first, char* last, float v) { return std::to_chars(first, last, v).ptr; }
char* scientific_chars(char* first, char* last, double v, int precision) {
    return std::to_chars(first, last, v, std::chars_format::scientific, precision).ptr;
}
bool read_chars(const char* first, const char* last, double& v) {
    const auto r = std::from_chars(first, last, v);
    return r.ec == std::errc() && r.ptr == last;
}

#else

namespace {

char* copy(char* p, char* last, const char* s) {
    const std::size_t n = std::strlen(s);
    if (static_cast<std::size_t>(last - p) < n) return last;
    std::memcpy(p, s, n);
    return p + n;
}

template <class T>
char* shortest(char* p, char* last, T v) {
    if (std::isnan(v)) return copy(p, last, std::signbit(v) ? "-nan" : "nan");
    if (std::isinf(v)) return copy(p, last, v < 0 ? "-inf" : "inf");
    if (v == 0) return copy(p, last, std::signbit(v) ? "-0" : "0");
    // The shortest digits D and the exponent E: |v| = D * 10^E.
    const auto dec = fmt::detail::dragonbox::to_decimal(std::fabs(v));
    std::uint64_t d = dec.significand;
    int e = dec.exponent;
    while (d % 10 == 0) d /= 10, ++e;
    const std::string digits = std::to_string(d);
    const int n = static_cast<int>(digits.size());
    const int x = e + n - 1;  // the exponent of scientific notation
    const int ax = x < 0 ? -x : x;
    const int sci = n + (n > 1 ? 1 : 0) + 2 + (ax >= 100 ? 3 : 2);
    const int fixed = e >= 0 ? n + e : (n + e > 0 ? n + 1 : 2 - e);
    std::string text = std::signbit(v) ? "-" : "";
    if (fixed <= sci) {
        if (e >= 0) {
            // Above the last integer every value is, the digits of the value itself.
            if (std::fabs(v) >= std::ldexp(T(1), std::numeric_limits<T>::digits))
                text += fmt::format("{:.0f}", static_cast<double>(std::fabs(v)));
            else
                text += digits + std::string(static_cast<std::size_t>(e), '0');
        } else if (n + e > 0) {
            text += digits.substr(0, static_cast<std::size_t>(n + e)) + "." + digits.substr(static_cast<std::size_t>(n + e));
        } else {
            text += "0." + std::string(static_cast<std::size_t>(-e - n), '0') + digits;
        }
    } else {
        text += digits.substr(0, 1);
        if (n > 1) text += "." + digits.substr(1);
        text += x < 0 ? "e-" : "e+";
        if (ax < 10) text += '0';
        text += std::to_string(ax);
    }
    return copy(p, last, text.c_str());
}

}  // namespace

char* shortest_chars(char* first, char* last, double v) { return shortest(first, last, v); }
char* shortest_chars(char* first, char* last, float v) { return shortest(first, last, v); }

char* scientific_chars(char* first, char* last, double v, int precision) {
    if (!std::isfinite(v)) return shortest(first, last, v);
    const auto r = fmt::format_to_n(first, static_cast<std::size_t>(last - first), "{:.{}e}", v, precision);
    return r.out;
}

bool read_chars(const char* first, const char* last, double& v) {
    const std::string text(first, last);
    if (text.empty() || text[0] == '+' || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    const double d = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return false;
    v = d;
    return true;
}

#endif

}  // namespace textio
