// Fortran-style edit descriptors for output records.
//
// Every numeric field formats a stored single-precision value.  Rounding is
// done on the exact decimal expansion of the binary value, half up: F9.4 of
// 0.03125 is "   0.0313".  A value whose text does not fit its field gives a
// field of asterisks; NaN and infinities are written as words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textio {

// Fw.d: fixed point, d decimals, right-aligned in w columns.
void put_F(std::string& out, float v, int w, int d);
// 1P,Ew.d: one non-zero digit before the point, d after it, exponent E+nn.
void put_E(std::string& out, float v, int w, int d);
// Iw: decimal integer right-aligned in w columns.
void put_I(std::string& out, std::int64_t v, int w);
// Aw: text right-aligned in w columns, or its first w characters.
void put_A(std::string& out, std::string_view s, int w);
// nX: n blanks.
inline void put_X(std::string& out, int n) { out.append(static_cast<std::size_t>(n), ' '); }

// One output record, built item by item:
//   Record r; r.lit(" Feed diameter:               ").F(df, 9, 4);
class Record {
public:
    Record() { text_.reserve(128); }
    Record& lit(std::string_view s) { text_.append(s); return *this; }
    Record& F(float v, int w, int d) { put_F(text_, v, w, d); return *this; }
    Record& E(float v, int w, int d) { put_E(text_, v, w, d); return *this; }
    Record& I(std::int64_t v, int w) { put_I(text_, v, w); return *this; }
    Record& A(std::string_view s, int w) { put_A(text_, s, w); return *this; }
    Record& X(int n) { put_X(text_, n); return *this; }
    Record& clear() { text_.clear(); return *this; }
    std::string_view view() const { return text_; }
    const std::string& str() const { return text_; }

private:
    std::string text_;
};

}  // namespace textio
