// Minimum-blockage solvers with the feed phase centre LP behind the feed
// aperture: the same seven cases as the plain minimum-blockage family, closed
// by FM * DF = DS * (2 * FS - LP).  With LP = 0 they give the same designs.
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

Status DRGEOP1(In t_, In LP_, In DM_, In FM_, In LM_, In DF_, Out DS_, Out LS_, Out AS_, Out FS_, Out TE_) {
    const double t = t_, LP = LP_, DM = DM_, FM = FM_, LM = LM_, DF = DF_;

    const double FS = store(FS_, (FM - LM) / 2);
    const double DS = store(DS_, FM * DF / (2 * FS - LP));
    const double TE = store(TE_, feed_angle(t, DM, FM, DS, FS));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOP2(In t_, In LP_, In DM_, In FM_, In TE_, In DF_, Out LM_, Out DS_, Out LS_, Out AS_, Out FS_) {
    const double t = t_, LP = LP_, DM = DM_, FM = FM_, TE = TE_, DF = DF_;
    const double tau = std::tan(TE);

    // The quadratic is in DS.  Nothing is written before the discriminant
    // is known: a negative one leaves all five outputs as they were.
    const float c[3] = {
        static_cast<float>(-16 * tau * FM * FM * DF * DM),
        static_cast<float>(-16 * tau * LP * FM * DM),
        static_cast<float>(8 * FM * DM - t * tau * (16 * FM * FM - DM * DM)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double X = larger_root(roots);
    const double FS = store(FS_, X * c[2] / (32 * tau * FM * DM));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    // DS comes from the blockage condition, not from X; they agree to rounding.
    store(DS_, FM * DF / (2 * FS - LP));
    store(AS_, LS - FS);
    store(LM_, FM - 2 * FS);
    return Status::solved;
}

Status DRGEOP3(In t_, In LP_, In DM_, In FM_, In DS_, In DF_, Out LM_, Out LS_, Out AS_, Out FS_, Out TE_) {
    const double t = t_, LP = LP_, DM = DM_, FM = FM_, DS = DS_, DF = DF_;

    const double FS = store(FS_, (FM * DF / DS + LP) / 2);
    store(LM_, FM - 2 * FS);
    const double TE = store(TE_, feed_angle(t, DM, FM, DS, FS));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOP4(In t_, In LP_, In DM_, In LM_, In DS_, In DF_, Out FM_, Out LS_, Out AS_, Out FS_, Out TE_) {
    const double t = t_, LP = LP_, DM = DM_, LM = LM_, DS = DS_, DF = DF_;

    const double FS = store(FS_, (DS * LP + LM * DF) / (2 * (DS - DF)));
    const double FM = store(FM_, 2 * FS + LM);
    const double TE = store(TE_, feed_angle(t, DM, FM, DS, FS));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOP5(In t_, In LP_, In DM_, In DS_, In TE_, In DF_, Out FM_, Out LM_, Out LS_, Out AS_, Out FS_) {
    const double t = t_, LP = LP_, DM = DM_, DS = DS_, TE = TE_, DF = DF_;
    const double tau = std::tan(TE);

    FM_ = 0.0f;
    const float c[3] = {
        static_cast<float>(-t * tau * DM * DM * DS * DS),
        static_cast<float>(16 * tau * DM * DS * LP - 8 * DM * DS * DS),
        static_cast<float>(16 * tau * (DF * DM + t * DS * DS)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double FM = store(FM_, larger_root(roots));
    const double FS = store(FS_, (FM * DF / DS + LP) / 2);
    store(LM_, FM - 2 * FS);
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOP6(In t_, In LP_, In DM_, In LM_, In TE_, In DF_, Out FM_, Out DS_, Out LS_, Out AS_, Out FS_) {
    const double t = t_, LP = LP_, DM = DM_, LM = LM_, TE = TE_, DF = DF_;
    const double tau = std::tan(TE);

    FS_ = 0.0f;
    const float c[3] = {
        static_cast<float>(t * tau * DF * (16 * LM * LM - DM * DM) - 8 * DM * DF * LM),
        static_cast<float>(32 * tau * (2 * t * DF * LM - DM * LP) - 16 * DM * DF),
        static_cast<float>(64 * tau * (t * DF + DM)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double FS = store(FS_, larger_root(roots));
    const double FM = store(FM_, 2 * FS + LM);
    store(DS_, FM * DF / (2 * FS - LP));
    const double LS = store(LS_, feed_to_vertex(t, DM, FM, FS, TE));
    store(AS_, LS - FS);
    return Status::solved;
}

Status DRGEOP7(In t_, In LP_, In DM_, In LS_, In TE_, In DF_, Out FM_, Out LM_, Out DS_, Out AS_, Out FS_) {
    const double t = t_, LP = LP_, DM = DM_, LS = LS_, TE = TE_, DF = DF_;
    const double T = std::tan(TE / 2), tau = std::tan(TE);

    FS_ = 0.0f;
    // tau * (1 - T^2) - 2 * T vanishes in exact arithmetic, so c0 is a
    // rounding residue and one root is zero up to rounding.
    const float c[3] = {
        static_cast<float>(t * DF * DM * LS * LS * (tau * (1 - T * T) - 2 * T)),
        static_cast<float>(4 * t * (T - tau) * DM * DF * LS - 32 * tau * LP * LS * LS * T * T),
        static_cast<float>(4 * tau * (t * DF * DM + 16 * T * T * LS * LS)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double FS = store(FS_, larger_root(roots));
    const double FM = store(FM_, t * DM * (LS - 2 * FS) / (4 * T * LS));
    store(LM_, FM - 2 * FS);
    store(DS_, FM * DF / (2 * FS - LP));
    store(AS_, LS - FS);
    return Status::solved;
}

}  // namespace geometry
