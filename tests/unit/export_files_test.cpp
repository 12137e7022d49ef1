// The .rsf and CHAMP writers, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "export/champ.hpp"
#include "export/rsf.hpp"
#include "export_test_support.hpp"

namespace surface {
namespace {

using export_test::ScratchDir;
using export_test::slurp;

const std::string kLabel40 = "Main reflector                          ";

Profile parabola(float FM, float zF) {
    Profile p;
    p.which = Reflector::main;
    p.FM = FM;
    p.zF = zF;
    return p;
}

std::string rsf(const ScratchDir& dir, std::string_view label, std::int32_t N, float start,
                float step, const Profile& p, float direction, float offset) {
    textio::OutputUnit out = textio::OutputUnit::create(kRsfUnit, dir.file("f.rsf"));
    write_rsf(out, label, N, start, step, p, direction, offset);
    EXPECT_FALSE(out.is_open());
    return slurp(dir.file("f.rsf"));
}

std::string champ(const ScratchDir& dir, std::int32_t N, float start, float stop,
                  std::int32_t unit_code, const Profile& p) {
    textio::OutputUnit out = textio::OutputUnit::create(kChampUnit, dir.file("f.champ"));
    write_champ_focal_point(out);
    write_champ_nodes(out, N, start, champ_step(start, stop, N), unit_code, p);
    EXPECT_FALSE(out.is_open());
    return slurp(dir.file("f.champ"));
}

TEST(RsfFile, ParabolaForwardAndReversed) {
    ScratchDir dir;
    const Profile p = parabola(62.5f, 0);
    EXPECT_EQ(rsf(dir, kLabel40, 3, 0, 50, p, 1, 0),
              kLabel40 + "\n"
              "   3   1   0\n"
              " 0.000000E+00  0.000000E+00\n"
              " 2.500000E+01  2.500000E+00\n"
              " 5.000000E+01  1.000000E+01\n");
    EXPECT_EQ(rsf(dir, kLabel40, 3, 0, 50, p, -1, 5),
              kLabel40 + "\n"
              "   3   1   0\n"
              " 0.000000E+00  5.000000E+00\n"
              " 2.500000E+01  2.500000E+00\n"
              " 5.000000E+01 -5.000000E+00\n");
}

TEST(RsfFile, LabelIsFortyColumns) {
    ScratchDir dir;
    const Profile p = parabola(62.5f, 0);
    EXPECT_EQ(rsf(dir, std::string(40, ' '), 0, 0, 1, p, 1, 0), std::string(40, ' ') + "\n   0   1   0\n");
    const std::string longer = "0123456789012345678901234567890123456789-cut";
    EXPECT_EQ(rsf(dir, longer, 0, 0, 1, p, 1, 0), longer.substr(0, 40) + "\n   0   1   0\n");
}

TEST(RsfFile, NegativeCountWritesNoPoints) {
    ScratchDir dir;
    EXPECT_EQ(rsf(dir, kLabel40, -8, 10, 1, parabola(62.5f, 0), 1, 0), kLabel40 + "\n  -8   1   0\n");
}

TEST(RsfFile, CountBeyondItsFieldStillWritesEveryPoint) {
    ScratchDir dir;
    const std::string text = rsf(dir, kLabel40, 10000, 0, 1, parabola(1, 0), 1, 0);
    EXPECT_EQ(text.substr(41, 13), "****   1   0\n");
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, 10002u);
    // The last sample, diameter 9999: radius 4999.5, z 4999.5^2/4.
    EXPECT_EQ(text.substr(text.size() - 28), " 4.999500E+03  6.248750E+06\n");
}

TEST(RsfFile, NonFiniteSamplesAreWords) {
    ScratchDir dir;
    Profile p = parabola(0, 0);  // 0/0 at the vertex, infinities elsewhere
    EXPECT_EQ(rsf(dir, kLabel40, 2, 0, 2, p, 1, 0),
              kLabel40 + "\n   2   1   0\n 0.000000E+00           NaN\n 1.000000E+00      Infinity\n");
}

const char* const kWorkedExample =
    "z_focal_point   real_variable\n"
    "(\n"
    "  value    : 0.0\n"
    ")\n"
    "\n"
    "zmain1   real_variable\n"
    "(\n"
    "   value    : -1.000000E+01\n"
    ")\n"
    "\n"
    "zmain2   real_variable\n"
    "(\n"
    "   value    : -7.500000E+00\n"
    ")\n"
    "\n"
    "zmain3   real_variable\n"
    "(\n"
    "   value    :  0.000000E+00\n"
    ")\n"
    "\n"
    "main_reflector  spline_circ_sym_reflector\n"
    "(\n"
    "  z_offset         : \"ref(z_focal_point)\" mm,\n"
    "  length_unit      : mm,\n"
    "  nodes            : table\n"
    "    (\n"
    "     0.000000E+00   \"ref(zmain1)\"\n"
    "     2.500000E+01   \"ref(zmain2)\"\n"
    "     5.000000E+01   \"ref(zmain3)\"\n"
    "    )\n"
    ")\n"
    "\n";

TEST(ChampFile, WorkedExample) {
    ScratchDir dir;
    EXPECT_EQ(champ(dir, 3, 0, 100, 3, parabola(62.5f, 10)), kWorkedExample);
}

TEST(ChampFile, UnitLabels) {
    ScratchDir dir;
    const char* const labels[] = {" in", " ft", " mm", " m "};
    for (int code = 1; code <= 4; ++code) {
        const std::string text = champ(dir, 0, 0, 0, code, parabola(1, 0));
        const std::string label = labels[code - 1];
        EXPECT_NE(text.find("  z_offset         : \"ref(z_focal_point)\"" + label + ",\n"), std::string::npos) << code;
        EXPECT_NE(text.find("  length_unit      :" + label + ",\n"), std::string::npos) << code;
    }
}

TEST(ChampFile, NoNodes) {
    ScratchDir dir;
    const std::string expected =
        "z_focal_point   real_variable\n(\n  value    : 0.0\n)\n\n"
        "main_reflector  spline_circ_sym_reflector\n(\n"
        "  z_offset         : \"ref(z_focal_point)\" m ,\n"
        "  length_unit      : m ,\n"
        "  nodes            : table\n"
        "    (\n"
        "    )\n)\n\n";
    EXPECT_EQ(champ(dir, 0, 0, 100, 4, parabola(62.5f, 10)), expected);
    EXPECT_EQ(champ(dir, -5, 0, 100, 4, parabola(62.5f, 10)), expected);
}

TEST(ChampFile, TwelveNodesHaveTwoDigitNames) {
    ScratchDir dir;
    const std::string text = champ(dir, 12, 0, 110, 3, parabola(62.5f, 10));
    EXPECT_NE(text.find("\n\nzmain9   real_variable\n(\n"), std::string::npos);
    EXPECT_NE(text.find("\n\nzmain10   real_variable\n(\n"), std::string::npos);
    EXPECT_NE(text.find("\n\nzmain12   real_variable\n(\n   value    :  2.100000E+00\n)\n\nmain_reflector"),
              std::string::npos);
    EXPECT_NE(text.find("\n     4.500000E+01   \"ref(zmain10)\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n     5.500000E+01   \"ref(zmain12)\"\n    )\n)\n\n"), std::string::npos);
    EXPECT_EQ(text.find("zmain13"), std::string::npos);
}

TEST(ChampFile, OneNodeIsNaN) {
    ScratchDir dir;
    const std::string text = champ(dir, 1, 0, 100, 3, parabola(62.5f, 10));
    EXPECT_NE(text.find("zmain1   real_variable\n(\n   value    :           NaN\n)\n\n"), std::string::npos);
    EXPECT_NE(text.find("    (\n              NaN   \"ref(zmain1)\"\n    )\n"), std::string::npos);
}

TEST(ChampFile, DecreasingRange) {
    ScratchDir dir;
    const std::string text = champ(dir, 3, 100, 0, 3, parabola(62.5f, 10));
    EXPECT_NE(text.find("    (\n"
                        "     5.000000E+01   \"ref(zmain1)\"\n"
                        "     2.500000E+01   \"ref(zmain2)\"\n"
                        "     0.000000E+00   \"ref(zmain3)\"\n"
                        "    )\n"),
              std::string::npos);
    EXPECT_NE(text.find("zmain1   real_variable\n(\n   value    :  0.000000E+00\n"), std::string::npos);
}

TEST(ChampFile, OnlyNodesUpTo999) {
    ScratchDir dir;
    const std::string text = champ(dir, 1200, 0, 1199, 1, parabola(1, 0));
    EXPECT_NE(text.find("\nzmain999   real_variable\n"), std::string::npos);
    EXPECT_NE(text.find("   \"ref(zmain999)\"\n    )\n)\n\n"), std::string::npos);
    EXPECT_EQ(text.find("zmain1000"), std::string::npos);
    std::size_t rows = 0;
    for (std::size_t at = text.find("\"ref(zmain"); at != std::string::npos; at = text.find("\"ref(zmain", at + 1))
        ++rows;
    EXPECT_EQ(rows, 999u);
}

TEST(ChampFile, SubreflectorNames) {
    ScratchDir dir;
    Profile p;
    p.which = Reflector::sub;
    p.t = -1;
    p.a = 0.25f;
    p.b = 0.31225f;
    p.zC = 0.6f;
    p.zF = 0.2f;
    const std::string text = champ(dir, 2, 0, 0.318367f, 3, p);
    EXPECT_NE(text.find("\n\nzsub1   real_variable\n(\n   value    :  6.500000E-01\n)\n\nzsub2"), std::string::npos);
    EXPECT_NE(text.find("\n\nsub_reflector  spline_circ_sym_reflector\n(\n"), std::string::npos);
    EXPECT_NE(text.find("     0.000000E+00   \"ref(zsub1)\"\n     1.591835E-01   \"ref(zsub2)\"\n"), std::string::npos);
    EXPECT_EQ(text.find("zmain"), std::string::npos);
    EXPECT_EQ(text.find("main_reflector"), std::string::npos);
}

}  // namespace
}  // namespace surface
