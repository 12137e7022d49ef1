#include "geometry/design_cases.hpp"

#include <algorithm>

namespace geometry {
namespace {

using namespace qty;

// Mode 1: a solver takes the type, the prescribed quantities in menu order
// (TE in radians), then the solved ones.
constexpr std::array<DesignCase, 7> kUnconstrained = {{
    {{DM, LM, LS, TE}, solve<DRGEON1, t, DM, LM, LS, TE, FM, DS, AS, FS>, nullptr},
    {{DM, FM, LM, TE}, solve<DRGEON2, t, DM, FM, LM, TE, DS, LS, AS, FS>, nullptr},
    {{DM, FM, LS, TE}, solve<DRGEON3, t, DM, FM, LS, TE, LM, DS, AS, FS>, nullptr},
    {{FM, DS, LS, TE}, solve<DRGEON4, t, FM, DS, LS, TE, DM, LM, AS, FS>, nullptr},
    {{LM, DS, LS, TE}, solve<DRGEON5, t, LM, DS, LS, TE, DM, FM, AS, FS>, nullptr},
    {{DM, FM, DS, TE}, solve<DRGEON6, t, DM, FM, DS, TE, LM, LS, AS, FS>, nullptr},
    {{DM, DS, LS, TE}, solve<DRGEON7, t, DM, DS, LS, TE, FM, LM, AS, FS>, nullptr},
}};

// Mode 2: the type (then LP), the prescribed quantities, DF, then the
// solved ones.
constexpr std::array<DesignCase, 7> kBlockage = {{
    {{DM, FM, LM},
     solve<DRGEOB1, t, DM, FM, LM, DF, DS, LS, AS, FS, TE>,
     solve<DRGEOP1, t, LP, DM, FM, LM, DF, DS, LS, AS, FS, TE>},
    {{DM, FM, TE},
     solve<DRGEOB2, t, DM, FM, TE, DF, LM, DS, LS, AS, FS>,
     solve<DRGEOP2, t, LP, DM, FM, TE, DF, LM, DS, LS, AS, FS>},
    {{DM, FM, DS},
     solve<DRGEOB3, t, DM, FM, DS, DF, LM, LS, AS, FS, TE>,
     solve<DRGEOP3, t, LP, DM, FM, DS, DF, LM, LS, AS, FS, TE>},
    {{DM, LM, DS},
     solve<DRGEOB4, t, DM, LM, DS, DF, FM, LS, AS, FS, TE>,
     solve<DRGEOP4, t, LP, DM, LM, DS, DF, FM, LS, AS, FS, TE>},
    {{DM, DS, TE},
     solve<DRGEOB5, t, DM, DS, TE, DF, FM, LM, LS, AS, FS>,
     solve<DRGEOP5, t, LP, DM, DS, TE, DF, FM, LM, LS, AS, FS>},
    {{DM, LM, TE},
     solve<DRGEOB6, t, DM, LM, TE, DF, FM, DS, LS, AS, FS>,
     solve<DRGEOP6, t, LP, DM, LM, TE, DF, FM, DS, LS, AS, FS>},
    {{DM, LS, TE},
     solve<DRGEOB7, t, DM, LS, TE, DF, FM, LM, DS, AS, FS>,
     solve<DRGEOP7, t, LP, DM, LS, TE, DF, FM, LM, DS, AS, FS>},
}};

struct Named {
    Quantity q;
    std::string_view name;
};
constexpr Named kNames[] = {{t, "t"},   {DM, "DM"}, {FM, "FM"}, {LM, "LM"}, {DS, "DS"}, {LS, "LS"},
                            {TE, "TE"}, {AS, "AS"}, {FS, "FS"}, {LT, "LT"}, {DF, "DF"}, {LP, "LP"}};

}  // namespace

const DesignMode kNoCondition = {.number = 1, .prescribed = 4, .cases = kUnconstrained};
const DesignMode kMinimumBlockage = {.number = 2, .prescribed = 3, .cases = kBlockage};

std::string_view name_of(Quantity q) {
    for (const Named& n : kNames)
        if (n.q == q) return n.name;
    return {};
}

std::span<const Quantity> prescribed_of(const DesignMode& mode, std::size_t k) {
    return std::span<const Quantity>(mode.cases[k].prescribed).first(static_cast<std::size_t>(mode.prescribed));
}

std::array<Quantity, 6> solved_of(const DesignMode& mode, std::size_t k, std::size_t& count) {
    const std::span<const Quantity> given = prescribed_of(mode, k);
    std::array<Quantity, 6> out{};
    count = 0;
    for (Quantity q : {DM, FM, LM, DS, LS, TE})
        if (std::find(given.begin(), given.end(), q) == given.end()) out[count++] = q;
    return out;
}

}  // namespace geometry
