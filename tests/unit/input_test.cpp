// Free-form answers, text answers and the input diagnostics.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "textio/error.hpp"
#include "textio/input.hpp"

namespace {

struct Reader {
    explicit Reader(std::string text) : stream(std::move(text)), in(stream) {}
    std::istringstream stream;
    textio::InputUnit in;
};

// The diagnostic number a read ends with (0 when it succeeds).
template <typename F>
int error_of(F&& read) {
    try {
        read();
    } catch (const textio::IoError& e) {
        return e.number();
    }
    return 0;
}

TEST(FreeForm, ValuesSeparatedByCommasBlanksTabsAndLines) {
    Reader r("1,2 3\n4\t5 , 6\n\n\n7\n8\n");
    float a = 0, b = 0, c = 0;
    r.in.read_list({a, b, c});
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);
    r.in.read_list({a, b, c});
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(c, 6);
    std::int32_t n = 0;
    r.in.read(n);  // empty lines are skipped
    EXPECT_EQ(n, 7);
    r.in.read(n);
    EXPECT_EQ(n, 8);
}

TEST(FreeForm, ARangeMayRunOverSeveralLines) {
    Reader r("1,2\n0.1\n100\n110\n\n5 9\n");
    float a = 0, b = 0, c = 0;
    r.in.read_list({a, b, c});
    EXPECT_EQ(a, 1.0f);
    EXPECT_EQ(b, 2.0f);
    EXPECT_EQ(c, 0.1f);
    r.in.read_list({a, b, c});
    EXPECT_EQ(a, 100.0f);
    EXPECT_EQ(b, 110.0f);
    EXPECT_EQ(c, 5.0f);  // the 9 after it is discarded
}

TEST(FreeForm, TheRestOfTheLineIsDiscarded) {
    Reader r("10 20\n30\n");
    float v = 0;
    r.in.read(v);
    EXPECT_EQ(v, 10);
    r.in.read(v);
    EXPECT_EQ(v, 30);
}

TEST(FreeForm, SlashEndsTheReadAndLeavesTheRest) {
    Reader r("1 /\n/\n5/6\n");
    float a = 0, b = 7, c = 8;
    r.in.read_list({a, b, c});
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(c, 8);
    std::int32_t n = 42;
    r.in.read(n);
    EXPECT_EQ(n, 42);
    r.in.read_list({a, b});
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 7);  // the read ended at the slash
}

TEST(FreeForm, NullValuesLeaveItemsUnchanged) {
    float a = 1, b = 2, c = 3;
    {
        Reader r("9,,9\n");
        r.in.read_list({a, b, c});
        EXPECT_EQ(a, 9);
        EXPECT_EQ(b, 2);
        EXPECT_EQ(c, 9);
    }
    {
        a = 1; b = 2; c = 3;
        Reader r(",5 , 6\n");  // a leading comma is a null first value
        r.in.read_list({a, b, c});
        EXPECT_EQ(a, 1);
        EXPECT_EQ(b, 5);
        EXPECT_EQ(c, 6);
    }
    {
        a = 1; b = 2; c = 3;
        Reader r("4,\n5\n6\n");  // a line end after a comma is no null value
        r.in.read_list({a, b, c});
        EXPECT_EQ(a, 4);
        EXPECT_EQ(b, 5);
        EXPECT_EQ(c, 6);
    }
    {
        a = 1; b = 2; c = 3;
        Reader r("4, ,6\n");
        r.in.read_list({a, b, c});
        EXPECT_EQ(a, 4);
        EXPECT_EQ(b, 2);
        EXPECT_EQ(c, 6);
    }
    {
        a = 1; b = 2; c = 3;
        Reader r("4,\n,6\n");  // two commas with a line end between
        r.in.read_list({a, b, c});
        EXPECT_EQ(a, 4);
        EXPECT_EQ(b, 2);
        EXPECT_EQ(c, 6);
    }
}

TEST(FreeForm, RepeatCounts) {
    float a = 1, b = 2, c = 3;
    Reader r("3*2.5\n2* 7\n1*4 2*5 9\n");
    r.in.read_list({a, b, c});
    EXPECT_EQ(a, 2.5f);
    EXPECT_EQ(b, 2.5f);
    EXPECT_EQ(c, 2.5f);
    a = 1; b = 2; c = 3;
    r.in.read_list({a, b, c});
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 7);
    r.in.read_list({a, b, c});
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(c, 5);
}

TEST(FreeForm, MixedIntegerAndRealItems) {
    float start = 0, stop = 0;
    std::int32_t count = 0;
    Reader r("0 100 3\n");
    r.in.read_list({start, stop, count});
    EXPECT_EQ(start, 0);
    EXPECT_EQ(stop, 100);
    EXPECT_EQ(count, 3);
}

TEST(FreeForm, NumberForms) {
    Reader r("1.0\n-2\n.5\n5.\n+7\n1e2\n1D2\n-2.5d-1\n1E+2\n0003\n-2147483648\n2147483647\n1e-50\n");
    float v = 0;
    std::int32_t n = 0;
    r.in.read(v); EXPECT_EQ(v, 1.0f);
    r.in.read(v); EXPECT_EQ(v, -2.0f);
    r.in.read(v); EXPECT_EQ(v, 0.5f);
    r.in.read(v); EXPECT_EQ(v, 5.0f);
    r.in.read(n); EXPECT_EQ(n, 7);
    r.in.read(v); EXPECT_EQ(v, 100.0f);
    r.in.read(v); EXPECT_EQ(v, 100.0f);
    r.in.read(v); EXPECT_EQ(v, -0.25f);
    r.in.read(v); EXPECT_EQ(v, 100.0f);
    r.in.read(n); EXPECT_EQ(n, 3);
    r.in.read(n); EXPECT_EQ(n, INT32_MIN);
    r.in.read(n); EXPECT_EQ(n, INT32_MAX);
    r.in.read(v); EXPECT_EQ(v, 0.0f);  // underflow is no error
}

TEST(FreeForm, DecimalConversionIsCorrectlyRounded) {
    Reader r("0.1\n16777217\n3.4028235e38\n1.401298464e-45\n");
    float v = 0;
    r.in.read(v); EXPECT_EQ(v, 0.1f);
    r.in.read(v); EXPECT_EQ(v, 16777216.0f);  // tie to even in binary
    r.in.read(v); EXPECT_EQ(v, 3.4028235e38f);
    r.in.read(v); EXPECT_EQ(v, 1.401298464e-45f);
}

TEST(FreeForm, MalformedAnswersAreSyntaxErrors) {
    const char* bad_reals[] = {"abc", "1..2", "--1", "1e", "1e+", "*", "NaN", "Infinity", "inf",
                               "0x10", ".", "+", "1.5.", "e5", "1,5x", "0*5", "*5", "1 2*x"};
    for (const char* text : bad_reals) {
        Reader r(std::string(text) + "\n");
        float a = 0, b = 0;
        EXPECT_EQ(error_of([&] { r.in.read_list({a, b}); }), 59) << text;
    }
    const char* bad_integers[] = {"1.5", "1.0", "1e3", "1d0", ".", "x1", "1-"};
    for (const char* text : bad_integers) {
        Reader r(std::string(text) + "\n");
        std::int32_t n = 0;
        EXPECT_EQ(error_of([&] { r.in.read(n); }), 59) << text;
    }
    Reader nul(std::string("1\0", 2) + "\n");
    float v = 0;
    EXPECT_EQ(error_of([&] { nul.in.read(v); }), 59);
}

TEST(FreeForm, OutOfRangeNumbersAreConversionErrors) {
    const char* bad_integers[] = {"2147483648", "-2147483649", "99999999999999999999"};
    for (const char* text : bad_integers) {
        Reader r(std::string(text) + "\n");
        std::int32_t n = 0;
        EXPECT_EQ(error_of([&] { r.in.read(n); }), 64) << text;
    }
    const char* bad_reals[] = {"1e39", "-3.5e38", "1d99999"};
    for (const char* text : bad_reals) {
        Reader r(std::string(text) + "\n");
        float v = 0;
        EXPECT_EQ(error_of([&] { r.in.read(v); }), 64) << text;
    }
}

TEST(FreeForm, AValueIsCheckedEvenWhenItIsNotNeeded) {
    // Only values that the read takes are converted; the discarded rest of
    // the line is not looked at.
    Reader r("1 junk\n");
    float v = 0;
    EXPECT_EQ(error_of([&] { r.in.read(v); }), 0);
    EXPECT_EQ(v, 1.0f);
}

TEST(EndOfInput, EveryReadEndsWithDiagnostic24) {
    Reader empty("");
    float v = 0;
    try {
        empty.in.read(v);
        FAIL() << "no error";
    } catch (const textio::IoError& e) {
        EXPECT_EQ(e.number(), 24);
        EXPECT_STREQ(e.what(), "end-of-file during read, unit 5, file CONIN$");
        EXPECT_EQ(textio::diagnostic_line("refldsgn", e),
                  "refldsgn: severe (24): end-of-file during read, unit 5, file CONIN$");
    }
    Reader partial("1 2\n");  // the range is not complete when the input ends
    float a = 0, b = 0, c = 0;
    EXPECT_EQ(error_of([&] { partial.in.read_list({a, b, c}); }), 24);
    Reader blank_only("\n\n  \n");
    EXPECT_EQ(error_of([&] { blank_only.in.read(v); }), 24);
    Reader no_line_end("5");
    EXPECT_EQ(error_of([&] { no_line_end.in.read(v); }), 0);
    EXPECT_EQ(v, 5.0f);
    EXPECT_EQ(error_of([&] { no_line_end.in.read(v); }), 24);
    Reader text("");
    EXPECT_EQ(error_of([&] { text.in.read_text(70); }), 24);
}

TEST(TextAnswers, FixedWidthAndLineEnds) {
    Reader r("report.txt\r\n" + std::string(75, 'x') + "\n  spaced  \nlabel\r\r\n7\r\n");
    EXPECT_EQ(r.in.read_text(70), "report.txt" + std::string(60, ' '));
    EXPECT_EQ(r.in.read_text(70), std::string(70, 'x'));
    EXPECT_EQ(r.in.read_text(20), "  spaced            ");
    EXPECT_EQ(r.in.read_text(8), "label\r  ");  // only the CR before the LF belongs to the line end
    float v = 0;
    r.in.read(v);
    EXPECT_EQ(v, 7.0f);
}

TEST(TextAnswers, EachReadCallsTheFlushHookFirst) {
    Reader r("1\nname\n");
    int calls = 0;
    r.in.set_before_read([&] { ++calls; });
    float v = 0;
    r.in.read(v);
    r.in.read_text(70);
    EXPECT_EQ(calls, 2);
}

}  // namespace
