// Fortran-style edit descriptors for output records.
//
// Every numeric field formats a stored single-precision value.  Rounding is
// done on the exact decimal expansion of the binary value, half up: F9.4 of
// 0.03125 is "   0.0313".  A value whose text does not fit its field gives a
// field of asterisks; NaN and infinities are written as words.
#pragma once

#include "textio/bits.hpp"
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "textio/fields_fast.hpp"

namespace textio {

// Fw.d: fixed point, d decimals, right-aligned in w columns.
void put_F(std::string& out, float v, int w, int d);
// 1P,Ew.d: one non-zero digit before the point, d after it, exponent E+nn.
void put_E(std::string& out, float v, int w, int d);
// The same two fields written straight to dst, for w up to
// kFastFieldWidth: dst must have room for kFastFieldWidth characters, of
// which exactly w are the field.
inline constexpr int kFastFieldWidth = fast::kFastWidth;
void field_F(char* dst, float v, int w, int d);
void field_E(char* dst, float v, int w, int d);

// Iw: decimal integer right-aligned in w columns.
void put_I(std::string& out, std::int64_t v, int w);
// Aw: text right-aligned in w columns, or its first w characters.
void put_A(std::string& out, std::string_view s, int w);
// nX: n blanks.
inline void put_X(std::string& out, int n) { out.append(static_cast<std::size_t>(n), ' '); }

// One output record, built item by item:
//   Record r; r.lit(" Feed diameter:               ").F(df, 9, 4);
// Numeric fields are written straight into the record's own storage, which
// is kept from one record to the next: building a row allocates nothing.
class Record {
public:
    Record() : storage_(256, ' ') {}
    Record& lit(std::string_view s) {
        room(s.size());
        if (!s.empty()) std::memcpy(storage_.data() + len_, s.data(), s.size());
        len_ += s.size();
        return *this;
    }
    Record& F(float v, int w, int d) {
        if (w < 0 || w > kFastFieldWidth) return text([&](std::string& t) { put_F(t, v, w, d); });
        room(kFastFieldWidth);
        char* dst = storage_.data() + len_;
        // Four decimals, the common field, inline; the rest by field_F.
        const auto bits = textio::bit_cast<std::uint32_t>(v);
        const bool finite_nonzero = ((bits >> 23) & 0xFFu) != 0xFFu && (bits & 0x7FFFFFFFu) != 0;
        if (!(d == 4 && finite_nonzero && fast::fixed_field_of<4>(dst, bits, w))) field_F(dst, v, w, d);
        len_ += static_cast<std::size_t>(w);
        return *this;
    }
    Record& E(float v, int w, int d) {
        if (w < 0 || w > kFastFieldWidth) return text([&](std::string& t) { put_E(t, v, w, d); });
        room(kFastFieldWidth);
        field_E(storage_.data() + len_, v, w, d);
        len_ += static_cast<std::size_t>(w);
        return *this;
    }
    Record& I(std::int64_t v, int w) { return text([&](std::string& t) { put_I(t, v, w); }); }
    Record& A(std::string_view s, int w) { return text([&](std::string& t) { put_A(t, s, w); }); }
    Record& X(int n) {
        const auto k = static_cast<std::size_t>(n > 0 ? n : 0);
        room(k);
        std::memset(storage_.data() + len_, ' ', k);
        len_ += k;
        return *this;
    }
    Record& clear() {
        len_ = 0;
        return *this;
    }
    std::string_view view() const { return std::string_view(storage_.data(), len_); }
    std::string str() const { return std::string(view()); }

private:
    void room(std::size_t n) {
        if (len_ + n > storage_.size()) storage_.resize(2 * (len_ + n), ' ');
    }
    template <typename Put>
    Record& text(Put put) {
        std::string t;
        put(t);
        return lit(t);
    }

    std::string storage_;
    std::size_t len_ = 0;
};

}  // namespace textio
