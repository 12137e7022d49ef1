// The Fortran-style field formatter, checked against fixed examples and
// against an independent reference built on the exact decimal expansion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "textio/format.hpp"

namespace {

std::string F(float v, int w, int d) {
    std::string s;
    textio::put_F(s, v, w, d);
    return s;
}
std::string E(float v, int w, int d) {
    std::string s;
    textio::put_E(s, v, w, d);
    return s;
}
std::string I(long long v, int w) {
    std::string s;
    textio::put_I(s, v, w);
    return s;
}
std::string A(const std::string& t, int w) {
    std::string s;
    textio::put_A(s, t, w);
    return s;
}

float bits(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

std::string right(const std::string& text, int w) {
    if (static_cast<int>(text.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - text.size(), ' ') + text;
}

// Adds one unit in the last place of a decimal digit string; returns true
// when the carry ran out of the first digit.
bool increment(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    return true;
}

// Reference Fw.d: glibc prints the exact binary value with enough digits;
// the rounding is then done half up by hand.
std::string reference_F(float v, int w, int d) {
    if (std::isnan(v)) return right("NaN", w);
    if (std::isinf(v)) return right(v < 0 ? "-Infinity" : "Infinity", w);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.160f", std::fabs(static_cast<double>(v)));
    std::string s(buf);
    std::size_t dot = s.find('.');
    std::string ip = s.substr(0, dot), fp = s.substr(dot + 1);
    std::string kept = ip + fp.substr(0, static_cast<std::size_t>(d));
    if (fp[static_cast<std::size_t>(d)] >= '5') increment(kept);
    std::string int_part = kept.substr(0, kept.size() - static_cast<std::size_t>(d));
    std::string frac = kept.substr(kept.size() - static_cast<std::size_t>(d));
    while (!int_part.empty() && int_part[0] == '0') int_part.erase(0, 1);
    bool neg = std::signbit(v) && v != 0.0f;
    std::string text = std::string(neg ? "-" : "") + int_part + "." + frac;
    if (int_part.empty() && static_cast<int>(text.size()) < w) text = std::string(neg ? "-" : "") + "0." + frac;
    return right(text, w);
}

// Reference 1P,Ew.d the same way.
std::string reference_E(float v, int w, int d) {
    if (std::isnan(v)) return right("NaN", w);
    if (std::isinf(v)) return right(v < 0 ? "-Infinity" : "Infinity", w);
    bool neg = std::signbit(v) && v != 0.0f;
    std::string digits;
    int exp10 = 0;
    if (v == 0.0f) {
        digits.assign(static_cast<std::size_t>(d + 1), '0');
    } else {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.140e", std::fabs(static_cast<double>(v)));
        std::string s(buf);
        std::size_t epos = s.find('e');
        exp10 = std::stoi(s.substr(epos + 1));
        std::string all = s.substr(0, 1) + s.substr(2, epos - 2);
        digits = all.substr(0, static_cast<std::size_t>(d + 1));
        if (all[static_cast<std::size_t>(d + 1)] >= '5' && increment(digits)) {
            digits.pop_back();
            ++exp10;
        }
    }
    char ebuf[16];
    std::snprintf(ebuf, sizeof ebuf, "E%c%02d", exp10 < 0 ? '-' : '+', std::abs(exp10));
    std::string text = std::string(neg ? "-" : "") + digits.substr(0, 1) + "." + digits.substr(1) + ebuf;
    return right(text, w);
}

TEST(FixedField, ExamplesOfTheProgramFields) {
    EXPECT_EQ(F(0.5f, 9, 4), "   0.5000");
    EXPECT_EQ(F(-0.25f, 9, 4), "  -0.2500");
    EXPECT_EQ(F(12.3456f, 8, 3), "  12.346");
    EXPECT_EQ(F(100.0f, 9, 4), " 100.0000");
    EXPECT_EQ(F(13.1639f, 9, 2), "    13.16");
    EXPECT_EQ(F(0.880612f, 10, 4), "    0.8806");
    EXPECT_EQ(F(-123.45678f, 11, 4), "  -123.4568");
    EXPECT_EQ(F(1234567.5f, 12, 4), "1234567.5000");
    EXPECT_EQ(F(-999999.9f, 12, 4), "-999999.8750");  // the float nearest -999999.9
}

TEST(FixedField, ExactDecimalTiesRoundHalfUp) {
    EXPECT_EQ(F(0.03125f, 9, 4), "   0.0313");  // exact tie in binary
    EXPECT_EQ(F(-0.03125f, 9, 4), "  -0.0313");
    EXPECT_EQ(F(1.03125f, 9, 4), "   1.0313");
    EXPECT_EQ(F(0.0625f, 8, 3), "   0.063");
    EXPECT_EQ(F(0.125f, 9, 2), "     0.13");
    EXPECT_EQ(F(2.5f / 1024.0f, 9, 4), "   0.0024");  // 0.00244140625
    // 1.00005 is stored just below the tie, so it rounds down.
    EXPECT_EQ(F(1.00005f, 9, 4), "   1.0000");
}

TEST(FixedField, OverflowGivesAsterisks) {
    EXPECT_EQ(F(9999.999f, 9, 4), "9999.9990");  // 9999.9999 itself is not a float
    EXPECT_EQ(F(-999.9999f, 9, 4), "-999.9999");
    EXPECT_EQ(F(10000.0f, 9, 4), "*********");
    EXPECT_EQ(F(-1000.0f, 9, 4), "*********");
    EXPECT_EQ(F(9999.99995f, 9, 4), "*********");   // rounds up into a fifth integer digit
    EXPECT_EQ(F(-999.99995f, 9, 4), "-999.9999");  // stored as -999.99994
    EXPECT_EQ(F(std::nextafter(-999.99994f, -2000.0f), 9, 4), "*********");
    EXPECT_EQ(F(99999.9995f, 8, 3), "********");
    EXPECT_EQ(F(9999999.0f, 12, 4), "9999999.0000");
    EXPECT_EQ(F(10000000.0f, 12, 4), "************");
    EXPECT_EQ(F(std::numeric_limits<float>::max(), 9, 4), "*********");
    EXPECT_EQ(F(-std::numeric_limits<float>::max(), 12, 4), "************");
}

TEST(FixedField, ZerosTinyValuesAndSigns) {
    EXPECT_EQ(F(0.0f, 9, 4), "   0.0000");
    EXPECT_EQ(F(-0.0f, 9, 4), "   0.0000");           // IEEE negative zero: no sign
    EXPECT_EQ(F(-0.00001f, 9, 4), "  -0.0000");        // rounds to zero, keeps its sign
    EXPECT_EQ(F(0.00005f, 9, 4), "   0.0000");         // stored just below the tie
    EXPECT_EQ(F(std::nextafter(0.00005f, 1.0f), 9, 4), "   0.0001");
    EXPECT_EQ(F(std::numeric_limits<float>::denorm_min(), 9, 4), "   0.0000");
    EXPECT_EQ(F(-std::numeric_limits<float>::denorm_min(), 9, 4), "  -0.0000");
    EXPECT_EQ(F(std::numeric_limits<float>::min(), 8, 3), "   0.000");
    // No room for the leading zero: it is dropped rather than overflowing.
    EXPECT_EQ(F(-0.5f, 6, 4), "-.5000");
    EXPECT_EQ(F(0.5f, 5, 4), ".5000");
    EXPECT_EQ(F(0.5f, 4, 4), "****");
}

TEST(FixedField, NonFiniteValuesAreWords) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(F(nan, 9, 4), "      NaN");
    EXPECT_EQ(F(-nan, 9, 4), "      NaN");
    EXPECT_EQ(F(inf, 9, 4), " Infinity");
    EXPECT_EQ(F(-inf, 9, 4), "-Infinity");
    EXPECT_EQ(F(inf, 8, 3), "Infinity");
    EXPECT_EQ(F(-inf, 8, 3), "********");
    EXPECT_EQ(F(-inf, 12, 4), "   -Infinity");
    EXPECT_EQ(F(nan, 2, 0), "**");
}

TEST(ExponentField, ExamplesOfTheProgramFields) {
    EXPECT_EQ(E(150.0f, 13, 6), " 1.500000E+02");
    EXPECT_EQ(E(-0.015f, 13, 6), "-1.500000E-02");
    EXPECT_EQ(E(150.0f, 14, 6), "  1.500000E+02");
    EXPECT_EQ(E(-150.0f, 14, 6), " -1.500000E+02");
    EXPECT_EQ(E(0.0f, 13, 6), " 0.000000E+00");
    EXPECT_EQ(E(-0.0f, 14, 6), "  0.000000E+00");
    EXPECT_EQ(E(-10.0f, 13, 6), "-1.000000E+01");
    EXPECT_EQ(E(25.0f, 13, 6), " 2.500000E+01");
    EXPECT_EQ(E(1.0f, 13, 6), " 1.000000E+00");
}

TEST(ExponentField, RoundingCarriesIntoTheExponent) {
    EXPECT_EQ(E(9.9999996f, 13, 6), " 1.000000E+01");
    EXPECT_EQ(E(-9.9999996f, 13, 6), "-1.000000E+01");
    EXPECT_EQ(E(0.99999997f, 13, 6), " 9.999999E-01");  // largest float below 1
    EXPECT_EQ(E(9999999.5f, 13, 6), " 1.000000E+07");
    EXPECT_EQ(E(1234566.5f, 13, 6), " 1.234567E+06");  // exact tie: half up, not to even
    EXPECT_EQ(E(1234567.5f, 13, 6), " 1.234568E+06");
    EXPECT_EQ(E(0.15625f, 13, 6), " 1.562500E-01");
}

TEST(ExponentField, ExtremesAndNonFinite) {
    EXPECT_EQ(E(std::numeric_limits<float>::max(), 13, 6), " 3.402823E+38");
    EXPECT_EQ(E(std::numeric_limits<float>::min(), 13, 6), " 1.175494E-38");
    EXPECT_EQ(E(std::numeric_limits<float>::denorm_min(), 13, 6), " 1.401298E-45");
    EXPECT_EQ(E(-std::numeric_limits<float>::denorm_min(), 14, 6), " -1.401298E-45");
    EXPECT_EQ(E(std::numeric_limits<float>::quiet_NaN(), 13, 6), "          NaN");
    EXPECT_EQ(E(std::numeric_limits<float>::infinity(), 13, 6), "     Infinity");
    EXPECT_EQ(E(-std::numeric_limits<float>::infinity(), 14, 6), "     -Infinity");
    EXPECT_EQ(E(-1.5f, 12, 6), "************");  // one column short
    EXPECT_EQ(E(1.5f, 12, 6), "1.500000E+00");
}

TEST(IntegerAndTextFields, Layouts) {
    EXPECT_EQ(I(5, 1), "5");
    EXPECT_EQ(I(12, 2), "12");
    EXPECT_EQ(I(999, 3), "999");
    EXPECT_EQ(I(10, 1), "*");
    EXPECT_EQ(I(-8, 4), "  -8");
    EXPECT_EQ(I(3, 4), "   3");
    EXPECT_EQ(I(9999, 4), "9999");
    EXPECT_EQ(I(10000, 4), "****");
    EXPECT_EQ(I(-999, 4), "-999");
    EXPECT_EQ(I(-1000, 4), "****");
    EXPECT_EQ(A(" m ", 3), " m ");
    EXPECT_EQ(A("in", 3), " in");
    EXPECT_EQ(A("label", 3), "lab");
    EXPECT_EQ(A(std::string(40, ' '), 40), std::string(40, ' '));
    EXPECT_EQ(A("short", 8), "   short");
}

TEST(Record, BuildsALayoutItemByItem) {
    textio::Record r;
    r.lit(" Feed diameter:               ").F(2.0f, 9, 4);
    EXPECT_EQ(r.str(), " Feed diameter:                  2.0000");
    r.clear().X(4).E(0.0f, 13, 6).X(3).lit("\"ref(zmain").I(1, 1).lit(")\"");
    EXPECT_EQ(r.str(), "     0.000000E+00   \"ref(zmain1)\"");
}

// Random bit patterns and decimal-looking values across the whole range,
// compared with the exact reference, for every field the program uses.
TEST(Fields, AgreeWithTheExactReference) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<std::uint32_t> any_bits;
    std::uniform_real_distribution<double> mag(-8.0, 8.0);
    struct Fmt {
        int w, d;
    };
    const Fmt fixed[] = {{9, 4}, {10, 4}, {11, 4}, {12, 4}, {9, 2}, {8, 3}};
    for (int n = 0; n < 60000; ++n) {
        float v;
        switch (n % 4) {
        case 0: v = bits(any_bits(rng)); break;
        case 1: v = static_cast<float>(std::pow(10.0, mag(rng))) * ((n & 8) ? -1.0f : 1.0f); break;
        case 2: {  // values a few ulps around decimal ties of the F fields
            double tie = (std::floor(std::pow(10.0, mag(rng) / 2) * 1e4) + 0.5) / 1e4;
            v = std::nextafter(static_cast<float>(tie), (n & 16) ? 0.0f : 1e30f);
            break;
        }
        default:  // dyadic values: exact ties are common among them
            v = static_cast<float>(std::ldexp(static_cast<double>(any_bits(rng) % 100000), -static_cast<int>(any_bits(rng) % 20)));
        }
        if (std::isnan(v)) continue;
        for (const Fmt& f : fixed) ASSERT_EQ(F(v, f.w, f.d), reference_F(v, f.w, f.d)) << "value " << v;
        ASSERT_EQ(E(v, 13, 6), reference_E(v, 13, 6)) << "value " << v;
        ASSERT_EQ(E(v, 14, 6), reference_E(v, 14, 6)) << "value " << v;
    }
}

}  // namespace

// The edges of the fast paths, against the same reference: decimal ties
// that are exact binary values, carries into a new leading digit, and the
// magnitudes where the exact integer arithmetic hands over to the slow path
// (results beyond 62 bits, scale factors beyond 10^30 or 10^-38, fields
// wider than 40).
TEST(Fields, FastPathEdgesAgreeWithTheExactReference) {
    std::vector<float> values;
    auto around = [&](double x) {
        float f = static_cast<float>(x);
        for (int i = 0; i < 4; ++i) f = std::nextafter(f, 0.0f);
        for (int i = 0; i < 9; ++i, f = std::nextafter(f, INFINITY)) values.push_back(f), values.push_back(-f);
    };
    for (int s = 1; s <= 24; ++s)  // exact ties: odd multiples of 2^-s
        for (int j = 1; j < 60; j += 7) values.push_back(static_cast<float>(std::ldexp(2.0 * j + 1, -s)));
    for (int k = -45; k <= 38; ++k) {
        around(std::pow(10.0, k));                    // a new decimal exponent
        around(std::pow(10.0, k) * (1 - 0.5e-6));     // E...6 rounds up into it
    }
    for (int d : {2, 3, 4})
        for (int j = 0; j <= 9; ++j) around(std::pow(10.0, j) - 0.5 * std::pow(10.0, -d));  // F carries
    for (int b = 40; b <= 56; ++b) around(std::ldexp(1.0, b));  // F results near 2^62
    for (float v : values) {
        if (v == 0.0f || std::isinf(v)) continue;
        for (int w : {8, 9, 10, 11, 12}) {
            for (int d : {2, 3, 4}) ASSERT_EQ(F(v, w, d), reference_F(v, w, d)) << "value " << v;
        }
        ASSERT_EQ(F(v, 30, 4), reference_F(v, 30, 4)) << "value " << v;
        ASSERT_EQ(F(v, 41, 4), reference_F(v, 41, 4)) << "value " << v;  // wider than the fast path takes
        for (int w : {13, 14}) ASSERT_EQ(E(v, w, 6), reference_E(v, w, 6)) << "value " << v;
        ASSERT_EQ(E(v, 12, 3), reference_E(v, 12, 3)) << "value " << v;
    }
}
