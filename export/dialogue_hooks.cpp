#include "export/dialogue_hooks.hpp"

namespace surface {

void SurfaceExport::export_design(textio::Console& con, float& DM, float& FM, float& DS, float& TE,
                                  float& t) {
    DURTIC(con, settings_, DM, FM, DS, TE, t);
}

}  // namespace surface
