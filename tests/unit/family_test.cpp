// Design families through the registry, and the antenna model they share.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "draw/pictures.hpp"
#include "geometry/family.hpp"
#include "study/formats.hpp"
#include "textio/text_buffer.hpp"

namespace {

using geometry::Vec3;

// A family that only this test knows: a flat circular plate of diameter DM
// lit by a feed at distance FM on its axis, the one half angle TE between
// them.  It shows that a family needs nothing outside its own code.
enum PlateCol : std::uint8_t { kDM, kFM, kTE, kPlateColumns };
constexpr geometry::ColumnInfo kPlateColumnsInfo[] = {
    {"DM", geometry::ColumnKind::length}, {"FM", geometry::ColumnKind::length}, {"TE", geometry::ColumnKind::angle}};

class PlateCase final : public geometry::Case {
public:
    PlateCase(const geometry::Family& f, const geometry::Given& given) : Case(f) {
        for (const auto& item : given.items) {
            if (item.key == geometry::Key::DM && !item.varies) dm_ = item.value;
            if (item.key == geometry::Key::FM && !item.varies) fm_ = item.value;
            if (item.key != geometry::Key::DM && item.key != geometry::Key::FM && item.key != geometry::Key::type)
                throw geometry::InputError("a plate takes DM and FM");
        }
    }
    int mode() const override { return 9; }
    int number() const override { return 1; }
    std::string title() const override { return "Flat plate, mode 9, case 1: DM, FM given"; }
    bool solved(geometry::Value v) const override { return v == geometry::Value(kTE); }
    void solve(geometry::Design& d, std::span<const geometry::Varying> varying) const override {
        float dm = dm_, fm = fm_;
        for (const auto& x : varying) (x.key == geometry::Key::DM ? dm : fm) = x.value;
        d.status = geometry::Status::solved;
        d.values[kDM] = dm;
        d.values[kFM] = fm;
        d.values[kTE] = static_cast<float>(std::atan(double(dm) / (2 * double(fm))) * 180 / M_PI);
        d.present = (1u << kPlateColumns) - 1;
        d.checks = dm > 0 && fm > 0 ? 0u : 1u << static_cast<unsigned>(geometry::Check::non_positive);
    }
    std::string check_reason(const geometry::Design&, geometry::Check) const override { return "DM or FM is not positive"; }
    geometry::Antenna antenna(const geometry::Design& d) const override {
        geometry::Antenna a;
        a.type = "plate";
        a.solved = true;
        a.focal_length = d.values[kFM];
        a.main.name = "main";
        // The plane z = -FM: its distance from the focus O along -w.
        a.main.surface = {{0, 0, 0}, {0, 0, 1}, INFINITY, double(d.values[kFM])};
        a.main.trim = {geometry::Trim::Kind::cylinder, {0, 0, 0}, {0, 0, 1}, double(d.values[kDM]) / 2};
        a.main.revolved = true;
        a.feed.axis = {0, 0, -1};
        a.feed.half_angle = double(d.values[kTE]) * M_PI / 180;
        a.aperture.diameter = d.values[kDM];
        return a;
    }
    std::vector<geometry::Value> table_columns() const override {
        return {geometry::Value(kDM), geometry::Value(kFM), geometry::Value(kTE)};
    }

private:
    float dm_ = 0, fm_ = 0;
};

constexpr geometry::TypeName kPlateTypes[] = {{"plate", 9.0f, false}};
constexpr std::string_view kPlotted[] = {"TE"};
constexpr std::string_view kAlways[] = {"FM"};
const geometry::Family kPlate = {
    "plate", kPlateTypes, {kPlateColumnsInfo, 3}, [](geometry::Key) { return std::string_view(); },
    [](const geometry::Given&) { return 1; },
    [](const geometry::Given& g, const geometry::Family& f) -> std::unique_ptr<geometry::Case> {
        return std::make_unique<PlateCase>(f, g);
    },
    0, kPlotted, kAlways, "TE", "type=plate is a flat plate (a test's own family).",
};

const bool registered = [] {
    geometry::register_family(kPlate);
    return true;
}();

std::string text_of(study::Format format, const study::Study& s) {
    const auto f = study::make_format(format, s);
    textio::TextBuffer out;
    study::CheckTally tally;
    f->begin(out);
    f->rows(out, 0, s.rows(), tally);
    f->end(out, tally);
    return std::string(out.view());
}

// A test's own family answers through every format and the picture, from
// the registry alone.
TEST(Families, OneRegisteredByATestGivesEveryFormatAndAPicture) {
    ASSERT_TRUE(registered);
    const std::vector<std::string> args = {"type=plate", "DM=-1:2:1.5", "FM=0.5"};
    const study::Study s(study::read_inputs(args));
    ASSERT_EQ(s.rows(), 3);
    EXPECT_EQ(s.family().name, "plate");
    EXPECT_EQ(text_of(study::Format::csv, s),
              "mode,case,type,DM,FM,TE,check\n9,1,plate,-1,0.5,-45,non-positive\n9,1,plate,0.5,0.5,26.565052,ok\n"
              "9,1,plate,2,0.5,63.434948,ok\n");
    const std::string json = text_of(study::Format::json, s);
    EXPECT_NE(json.find("\"type\": \"plate\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"TE\": 26.565052"), std::string::npos) << json;
    const std::string table = text_of(study::Format::table, s);
    EXPECT_EQ(table.rfind(" Flat plate, mode 9, case 1: DM, FM given\n", 0), 0u) << table;
    EXPECT_NE(table.find("non-positive: DM or FM is not positive (row 1)"), std::string::npos) << table;

    // The picture: the plate is drawn flat, FM from the feed, with the rays.
    const std::string svg = draw::cross_section_svg(s, s.design(1), true);
    EXPECT_EQ(svg.find("not drawn"), std::string::npos) << svg;
    const std::size_t at = svg.find("class=\"main-reflector\"");
    ASSERT_NE(at, std::string::npos) << svg;
    const std::size_t points = svg.find("points=\"", at);
    std::string first = svg.substr(points + 8, svg.find(' ', points + 8) - points - 8);
    EXPECT_EQ(first.substr(0, first.find(',')), "0") << "the plate lies at its vertex plane: " << first;
    EXPECT_NE(svg.find("data-ray=\"edge\""), std::string::npos);
    EXPECT_NE(svg.find(">DM 0.5<"), std::string::npos) << svg;
    // The type the registry knows is one a study may name.
    EXPECT_NE(geometry::type_names(false).find("plate"), std::string::npos);
}

// Rays from the feed, reflected at each surface of the model, leave every
// family's design parallel to the main axis: the model's surfaces, rims,
// normals and reflection agree with what the families solve.
TEST(AntennaModel, FeedRaysLeaveParallelToTheAxisInEveryFamily) {
    const std::vector<std::vector<std::string>> designs = {
        {"type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"},
        {"type=gregorian", "DM=6", "FM=2.52", "DS=0.6", "TE=10"},
        {"type=cassegrain", "DM=10", "FM=4", "LM=1", "DF=0.5"},
        {"type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6"},
        {"type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6"},
        {"type=gregorian", "DM=10", "FM=4", "HC=1", "E=0.35", "LS=3", "root=2"},
        {"type=prime", "DM=1", "FM=0.4"},
        {"type=prime", "DM=0.6", "FM=0.35", "H=0.5"},
        {"type=prime", "FM=0.35", "TH0=70", "TE=30"},
    };
    for (const auto& args : designs) {
        const study::Study s(study::read_inputs(args));
        const study::Design d = s.design(0);
        ASSERT_TRUE(d.ok()) << args[1] << " " << study::check_text(d.checks);
        const geometry::Antenna a = s.antenna(d);
        ASSERT_TRUE(a.solved);
        const double scale = a.aperture.diameter;
        int hits = 0;
        for (double s1 : {-0.9, -0.5, 0.0, 0.3, 0.8}) {
            for (double turn : {0.0, 1.1, 2.5}) {
                const Vec3 u = a.feed_ray(s1 * a.feed.half_angle, turn);
                Vec3 at = a.feed.phase_centre, k = u;
                double t = 0;
                if (a.sub) {
                    ASSERT_TRUE(a.sub->surface.hit(at, k, t)) << args[1];
                    at = at + t * k;
                    k = geometry::reflect(k, a.sub->surface.normal(at));
                }
                ASSERT_TRUE(a.main.surface.hit(at, k, t)) << args[1];
                at = at + t * k;
                k = geometry::reflect(k, a.main.surface.normal(at));
                EXPECT_NEAR(k.z, 1.0, 1e-6) << args[1] << " ray " << s1 << " " << turn;
                // Inside the aperture: within its circle about its centre.
                const double r = std::hypot(at.x - a.aperture.centre.x, at.y - a.aperture.centre.y);
                EXPECT_LE(r, a.aperture.diameter / 2 * (1 + 1e-5)) << args[1];
                ++hits;
            }
        }
        EXPECT_EQ(hits, 15);
        // The profiles and rims lie on their surfaces.
        auto on = [&](const geometry::Reflector& r, Vec3 p) {
            const Vec3 d = p - r.surface.focus;
            return std::fabs(geometry::norm(d) - (r.surface.p + r.surface.e * geometry::dot(d, r.surface.w)));
        };
        for (const geometry::Reflector* r : {&a.main, a.sub ? &*a.sub : nullptr}) {
            if (r == nullptr) continue;
            const auto profile = r->profile(9), rim = r->rim(12);
            ASSERT_EQ(profile.size(), 9u);
            for (const auto* points : {&profile, &rim})
                for (const Vec3& p : *points) EXPECT_LT(on(*r, p), 1e-9 * scale) << args[1] << " " << r->name;
            for (const Vec3& p : profile) EXPECT_EQ(p.y, 0) << args[1];
        }
        // The rim of the main lies on its surface and on the aperture's circle.
        for (const Vec3& p : a.main.rim(16)) {
            const double r = std::hypot(p.x - a.aperture.centre.x, p.y - a.aperture.centre.y);
            EXPECT_NEAR(r, a.aperture.diameter / 2, 1e-9 * scale) << args[1];
            EXPECT_NEAR(p.z, (p.x * p.x + p.y * p.y) / (4 * a.focal_length) - a.focal_length, 1e-9 * scale) << args[1];
        }
    }
}

}  // namespace
