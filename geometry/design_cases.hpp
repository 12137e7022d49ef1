// The design cases of both modes: which quantities each case prescribes
// (in the order of its Vary menu) and which solver, with which argument
// order, solves it.  The interactive dialogue and the solve program both
// take their cases from these tables.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "geometry/model.hpp"
#include "geometry/solvers.hpp"

namespace geometry {

// A quantity of the design, named by its member.
using Quantity = float DualReflectorGeometry::*;

// The quantities under their usual two-letter names, so that the tables
// read like the lists they come from.
namespace qty {
inline constexpr Quantity t = &DualReflectorGeometry::t;
inline constexpr Quantity DM = &DualReflectorGeometry::DM;
inline constexpr Quantity FM = &DualReflectorGeometry::FM;
inline constexpr Quantity LM = &DualReflectorGeometry::LM;
inline constexpr Quantity DS = &DualReflectorGeometry::DS;
inline constexpr Quantity LS = &DualReflectorGeometry::LS;
inline constexpr Quantity TE = &DualReflectorGeometry::TE;
inline constexpr Quantity AS = &DualReflectorGeometry::AS;
inline constexpr Quantity FS = &DualReflectorGeometry::FS;
inline constexpr Quantity LT = &DualReflectorGeometry::LT;
inline constexpr Quantity DF = &DualReflectorGeometry::DF;
inline constexpr Quantity LP = &DualReflectorGeometry::LP;
}  // namespace qty

// The two-letter name of a quantity ("DM", ...), empty for none.
std::string_view name_of(Quantity q);

// A solver bound to the members it takes, in its argument order:
//   solve<DRGEON1, t, DM, LM, LS, TE, FM, DS, AS, FS>
// calls DRGEON1(g.t, g.DM, g.LM, g.LS, g.TE, g.FM, g.DS, g.AS, g.FS).
using Solver = Status (*)(DualReflectorGeometry&);
template <auto Fn, Quantity... Args>
Status solve(DualReflectorGeometry& g) {
    return Fn(g.*Args...);
}

// One case: its prescribed quantities in menu order (mode 2 uses the first
// three), the solver, and in mode 2 the solver that takes the feed phase
// centre LP into account.
struct DesignCase {
    std::array<Quantity, 4> prescribed{};
    Solver plain = nullptr;
    Solver with_phase = nullptr;
};

struct DesignMode {
    int number;                        // 1 no condition, 2 minimum blockage
    int prescribed;                    // quantities each case prescribes: 4 or 3
    std::span<const DesignCase> cases;  // cases 1 to 7
};

extern const DesignMode kNoCondition;       // mode 1
extern const DesignMode kMinimumBlockage;  // mode 2: the feed diameter DF enters every case

// The prescribed quantities of case k (0-based) of a mode.
std::span<const Quantity> prescribed_of(const DesignMode& mode, std::size_t k);

// The quantities a case solves: the lengths DM, FM, LM, DS, LS and TE that
// it does not prescribe, in that order (without AS and FS, which every case
// solves).
std::array<Quantity, 6> solved_of(const DesignMode& mode, std::size_t k, std::size_t& count);

}  // namespace geometry
