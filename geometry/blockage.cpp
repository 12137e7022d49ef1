// Minimum-blockage solvers (design mode 2): DM and two more of FM, LM, DS,
// LS, TE prescribed together with the feed diameter DF; the blockage
// condition FM * DF = 2 * FS * DS closes the design.
//
// Naming inside each solver: an argument with a trailing underscore is the
// caller's single-precision variable; the plain name is its value in double.
// An output's plain name is bound when the output is stored, so later steps
// read the stored single-precision value.  T = tan(TE / 2), tau = tan(TE).
#include "geometry/relations.hpp"
#include "geometry/solvers.hpp"

#include <cmath>
#include <complex>
#include <cstdint>

#include "geometry/model.hpp"

namespace geometry {

using detail::feed_angle;
using detail::feed_to_vertex;
using detail::store;
using detail::real_roots;
using detail::conic_focal;

Status DRGEOB1(In t_, In DM_, In FM_, In LM_, In DF_, Out DS_, Out LS_, Out AS_, Out FS_, Out TE_) {
    const double t = t_, DM = DM_, FM = FM_, LM = LM_, DF = DF_;

    const double FS = store(FS_, (FM - LM) / 2);
    const double DS = store(DS_, FM * DF / (2 * FS));
    const double TE = store(TE_, feed_angle(t, DM, FM, DS, FS));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOB2(In t_, In DM_, In FM_, In TE_, In DF_, Out LM_, Out DS_, Out LS_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, FM = FM_, TE = TE_, DF = DF_;
    const double tau = std::tan(TE);

    // A negative radicand has no real FS: the NaN spreads to every output.
    const double radicand = (8 * FM * DM * DF - tau * t * DF * (16 * FM * FM - DM * DM)) / (64 * tau * DM);
    const double FS = store(FS_, std::sqrt(radicand));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(DS_, FM * DF / (2 * FS));
    store(AS_, LS - FS);
    store(LM_, FM - 2 * FS);
    return radicand < 0 ? Status::negative_radicand : Status::solved;
}

Status DRGEOB3(In t_, In DM_, In FM_, In DS_, In DF_, Out LM_, Out LS_, Out AS_, Out FS_, Out TE_) {
    const double t = t_, DM = DM_, FM = FM_, DS = DS_, DF = DF_;

    const double FS = store(FS_, FM * DF / (2 * DS));
    store(LM_, FM - 2 * FS);
    const double TE = store(TE_, feed_angle(t, DM, FM, DS, FS));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOB4(In t_, In DM_, In LM_, In DS_, In DF_, Out FM_, Out LS_, Out AS_, Out FS_, Out TE_) {
    const double t = t_, DM = DM_, LM = LM_, DS = DS_, DF = DF_;

    const double FS = store(FS_, LM * DF / (2 * (DS - DF)));
    const double FM = store(FM_, 2 * FS + LM);
    const double TE = store(TE_, feed_angle(t, DM, FM, DS, FS));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOB5(In t_, In DM_, In DS_, In TE_, In DF_, Out FM_, Out LM_, Out LS_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, DS = DS_, TE = TE_, DF = DF_;
    const double tau = std::tan(TE);

    FM_ = 0.0f;
    const float c[3] = {
        static_cast<float>(-t * DM * DM * DS * DS),
        static_cast<float>(-8 * DM * DS * DS / tau),
        static_cast<float>(16 * (DF * DM + t * DS * DS)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double FM = store(FM_, larger_root(roots));
    const double FS = store(FS_, FM * DF / (2 * DS));
    store(LM_, FM - 2 * FS);
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOB6(In t_, In DM_, In LM_, In TE_, In DF_, Out FM_, Out DS_, Out LS_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, LM = LM_, TE = TE_, DF = DF_;
    const double tau = std::tan(TE);

    FM_ = 0.0f;
    const float c[3] = {
        static_cast<float>(tau * DM * (16 * LM * LM - t * DF * DM)),
        static_cast<float>(-8 * DM * (4 * tau * LM + DF)),
        static_cast<float>(16 * tau * (t * DF + DM)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double FM = store(FM_, larger_root(roots));
    const double FS = store(FS_, (FM - LM) / 2);
    store(DS_, FM * DF / (2 * FS));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOB7(In t_, In DM_, In LS_, In TE_, In DF_, Out FM_, Out LM_, Out DS_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, LS = LS_, TE = TE_, DF = DF_;
    const double T = std::tan(TE / 2), tau = std::tan(TE);

    FM_ = 0.0f;
    const float c[3] = {
        static_cast<float>(tau * DM * DM * (16 * LS * LS - t * DF * DM)),
        static_cast<float>(-8 * DM * (16 * t * T * tau * LS * LS + DF * DM)),
        static_cast<float>(16 * tau * (t * DF * DM + 16 * LS * LS * T * T)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double FM = store(FM_, sign_rule_root(roots));
    const double FS = store(FS_, conic_focal(t, DM, FM, LS, T));
    store(LM_, FM - 2 * FS);
    store(DS_, FM * DF / (2 * FS));
    store(AS_, LS - FS);
    return Status::solved;
}

}  // namespace geometry
