// The case dialogues: sweep arithmetic, the case tables, the solver
// bindings, and the export step and feed questions driven through a whole
// dialogue with a stand-in for the surface export.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/case_tables.hpp"
#include "dialogue/export_hooks.hpp"
#include "dialogue/state.hpp"
#include "dialogue/sweep.hpp"
#include "geometry/solvers.hpp"

namespace fs = std::filesystem;
using namespace dialogue;

namespace {

constexpr float kDeg = geometry::kDegreeFactor;

// ------------------------------------------------------------ row count

TEST(SweepRowCount, IncludesAStopAWholeNumberOfStepsAway) {
    EXPECT_EQ(row_count(100, 110, 5), 3);
    EXPECT_EQ(row_count(100, 100, 5), 1);
    EXPECT_EQ(row_count(0.1f, 0.7f, 0.1f), 7);  // 5.9999... + 1.4
    EXPECT_EQ(row_count(110, 100, -5), 3);      // downward
}

TEST(SweepRowCount, PassesTheStopByLessThanFourTenthsOfAStep) {
    EXPECT_EQ(row_count(100, 109, 5), 3);    // 2.8 + 1.4
    EXPECT_EQ(row_count(100, 107.9f, 5), 2);  // 1.58 + 1.4
    // Exactly 0.4 of a step short: the single-precision 1.4 (1.39999998)
    // keeps the sum below 2.
    EXPECT_EQ(row_count(200, 203, 5), 1);
    EXPECT_EQ(row_count(0, 3, 5), 1);
}

TEST(SweepRowCount, TruncatesTowardZero) {
    EXPECT_EQ(row_count(110, 100, 5), 0);   // -0.6
    EXPECT_EQ(row_count(130, 100, 5), -4);  // -4.6: no rows either
}

TEST(SweepRowCount, NoRowsForAZeroStepOrACountBeyond32Bits) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(row_count(100, 110, 0), 0);  // +inf
    EXPECT_EQ(row_count(110, 100, 0), 0);  // -inf
    EXPECT_EQ(row_count(100, 100, 0), 0);  // 0/0
    EXPECT_EQ(row_count(-1e30f, 1e30f, 1e-30f), 0);
    EXPECT_EQ(row_count(1e30f, -1e30f, 1e-30f), 0);
    EXPECT_EQ(row_count(0, inf, 1), 0);
    EXPECT_EQ(row_count(0, 2147483648.0f, 1), 0);  // 2^31 + 1.4
    // The largest count that fits.
    EXPECT_EQ(row_count(0, 2147483520.0f, 1), 2147483521);
    EXPECT_EQ(row_count(0, -2147483648.0f, 1), -2147483646);
    EXPECT_EQ(row_count(0, -4294967296.0f, 1), 0);
}

// ------------------------------------------------- swept values and angles

TEST(SweepValues, ComputedFromTheIndexNotByRepeatedAddition) {
    EXPECT_EQ(swept_value(100, 5, 1), 100.0f);
    EXPECT_EQ(swept_value(100, 5, 3), 110.0f);
    EXPECT_EQ(swept_value(110, -5, 3), 100.0f);
    // 0.1 added 999 times drifts; (i - 1) * step + start does not.
    float sum = 0.1f;
    for (int i = 2; i <= 1000; ++i) sum += 0.1f;
    EXPECT_EQ(swept_value(0.1f, 0.1f, 1000), 100.0f);
    EXPECT_NE(sum, 100.0f);
}

TEST(SweepValues, FeedAngleAnswers) {
    EXPECT_EQ(feed_angle(13.1639f), 13.1639f * kDeg);  // the single-precision product
    EXPECT_EQ(feed_angle(0.0f), 0.0f);
    EXPECT_EQ(feed_angle(-0.5f), static_cast<float>(2 * std::atan(0.5)));
    EXPECT_EQ(feed_angle(-2.5f), static_cast<float>(2 * std::atan(0.1)));
}

TEST(SweepValues, AngleSweepsByInputType) {
    EXPECT_EQ(swept_angle(0.5f, 2), static_cast<float>(2 * std::atan(0.5)));
    EXPECT_EQ(swept_angle(0.75f, 2), static_cast<float>(2 * std::atan(1.0 / 3)));
    EXPECT_EQ(swept_angle(1.0f, 2), static_cast<float>(2 * std::atan(0.25)));
    // Inside a sweep the sign is never looked at.
    EXPECT_EQ(swept_angle(-0.5f, 2), static_cast<float>(-2 * std::atan(0.5)));
    EXPECT_EQ(swept_angle(-10.0f, 1), -10.0f * kDeg);
    // Any type other than 2 takes degrees.
    EXPECT_EQ(swept_angle(13.0f, 1), 13.0f * kDeg);
    EXPECT_EQ(swept_angle(13.0f, 3), 13.0f * kDeg);
    EXPECT_EQ(swept_angle(13.0f, 0), 13.0f * kDeg);
}

TEST(SweepValues, DegreesAreTheSinglePrecisionQuotient) {
    EXPECT_EQ(degrees(0.229753f), 0.229753f / kDeg);
    EXPECT_EQ(degrees(13.1639f * kDeg), 13.1639f);
}

// ------------------------------------------------------------ case tables

std::vector<Quantity> lengths_held(const ModeTable& mode, const geometry::DesignCase& c, Quantity swept) {
    std::vector<Quantity> held;
    if (mode.feed_questions) held.push_back(qty::DF);
    for (int k = 0; k < mode.sweepable; ++k) {
        Quantity q = c.prescribed[static_cast<std::size_t>(k)];
        if (q != swept && q != qty::TE) held.push_back(q);
    }
    return held;
}

// Every table against the rules that tie its parts together: menu length
// and its closing blank, given-value lines for exactly the lengths held
// fixed (after DF in mode 2), in menu order, with 30-character labels, and
// a second heading for TE sweeps only.
TEST(CaseTables, EveryCaseIsComplete) {
    for (const ModeTable* mode : {&kMode1, &kMode2}) {
        ASSERT_EQ(mode->cases.size(), 7u);
        const auto n = static_cast<std::size_t>(mode->sweepable);
        for (std::size_t k = 0; k < 7; ++k) {
            SCOPED_TRACE("mode " + std::to_string(mode->sweepable == 4 ? 1 : 2) + " case " +
                         std::to_string(k + 1));
            const CaseTable& c = mode->cases[k];
            const geometry::DesignCase& d = mode->design->cases[k];
            EXPECT_EQ(mode->design->prescribed, mode->sweepable);
            EXPECT_NE(d.plain, nullptr);
            EXPECT_EQ(d.with_phase == nullptr, !mode->feed_questions);
            for (std::size_t i = 0; i < 4; ++i) {
                const std::string_view rec = c.menu[i];
                if (i >= n) {
                    EXPECT_TRUE(rec.empty());
                    continue;
                }
                EXPECT_EQ(rec.substr(0, 9), "       " + std::to_string(i + 1) + " ");
                EXPECT_EQ(rec.back() == ' ', i == n - 1) << rec;
            }
            // Mode 1 prescribes TE last in every case.
            if (!mode->feed_questions) {
                EXPECT_EQ(d.prescribed[3], qty::TE);
            }
            for (std::size_t i = 0; i < n; ++i) {
                const VaryOption& opt = c.options[i];
                const Quantity swept = d.prescribed[i];
                std::vector<Quantity> given;
                for (const GivenLine& line : opt.given) {
                    if (line.label.empty()) break;
                    EXPECT_EQ(line.label.size(), 30u) << line.label;
                    given.push_back(line.q);
                }
                EXPECT_EQ(given, lengths_held(*mode, d, swept)) << "option " << i + 1;
                EXPECT_FALSE(opt.heading.upper.empty());
                EXPECT_FALSE(opt.heading.lower.empty());
                EXPECT_EQ(opt.fd_heading.upper.empty(), swept != qty::TE);
                EXPECT_EQ(opt.fd_heading.lower.empty(), swept != qty::TE);
            }
        }
    }
}

TEST(CaseTables, RowLayouts) {
    int width = 0;
    for (const RowField& f : kMode1.row) width += f.width;
    EXPECT_EQ(width, 60);
    width = 0;
    for (const RowField& f : kMode2.row) width += f.width;
    EXPECT_EQ(width, 63);
    EXPECT_EQ(kMode2.row[5].decimals, 3);
}

// ------------------------------------------------------- solver bindings

struct Design {
    float t, DM, FM, LM, DS, LS, TE, AS, FS, LT, DF, DF_LP;
};
// The consistent designs, with their minimum-blockage feed diameters
// without and with a phase centre 0.05 behind the aperture.
constexpr Design kCassegrain{-1, 2, 1, 0.2f, 0.318367f, 0.65f, 0.229753f, 0.25f, 0.4f, 0.880612f,
                             0.254694f, 0.238776f};
constexpr Design kGregorian{1, 2, 1, 0.2f, 0.380952f, 1.0f, 0.199337f, 0.6f, 0.4f, 1.2f, 0.304762f,
                            0.285714f};

Geometry geometry_of(const Design& d) {
    Geometry g;
    g.t = d.t;
    g.DM = d.DM;
    g.FM = d.FM;
    g.LM = d.LM;
    g.DS = d.DS;
    g.LS = d.LS;
    g.TE = d.TE;
    g.AS = d.AS;
    g.FS = d.FS;
    return g;
}

// Each binding, given the quantities its case prescribes, must return the
// rest of the design: an argument out of place gives other numbers.
void expect_binding_solves(const ModeTable& mode, const Design& d, bool phase) {
    const Geometry want = geometry_of(d);
    for (std::size_t k = 0; k < 7; ++k) {
        SCOPED_TRACE("case " + std::to_string(k + 1) + (phase ? " with phase centre" : ""));
        const geometry::DesignCase& c = mode.design->cases[k];
        Geometry g = want;
        g.DF = phase ? d.DF_LP : d.DF;
        g.LP = phase ? 0.05f : 0.0f;
        const auto n = static_cast<std::size_t>(mode.sweepable);
        for (Quantity q : {qty::DM, qty::FM, qty::LM, qty::DS, qty::LS, qty::TE, qty::AS, qty::FS}) {
            if (std::find(c.prescribed.begin(), c.prescribed.begin() + static_cast<long>(n), q) ==
                c.prescribed.begin() + static_cast<long>(n))
                g.*q = -7777.0f;
        }
        (phase ? c.with_phase : c.plain)(g);
        for (Quantity q : {qty::DM, qty::FM, qty::LM, qty::DS, qty::LS, qty::TE, qty::AS, qty::FS})
            EXPECT_NEAR(g.*q, want.*q, 2e-5 * std::max(1.0f, std::fabs(want.*q)));
    }
}

TEST(CaseTables, SolverBindingsReturnTheConsistentDesigns) {
    for (const Design* d : {&kCassegrain, &kGregorian}) {
        SCOPED_TRACE(d->t < 0 ? "Cassegrain" : "Gregorian");
        expect_binding_solves(kMode1, *d, false);
        expect_binding_solves(kMode2, *d, false);
        expect_binding_solves(kMode2, *d, true);
    }
}

// ------------------------------------------------- whole case dialogues

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

struct ExportCall {
    float DM, FM, DS, TE, t;
};

class RecordingExport : public ExportHooks {
public:
    std::int32_t yes_no(textio::InputUnit&) override { return 1; }
    void export_design(textio::Console& con, float& DM, float& FM, float& DS, float& TE,
                       float& t) override {
        con.out.record(" (export)");
        calls.push_back({DM, FM, DS, TE, t});
    }
    std::vector<ExportCall> calls;
};

// One case dialogue on typed answers, with the console and the report in
// files of a temporary folder.
struct Dialogue {
    Dialogue() {
        char tmpl[] = "/tmp/refldsgn-case-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~Dialogue() { fs::remove_all(dir); }

    DialogueState run(int mode, int kase, float t, const std::string& answers, int export_flag,
                      geometry::DualReflectorGeometry start = {}) {
        std::istringstream text(answers);
        textio::InputUnit in(text);
        textio::OutputUnit out = textio::OutputUnit::create(6, (dir / "console").string());
        textio::Console con{in, out};
        DialogueState st(con, textio::OutputUnit::create(66, (dir / "report").string()), &hooks);
        st.export_flag = export_flag;
        st.mode = mode;
        st.kase = kase;
        st.g = start;
        st.g.t = t;
        if (mode == 1) {
            run_mode1_case(st);
        } else {
            run_mode2_case(st);
        }
        out.close();
        st.report.close();
        console = slurp(dir / "console");
        report = slurp(dir / "report");
        return st;
    }

    fs::path dir;
    RecordingExport hooks;
    std::string console, report;
};

TEST(CaseDialogue, ExportStepAsksTheSweptQuantityAgainAndExportsItsDesign) {
    Dialogue d;
    // Mode 1, case 3, sweep of DM (this sweep has the export step too).
    d.run(1, 3, -1, "1\n1\n0.65\n-2.1666667\n1.9,2.1,0.1\n2\n0\n", 1);
    // After the last row (DM 2.1): the prompt, the export, the menu.
    const std::size_t last_row = d.console.find("\n   2.1000 ");
    ASSERT_NE(last_row, std::string::npos) << d.console;
    const std::size_t row_end = d.console.find('\n', last_row + 1);
    EXPECT_EQ(row_end - last_row - 1, 60u);
    const std::string after =
        " Enter main reflector diameter \n"
        " (export)\n"
        " Vary: 0 Stop\n";
    EXPECT_EQ(d.console.substr(row_end + 1, after.size()), after);
    ASSERT_EQ(d.hooks.calls.size(), 1u);
    const ExportCall& e = d.hooks.calls[0];
    EXPECT_EQ(e.DM, 2.0f);
    EXPECT_NEAR(e.FM, 1.0f, 1e-6);
    EXPECT_NEAR(e.DS, 0.318367f, 1e-6);
    EXPECT_EQ(e.TE, feed_angle(-2.1666667f));
    EXPECT_EQ(e.t, -1.0f);
    // The export design writes nothing to the report.
    EXPECT_EQ(d.report.find("(export)"), std::string::npos);
}

TEST(CaseDialogue, ExportOfATeSweepConvertsTheNewAnswer) {
    Dialogue d;
    d.run(1, 1, 1, "4\n2\n0.2\n1\n2\n2.4,2.6,0.1\n-2.5\n4\n2\n0.2\n1\n1\n11,12,1\n11.421186\n0\n", 1);
    ASSERT_EQ(d.hooks.calls.size(), 2u);
    EXPECT_EQ(d.hooks.calls[0].TE, feed_angle(-2.5f));
    EXPECT_EQ(d.hooks.calls[1].TE, 11.421186f * kDeg);
    for (const ExportCall& e : d.hooks.calls) {
        EXPECT_NEAR(e.DS, 0.380952f, 1e-5);  // the design of the new answer
        EXPECT_NEAR(e.FM, 1.0f, 1e-5);
    }
}

TEST(CaseDialogue, ExportOfAPhaseCentreDesignUsesThePhaseCentreSolver) {
    Dialogue d;
    // Mode 2, case 7: DF, phase centre 0.05 behind the aperture, sweep LS.
    d.run(2, 7, -1, "0.238776\n1\n0.05\n2\n2\n-2.1666667\n0.6,0.7,0.05\n0.65\n0\n", 1);
    EXPECT_NE(d.console.find(" Enter distance from feed to subreflector vertex \n (export)\n"),
              std::string::npos);
    ASSERT_EQ(d.hooks.calls.size(), 1u);
    // The minimum-blockage solver would need DF 0.254694 for this design.
    EXPECT_NEAR(d.hooks.calls[0].FM, 1.0f, 1e-5);
    EXPECT_NEAR(d.hooks.calls[0].DS, 0.318367f, 1e-5);
    EXPECT_EQ(d.hooks.calls[0].TE, feed_angle(-2.1666667f));
}

TEST(CaseDialogue, NoExportStepUnlessTheFlagIsOne) {
    for (int flag : {0, -1}) {
        Dialogue d;
        d.run(1, 7, -1, "3\n2\n0.318367\n-2.1666667\n0.65,0.65,1\n0\n", flag);
        EXPECT_TRUE(d.hooks.calls.empty());
        EXPECT_EQ(d.console.find(" Enter distance from feed to subreflector vertex \n (export)"),
                  std::string::npos);
    }
}

TEST(CaseDialogue, FeedQuestionsResetThePhaseCentreDepth) {
    Dialogue d;
    geometry::DualReflectorGeometry earlier;
    earlier.LP = 0.5f;  // left by an earlier pass with the phase centre
    DialogueState st = d.run(2, 1, -1, "0.254694\n2\n0\n", 0, earlier);
    EXPECT_EQ(st.g.LP, 0.0f);
    EXPECT_EQ(st.g.DF, 0.254694f);
    EXPECT_EQ(d.console,
              " Enter feed diameter \n"
              " Enter 1 to include phase center inside feed \n"
              " Vary: 0 Stop\n"
              "       1 Main diameter\n"
              "       2 Main focal length\n"
              "       3 Main vertex to feed \n");
}

TEST(CaseDialogue, CaseOutsideTheTableAsksOnlyTheFeedQuestions) {
    Dialogue d;
    DialogueState st = d.run(2, 8, 1, "0.3\n1\n0.05\n", 0);
    EXPECT_EQ(st.g.LP, 0.05f);
    EXPECT_EQ(d.console,
              " Enter feed diameter \n"
              " Enter 1 to include phase center inside feed \n"
              " Enter distance into feed from aperture \n");
    d.run(1, 0, 1, "", 0);
    EXPECT_EQ(d.console, "");
}

TEST(CaseDialogue, TheSweptQuantityKeepsTheValueOfTheLastRow) {
    Dialogue d;
    DialogueState st = d.run(1, 1, -1, "1\n0.2\n0.65\n-2.1666667\n1.8,2.2,0.2\n0\n", 0);
    EXPECT_EQ(st.rows, 3);
    EXPECT_EQ(st.row, 3);
    EXPECT_EQ(st.g.DM, 2.2f);
    DialogueState te = d.run(1, 1, -1, "4\n2\n0.2\n0.65\n2\n2,3,0.5\n0\n", 0);
    EXPECT_EQ(te.feed_answer, 3.0f);
    EXPECT_EQ(te.g.TE, swept_angle(3.0f, 2));
}

}  // namespace
