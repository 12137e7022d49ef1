#include "textio/input.hpp"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "textio/error.hpp"

namespace textio {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_digits(std::string_view s, std::size_t i) {
    while (i < s.size() && is_digit(s[i])) ++i;
    return i;
}

// Plain decimal integer: optional sign and digits.
bool integer_syntax(std::string_view s) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    return i < s.size() && skip_digits(s, i) == s.size();
}

// Plain decimal real: optional sign, digits with an optional point (at least
// one digit in all), optional exponent letter E, e, D or d with optional
// sign and at least one digit.
bool real_syntax(std::string_view s) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    std::size_t start = i;
    i = skip_digits(s, i);
    std::size_t mantissa_digits = i - start;
    if (i < s.size() && s[i] == '.') {
        std::size_t f = i + 1;
        i = skip_digits(s, f);
        mantissa_digits += i - f;
    }
    if (mantissa_digits == 0) return false;
    if (i == s.size()) return true;
    if (s[i] != 'E' && s[i] != 'e' && s[i] != 'D' && s[i] != 'd') return false;
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t e = i;
    i = skip_digits(s, i);
    return i > e && i == s.size();
}

}  // namespace

InputUnit::InputUnit(std::istream& in, int unit, std::string name)
    : in_(in), unit_(unit), name_(std::move(name)) {}

void InputUnit::fail(int number) const { throw IoError(number, unit_, name_); }

std::string InputUnit::read_line() {
    if (before_read_) before_read_();
    std::string line;
    if (!std::getline(in_, line)) fail(kEndOfFile);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (after_line_) after_line_();
    return line;
}

std::string InputUnit::read_text(std::size_t w) {
    std::string line = read_line();
    line.resize(w, ' ');
    return line;
}

void InputUnit::convert(std::string_view token, const ListItem& item) const {
    if (item.is_integer()) {
        if (!integer_syntax(token)) fail(kSyntaxError);
        bool negative = token[0] == '-';
        std::size_t i = (token[0] == '+' || token[0] == '-') ? 1 : 0;
        std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
        std::int64_t value = 0;
        for (; i < token.size(); ++i) {
            value = value * 10 + (token[i] - '0');
            if (value > limit) fail(kConversionError);
        }
        item.integer() = static_cast<std::int32_t>(negative ? -value : value);
        return;
    }
    if (!real_syntax(token)) fail(kSyntaxError);
    std::string text(token);
    for (char& c : text)
        if (c == 'D' || c == 'd') c = 'e';
    float value = std::strtof(text.c_str(), nullptr);
    if (std::isinf(value)) fail(kConversionError);  // beyond the single-precision range
    item.real() = value;
}

void InputUnit::read_list(std::initializer_list<ListItem> items) {
    const ListItem* next = items.begin();
    const ListItem* const end = items.end();
    // A comma seen while no value stands before it makes a null value; the
    // start of the read counts as such a position.
    bool after_separator = true;
    while (next != end) {
        std::string line = read_line();
        std::string_view s(line);
        std::size_t i = 0;
        while (next != end) {
            while (i < s.size() && is_blank(s[i])) ++i;
            if (i == s.size()) break;  // the read goes on with the next line
            char c = s[i];
            if (c == '/') return;
            if (c == ',') {
                ++i;
                if (after_separator) ++next;  // null value
                after_separator = true;
                continue;
            }
            std::size_t j = i;
            while (j < s.size() && !ends_value(s[j])) ++j;
            std::string_view token = s.substr(i, j - i);
            i = j;
            after_separator = false;
            std::size_t star = token.find('*');
            if (star == std::string_view::npos) {
                convert(token, *next++);
                continue;
            }
            // r*v or r*: r is a positive integer constant
            std::string_view rtext = token.substr(0, star);
            if (rtext.empty() || skip_digits(rtext, 0) != rtext.size()) fail(kSyntaxError);
            std::int64_t r = 0;
            for (char d : rtext) {
                r = r * 10 + (d - '0');
                if (r > 2147483647LL) fail(kConversionError);
            }
            if (r == 0) fail(kSyntaxError);
            std::string_view value = token.substr(star + 1);
            for (; r > 0 && next != end; --r, ++next)
                if (!value.empty()) convert(value, *next);
        }
    }
}

}  // namespace textio
