// The 21 closed-form design solvers, seven per family.
//
// Every argument is passed by reference: the reflector type first (then LP
// for the phase-centre family), the prescribed quantities, DF for the
// minimum-blockage families, then the outputs.  TE is in radians.  A solver
// writes only its outputs and keeps no state.  Impossible designs leave
// infinities, NaNs or (after a negative discriminant) the previous values in
// the outputs; the returned status tells a caller that wants to know which
// designs have no solution.  The interactive dialogue ignores it.
#pragma once

#include <cstdint>

namespace geometry {

enum class Status : std::uint8_t {
    solved,
    no_real_root,       // the quadratic's discriminant is negative: early return
    negative_radicand,  // a real square root of a negative number (NaN outputs)
};

using In = const float&;
using Out = float&;

// Unconstrained (design mode 1).
Status DRGEON1(In t, In DM, In LM, In LS, In TE, Out FM, Out DS, Out AS, Out FS);
Status DRGEON2(In t, In DM, In FM, In LM, In TE, Out DS, Out LS, Out AS, Out FS);
Status DRGEON3(In t, In DM, In FM, In LS, In TE, Out LM, Out DS, Out AS, Out FS);
Status DRGEON4(In t, In FM, In DS, In LS, In TE, Out DM, Out LM, Out AS, Out FS);
Status DRGEON5(In t, In LM, In DS, In LS, In TE, Out DM, Out FM, Out AS, Out FS);
Status DRGEON6(In t, In DM, In FM, In DS, In TE, Out LM, Out LS, Out AS, Out FS);
Status DRGEON7(In t, In DM, In DS, In LS, In TE, Out FM, Out LM, Out AS, Out FS);

// Minimum blockage (design mode 2): FM * DF = 2 * FS * DS.
Status DRGEOB1(In t, In DM, In FM, In LM, In DF, Out DS, Out LS, Out AS, Out FS, Out TE);
Status DRGEOB2(In t, In DM, In FM, In TE, In DF, Out LM, Out DS, Out LS, Out AS, Out FS);
Status DRGEOB3(In t, In DM, In FM, In DS, In DF, Out LM, Out LS, Out AS, Out FS, Out TE);
Status DRGEOB4(In t, In DM, In LM, In DS, In DF, Out FM, Out LS, Out AS, Out FS, Out TE);
Status DRGEOB5(In t, In DM, In DS, In TE, In DF, Out FM, Out LM, Out LS, Out AS, Out FS);
Status DRGEOB6(In t, In DM, In LM, In TE, In DF, Out FM, Out DS, Out LS, Out AS, Out FS);
Status DRGEOB7(In t, In DM, In LS, In TE, In DF, Out FM, Out LM, Out DS, Out AS, Out FS);

// Minimum blockage with the feed phase centre LP behind the aperture:
// FM * DF = DS * (2 * FS - LP).
Status DRGEOP1(In t, In LP, In DM, In FM, In LM, In DF, Out DS, Out LS, Out AS, Out FS, Out TE);
Status DRGEOP2(In t, In LP, In DM, In FM, In TE, In DF, Out LM, Out DS, Out LS, Out AS, Out FS);
Status DRGEOP3(In t, In LP, In DM, In FM, In DS, In DF, Out LM, Out LS, Out AS, Out FS, Out TE);
Status DRGEOP4(In t, In LP, In DM, In LM, In DS, In DF, Out FM, Out LS, Out AS, Out FS, Out TE);
Status DRGEOP5(In t, In LP, In DM, In DS, In TE, In DF, Out FM, Out LM, Out LS, Out AS, Out FS);
Status DRGEOP6(In t, In LP, In DM, In LM, In TE, In DF, Out FM, Out DS, Out LS, Out AS, Out FS);
Status DRGEOP7(In t, In LP, In DM, In LS, In TE, In DF, Out FM, Out LM, Out DS, Out AS, Out FS);

}  // namespace geometry
