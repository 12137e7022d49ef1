// Unconstrained solvers (design mode 1): TE and three of DM, FM, LM, DS, LS
// prescribed; the other two lengths, AS and FS solved in closed form.
//
// Naming inside each solver: an argument with a trailing underscore is the
// caller's single-precision variable; the plain name is its value in double.
// An output's plain name is bound when the output is stored, so later steps
// read the stored single-precision value.  S = sin(TE), T = tan(TE / 2).
#include "geometry/relations.hpp"
#include "geometry/solvers.hpp"

#include <cmath>
#include <complex>
#include <cstdint>

#include "geometry/model.hpp"

namespace geometry {

using detail::store;
using detail::real_roots;
using detail::vertex_to_feed;
using detail::conic_axis;
using detail::conic_focal;

Status DRGEON1(In t_, In DM_, In LM_, In LS_, In TE_, Out FM_, Out DS_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, LM = LM_, LS = LS_, TE = TE_;
    const double S = std::sin(TE), T = std::tan(TE / 2);

    const double FS = store(FS_, (t * DM - 4 * LM * T) * LS / (2 * t * DM + 8 * LS * T));
    const double FM = store(FM_, 2 * FS + LM);
    store(AS_, LS - FS);
    store(DS_, 4 * (LS - FS) / (1 / S + t * (DM * DM + 16 * FM * FM) / (8 * FM * DM)));
    return Status::solved;
}

Status DRGEON2(In t_, In DM_, In FM_, In LM_, In TE_, Out DS_, Out LS_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, FM = FM_, LM = LM_, TE = TE_;
    const double S = std::sin(TE), T = std::tan(TE / 2);

    store(AS_, ((FM - LM) / 2) * (t * DM + 4 * FM * T) / (t * DM - 4 * FM * T));
    store(LS_, (FM - LM) * t * DM / (t * DM - 4 * FM * T));
    store(FS_, (FM - LM) / 2);
    // The last factor of Q carries t on the FM term, not on DM.
    const double N = 16 * S * DM * FM * (FM - LM) * (t * DM + 4 * FM * T);
    const double P = 8 * FM * DM * (t * DM - 4 * FM * T);
    const double Q = S * (DM * DM + 16 * FM * FM) * (DM - 4 * t * FM * T);
    store(DS_, N / (P + Q));
    return Status::solved;
}

Status DRGEON3(In t_, In DM_, In FM_, In LS_, In TE_, Out LM_, Out DS_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, FM = FM_, LS = LS_, TE = TE_;
    const double S = std::sin(TE), T = std::tan(TE / 2);

    store(LM_, vertex_to_feed(t, DM, FM, LS, T));
    store(DS_, 16 * S * FM * LS * (t * DM + 4 * FM * T) /
                             (8 * t * FM * DM + S * (DM * DM + 16 * FM * FM)));
    store(AS_, conic_axis(t, DM, FM, LS, T));
    store(FS_, conic_focal(t, DM, FM, LS, T));
    return Status::solved;
}

Status DRGEON4(In t_, In FM_, In DS_, In LS_, In TE_, Out DM_, Out LM_, Out AS_, Out FS_) {
    const double t = t_, FM = FM_, DS = DS_, LS = LS_, TE = TE_;
    const double S = std::sin(TE), T = std::tan(TE / 2);

    DM_ = 0.0f;
    const float c[3] = {
        static_cast<float>(16 * S * FM * FM * (DS - 4 * LS * T)),
        static_cast<float>(8 * t * FM * (DS - 2 * S * LS)),
        static_cast<float>(S * DS),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double DM = store(DM_, larger_root(roots));
    store(LM_, vertex_to_feed(t, DM, FM, LS, T));
    store(AS_, conic_axis(t, DM, FM, LS, T));
    store(FS_, conic_focal(t, DM, FM, LS, T));
    return Status::solved;
}

Status DRGEON5(In t_, In LM_, In DS_, In LS_, In TE_, Out DM_, Out FM_, Out AS_, Out FS_) {
    const double t = t_, LM = LM_, DS = DS_, LS = LS_, TE = TE_;
    const double S = std::sin(TE), T = std::tan(TE / 2);

    FS_ = 0.0f;
    const float c[3] = {
        static_cast<float>(LS * LS * (S * T * (8 * LS - T * DS) - (S + 2 * T) * DS)),
        static_cast<float>(4 * (S + T) * DS * LS - 24 * S * T * LS * LS),
        static_cast<float>(4 * S * (4 * LS * T - DS)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    // For a consistent design the other root is LS (the degenerate conic AS = 0).
    const double FS = store(FS_, smaller_root(roots));
    store(FM_, 2 * FS + LM);
    store(AS_, LS - FS);
    store(DM_, 4 * LS * T * (2 * FS + LM) / ((LS - 2 * FS) * t));
    return Status::solved;
}

Status DRGEON6(In t_, In DM_, In FM_, In DS_, In TE_, Out LM_, Out LS_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, FM = FM_, DS = DS_, TE = TE_;
    const double S = std::sin(TE), T = std::tan(TE / 2);

    const double U = T * FM;
    const double V = 8 * FM * DM + t * S * (DM * DM + 16 * FM * FM);
    const double W = S * DS * DM * (DM * DM + 16 * FM * FM) + 8 * t * DM * DM * FM * (DS - 2 * S * FM) -
                     32 * T * DM * FM * FM * (2 * S * FM + DS) -
                     4 * t * S * T * DS * FM * (DM * DM + 16 * FM * FM);
    store(LS_, t * DS * V / (16 * S * FM * (t * DM + 4 * U)));
    store(AS_, V * DS / (32 * S * DM * FM));
    store(FS_, V * DS * (t * DM - 4 * U) / (32 * S * FM * DM * (t * DM + 4 * U)));
    store(LM_, -W / (16 * S * DM * FM * (t * DM + 4 * U)));
    return Status::solved;
}

Status DRGEON7(In t_, In DM_, In DS_, In LS_, In TE_, Out FM_, Out LM_, Out AS_, Out FS_) {
    const double t = t_, DM = DM_, DS = DS_, LS = LS_, TE = TE_;
    const double S = std::sin(TE), T = std::tan(TE / 2);

    FM_ = 0.0f;
    const float c[3] = {
        static_cast<float>(-S * DM * DM * DS),
        static_cast<float>(8 * t * DM * (2 * S * LS - DS)),
        static_cast<float>(16 * S * (4 * LS * T - DS)),
    };
    std::complex<float> roots[2];
    if (!real_roots(c, roots)) return Status::no_real_root;
    const double FM = store(FM_, sign_rule_root(roots));
    store(LM_, vertex_to_feed(t, DM, FM, LS, T));
    store(AS_, conic_axis(t, DM, FM, LS, T));
    store(FS_, conic_focal(t, DM, FM, LS, T));
    return Status::solved;
}

}  // namespace geometry
