// The export dialogue: its questions, the settings it keeps for the run,
// and how it ends on an I/O failure.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dialogue/surface_export.hpp"
#include "export_test_support.hpp"
#include "textio/error.hpp"

namespace surface {
namespace {

using export_test::exists;
using export_test::ScratchDir;
using export_test::ScriptedConsole;
using export_test::slurp;

TEST(Nyes, ExampleAnswers) {
    struct Case {
        const char* line;
        std::int32_t answer;
    };
    for (Case c : {Case{"yes", 1}, Case{"   Yes", 1}, Case{"si", 1}, Case{"da", 1}, Case{"ja", 1},
                   Case{"Sure", 1}, Case{"maybe", 1}, Case{"no", -1}, Case{"nein", -1}, Case{"N", -1},
                   Case{"not sure", -1}, Case{"ok", 0}, Case{"oui", 0}, Case{"", 0}, Case{"12345", 0},
                   Case{"1234567890123456789 yes", 0}, Case{"1234567890123456789y", 1},
                   Case{"\t-- !?Y", 1}}) {
        std::istringstream text(std::string(c.line) + "\nn\n");
        textio::InputUnit in(text);
        EXPECT_EQ(NYES(in), c.answer) << '"' << c.line << '"';
        EXPECT_EQ(NYES(in), -1) << "the whole line is used: " << c.line;
    }
}

// The two reference designs, TE in radians.
struct Design {
    float DM, FM, DS, TE, t;
};
const Design kCassegrain{2, 1, 0.318367f, 0.229753f, -1};
const Design kGregorian{2, 1, 0.380952f, 0.199337f, 1};

// An A40 label record's text: the answer padded with blanks to 40 columns.
std::string label40(const std::string& answer) { return answer + std::string(40 - answer.size(), ' '); }

void run(ScriptedConsole& sc, ExportSettings& s, Design d) {
    DURTIC(sc.con(), s, d.DM, d.FM, d.DS, d.TE, d.t);
}

TEST(Durtic, AllDeclinedAsksFourQuestions) {
    ScratchDir dir;
    ScriptedConsole sc(dir, "n\n\nok\nnein\n");
    ExportSettings s;
    run(sc, s, kCassegrain);
    EXPECT_EQ(sc.transcript(),
              " Write main reflector TICRA .rsf file? \n"
              " CHAMP main reflector spline w/ variable Z? \n"
              " Write Subreflector TICRA .rsf file? \n"
              " CHAMP subreflector spline w/ variable Z? ");
}

TEST(Durtic, FourFilesOfTheCassegrainDesign) {
    ScratchDir dir;
    ScriptedConsole sc(dir, "y\n" + dir.file("main.rsf") + "\n0\n0,2,0.5\n1\nCassegrain main\n"
                            "y\n" + dir.file("main.champ") + "\n3\n0,2,3\n"
                            "y\n" + dir.file("sub.rsf") + "\n0 0.318367 0.318367\nCassegrain sub\n"
                            "y\n" + dir.file("sub.champ") + "\n4\n0,0.318367,2\n");
    ExportSettings s;
    run(sc, s, kCassegrain);
    EXPECT_EQ(sc.transcript(),
              " Write main reflector TICRA .rsf file? \n"
              " TICRA .rsf file of parabola\n"
              " Enter output file \n"
              " Enter z offset \n"
              " Enter diameter start,stop,step \n"
              " Enter +1 forward, -1 reverse reflector \n"
              " Enter label \n"
              " CHAMP main reflector spline w/ variable Z? \n"
              " Enter file \n"
              " Enter length units: 1 in., 2 ft., 3 mm, 4 m \n"
              " Enter diameter  start,stop,# \n"
              " Write Subreflector TICRA .rsf file? \n"
              " TICRA .rsf file of subreflector\n"
              " Enter output file \n"
              " Enter diameter start,stop,step \n"
              " Enter label \n"
              " CHAMP subreflector spline w/ variable Z? \n"
              " Enter file \n"
              " Enter length units: 1 in., 2 ft., 3 mm, 4 m \n"
              " Enter diameter  start,stop,# ");
    EXPECT_EQ(slurp(dir.file("main.rsf")),
              "Cassegrain main                         \n"
              "   5   1   0\n"
              " 0.000000E+00  0.000000E+00\n"
              " 2.500000E-01  1.562500E-02\n"
              " 5.000000E-01  6.250000E-02\n"
              " 7.500000E-01  1.406250E-01\n"
              " 1.000000E+00  2.500000E-01\n");
    // Main CHAMP heights are measured from the feed point, zF = LM = 0.2.
    const std::string main_champ = slurp(dir.file("main.champ"));
    EXPECT_NE(main_champ.find("zmain1   real_variable\n(\n   value    : -2.000002E-01\n)\n\n"
                              "zmain2   real_variable\n(\n   value    : -1.375002E-01\n)\n\n"
                              "zmain3   real_variable\n(\n   value    :  4.999977E-02\n)\n\n"
                              "main_reflector  spline_circ_sym_reflector\n"),
              std::string::npos);
    EXPECT_NE(main_champ.find("  length_unit      : mm,\n"), std::string::npos);
    // The subreflector runs from its vertex, 0.85 above the main vertex, to
    // its rim at the total length 0.880612.
    EXPECT_EQ(slurp(dir.file("sub.rsf")),
              "Cassegrain sub                          \n"
              "   2   1   0\n"
              " 0.000000E+00  8.500001E-01\n"
              " 1.591835E-01  8.806124E-01\n");
    // Its CHAMP heights: LS = a + c = 0.65 at the vertex, 0.680612 at the rim.
    const std::string sub_champ = slurp(dir.file("sub.champ"));
    EXPECT_NE(sub_champ.find("zsub1   real_variable\n(\n   value    :  6.500000E-01\n)\n\n"
                             "zsub2   real_variable\n(\n   value    :  6.806121E-01\n)\n\n"
                             "sub_reflector  spline_circ_sym_reflector\n"),
              std::string::npos);
    EXPECT_NE(sub_champ.find("  length_unit      : m ,\n"), std::string::npos);
    EXPECT_NE(sub_champ.find("     1.591835E-01   \"ref(zsub2)\"\n"), std::string::npos);
}

TEST(Durtic, GregorianSubreflectorFiles) {
    ScratchDir dir;
    ScriptedConsole sc(dir, "n\nn\ny\n" + dir.file("sub.rsf") + "\n0\n0 0.380952 0.380952\n1\nG\n"
                            "y\n" + dir.file("sub.champ") + "\n1\n0,0.380952,2\n");
    ExportSettings s;
    run(sc, s, kGregorian);
    // The ellipsoid's vertex is its far point (LT = 1.2); the rim lies below.
    EXPECT_EQ(slurp(dir.file("sub.rsf")),
              "G                                       \n"
              "   2   1   0\n"
              " 0.000000E+00  1.200000E+00\n"
              " 1.904760E-01  1.142857E+00\n");
    const std::string champ = slurp(dir.file("sub.champ"));
    EXPECT_NE(champ.find("zsub1   real_variable\n(\n   value    :  1.000000E+00\n)\n\n"
                         "zsub2   real_variable\n(\n   value    :  9.428576E-01\n)\n\n"),
              std::string::npos);
}

TEST(Durtic, SubreflectorRsfReusesTheMainFilesPlacement) {
    ScratchDir dir;
    ExportSettings s;
    {
        // No main .rsf yet: the subreflector file asks for both, around the range.
        ScriptedConsole sc(dir, "n\nn\nyes\n" + dir.file("a.rsf") + "\n2\n0,0,1\n-1\nA\nn\n");
        run(sc, s, kCassegrain);
        EXPECT_EQ(sc.transcript(),
                  " Write main reflector TICRA .rsf file? \n"
                  " CHAMP main reflector spline w/ variable Z? \n"
                  " Write Subreflector TICRA .rsf file? \n"
                  " TICRA .rsf file of subreflector\n"
                  " Enter output file \n"
                  " Enter z offset \n"
                  " Enter diameter start,stop,step \n"
                  " Enter +1 forward, -1 reverse reflector \n"
                  " Enter label \n"
                  " CHAMP subreflector spline w/ variable Z? ");
        // -(0.85) + 2
        EXPECT_EQ(slurp(dir.file("a.rsf")), label40("A") + "\n   1   1   0\n 0.000000E+00  1.150000E+00\n");
    }
    {
        // Still no main .rsf in the run: asked again.
        ScriptedConsole sc(dir, "n\nn\ny\n" + dir.file("b.rsf") + "\n3\n0,0,1\n1\nB\nn\n");
        run(sc, s, kCassegrain);
        EXPECT_NE(sc.transcript().find(" Enter z offset \n Enter diameter start,stop,step \n"
                                       " Enter +1 forward, -1 reverse reflector \n"),
                  std::string::npos);
        EXPECT_EQ(slurp(dir.file("b.rsf")), label40("B") + "\n   1   1   0\n 0.000000E+00  3.850000E+00\n");
    }
    {
        // A main .rsf with direction -1 and offset 5, then a subreflector file
        // that asks neither and uses both.
        ScriptedConsole sc(dir, "y\n" + dir.file("m.rsf") + "\n5\n0,100,50\n-1\nM\nn\n"
                                "y\n" + dir.file("s.rsf") + "\n0,0,1\nS\nn\n");
        run(sc, s, Design{100, 62.5f, 10, 0.2f, -1});
        EXPECT_EQ(slurp(dir.file("m.rsf")),
                  label40("M") + "\n   3   1   0\n"
                  " 0.000000E+00  5.000000E+00\n"
                  " 2.500000E+01  2.500000E+00\n"
                  " 5.000000E+01 -5.000000E+00\n");
        const std::string t = sc.transcript();
        const std::size_t sub = t.find(" TICRA .rsf file of subreflector\n");
        ASSERT_NE(sub, std::string::npos);
        EXPECT_EQ(t.substr(sub), " TICRA .rsf file of subreflector\n"
                                 " Enter output file \n"
                                 " Enter diameter start,stop,step \n"
                                 " Enter label \n"
                                 " CHAMP subreflector spline w/ variable Z? ");
        EXPECT_EQ(s.z_offset, 5.0f);
        EXPECT_EQ(s.direction, -1.0f);
    }
    {
        // Later exports keep that placement.
        ScriptedConsole sc(dir, "n\nn\ny\n" + dir.file("s2.rsf") + "\n0,0,1\nS\nn\n");
        run(sc, s, kCassegrain);
        EXPECT_EQ(slurp(dir.file("s2.rsf")), label40("S") + "\n   1   1   0\n 0.000000E+00  4.150000E+00\n");
    }
}

TEST(Durtic, RsfRangeWithoutACountIsAskedAgain) {
    ScratchDir dir;
    ScriptedConsole sc(dir, "y\n" + dir.file("m.rsf") + "\n0\n0,10,0\n5,5,0\n0,1e30,1e-30\n0,10,3\n1\nL\nn\nn\nn\n");
    ExportSettings s;
    run(sc, s, kCassegrain);
    const std::string again = " Enter diameter start,stop,step \n Step must not be 0\n";
    EXPECT_NE(sc.transcript().find(again + again + again + " Enter diameter start,stop,step \n"
                                   " Enter +1 forward, -1 reverse reflector \n"),
              std::string::npos);
    // 0,10,3 gives 4 samples, the last at diameter 9.
    const std::string file = slurp(dir.file("m.rsf"));
    EXPECT_NE(file.find("\n   4   1   0\n"), std::string::npos);
    EXPECT_NE(file.find("\n 4.500000E+00  5.062500E+00\n"), std::string::npos);
}

TEST(Durtic, LengthUnitOutsideOneToFourIsAskedAgain) {
    ScratchDir dir;
    ScriptedConsole sc(dir, "n\ny\n" + dir.file("m.champ") + "\n0\n5\n-3\n2\n0,2,0\nn\nn\n");
    ExportSettings s;
    run(sc, s, kCassegrain);
    const std::string ask = " Enter length units: 1 in., 2 ft., 3 mm, 4 m \n";
    const std::string refuse = " Length units must be 1, 2, 3 or 4\n";
    EXPECT_NE(sc.transcript().find(" Enter file \n" + ask + refuse + ask + refuse + ask + refuse + ask +
                                   " Enter diameter  start,stop,# \n"),
              std::string::npos);
    EXPECT_NE(slurp(dir.file("m.champ")).find(" \"ref(z_focal_point)\" ft,\n  length_unit      : ft,\n"),
              std::string::npos);
}

TEST(Durtic, OtherTypesExportTheMainReflectorOnly) {
    ScratchDir dir;
    ScriptedConsole sc(dir, "y\n" + dir.file("m.rsf") + "\n0\n0,2,2\n1\nT\ny\n" + dir.file("m.champ") + "\n3\n0,2,2\n");
    ExportSettings s;
    run(sc, s, Design{2, 1, 0.318367f, 0.229753f, 0});
    const std::string t = sc.transcript();
    EXPECT_EQ(t.substr(t.find(" Enter diameter  start,stop,# ")),
              " Enter diameter  start,stop,# \n Subreflector files need type -1 or 1\n");
    EXPECT_EQ(t.find("Subreflector TICRA"), std::string::npos);
    EXPECT_EQ(t.find("CHAMP subreflector"), std::string::npos);
    // The parabola needs no conic; heights from the feed point have none.
    EXPECT_EQ(slurp(dir.file("m.rsf")), label40("T") + "\n   2   1   0\n"
                                        " 0.000000E+00  0.000000E+00\n 1.000000E+00  2.500000E-01\n");
    const std::string champ = slurp(dir.file("m.champ"));
    EXPECT_NE(champ.find("zmain1   real_variable\n(\n   value    :           NaN\n)\n\n"
                         "zmain2   real_variable\n(\n   value    :           NaN\n)\n\n"),
              std::string::npos);
    EXPECT_NE(champ.find("     1.000000E+00   \"ref(zmain2)\"\n"), std::string::npos);
}

TEST(Durtic, SettingsCarryOverToTheNextExport) {
    ScratchDir dir;
    dialogue::SurfaceExport exporter;
    Design d = kCassegrain;
    {
        ScriptedConsole sc(dir, "y\n" + dir.file("1.rsf") + "\n0.5\n0,2,1\n-1\nOne\ny\n" + dir.file("1.champ") +
                                    "\n2\n0,2,3\nn\nn\n");
        exporter.export_design(sc.con(), d.DM, d.FM, d.DS, d.TE, d.t);
    }
    {
        // Null values and slashes keep the previous answers: z offset, range
        // (the CHAMP range set N = 3 and step 1) and length unit.
        ScriptedConsole sc(dir, "y\n" + dir.file("2.rsf") + "\n/\n,,,\n,\nTwo\ny\n" + dir.file("2.champ") +
                                    "\n/\n,,,\nn\nn\n");
        exporter.export_design(sc.con(), d.DM, d.FM, d.DS, d.TE, d.t);
    }
    const ExportSettings& s = exporter.settings();
    EXPECT_EQ(s.z_offset, 0.5f);
    EXPECT_EQ(s.direction, -1.0f);
    EXPECT_EQ(s.unit_code, 2);
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.step, 1.0f);
    // The second .rsf range is 0,2,1 again: three samples, reversed and shifted.
    EXPECT_EQ(slurp(dir.file("2.rsf")), "Two                                     \n   3   1   0\n"
                                        " 0.000000E+00  5.000000E-01\n"
                                        " 5.000000E-01  4.375000E-01\n"
                                        " 1.000000E+00  2.500000E-01\n");
    EXPECT_EQ(slurp(dir.file("2.champ")), slurp(dir.file("1.champ")));
}

void expect_failure(const std::function<void()>& f, int number, const std::string& message) {
    try {
        f();
        ADD_FAILURE() << "no I/O error";
    } catch (const textio::IoError& e) {
        EXPECT_EQ(e.number(), number);
        EXPECT_EQ(std::string(e.what()), message);
    }
}

TEST(Durtic, UnopenableFileEndsTheExport) {
    ScratchDir dir;
    ExportSettings s;
    Design d = kCassegrain;
    const std::string missing = dir.file("no/such/folder.txt");
    {
        // The .rsf file written first stays; the CHAMP file names unit 25.
        ScriptedConsole sc(dir, "y\n" + dir.file("m.rsf") + "\n0\n0,2,1\n1\nKept\ny\n" + missing + "   \n3\n");
        expect_failure([&] { run(sc, s, d); }, 30, "open failure, unit 25, file " + missing);
        EXPECT_EQ(slurp(dir.file("m.rsf")), "Kept                                    \n   3   1   0\n"
                                            " 0.000000E+00  0.000000E+00\n"
                                            " 5.000000E-01  6.250000E-02\n"
                                            " 1.000000E+00  2.500000E-01\n");
    }
    {
        ScriptedConsole sc(dir, "n\ny\n" + dir.file("m.champ") + "\n3\n0,2,3\ny\n" + missing + "\n");
        expect_failure([&] { run(sc, s, d); }, 30, "open failure, unit 40, file " + missing);
        EXPECT_NE(slurp(dir.file("m.champ")).find("    )\n)\n\n"), std::string::npos);
    }
    {
        ScriptedConsole sc(dir, "y\n\n");
        expect_failure([&] { run(sc, s, d); }, 43, "file name specification error, unit 40, file ");
    }
}

TEST(Durtic, FileBeingWrittenKeepsWhatItHas) {
    ScratchDir dir;
    ExportSettings s;
    Design d = kCassegrain;
    {
        // The input ends at the CHAMP range: the file holds z_focal_point.
        ScriptedConsole sc(dir, "n\ny\n" + dir.file("m.champ") + "\n1\n");
        expect_failure([&] { run(sc, s, d); }, 24, "end-of-file during read, unit 5, file CONIN$");
        EXPECT_EQ(slurp(dir.file("m.champ")), "z_focal_point   real_variable\n(\n  value    : 0.0\n)\n\n");
    }
    {
        // A malformed direction ends the run before the .rsf file, already
        // created, gets any record.
        ScriptedConsole sc(dir, "y\n" + dir.file("m.rsf") + "\n0\n0,1,1\nforward\n");
        expect_failure([&] { run(sc, s, d); }, 59, "list-directed I/O syntax error, unit 5, file CONIN$");
        EXPECT_TRUE(exists(dir.file("m.rsf")));
        EXPECT_EQ(slurp(dir.file("m.rsf")), "");
    }
}

}  // namespace
}  // namespace surface
