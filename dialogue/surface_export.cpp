#include "dialogue/surface_export.hpp"

namespace dialogue {

void SurfaceExport::export_design(textio::Console& con, float& DM, float& FM, float& DS, float& TE,
                                  float& t) {
    surface::DURTIC(con, settings_, DM, FM, DS, TE, t);
}

}  // namespace dialogue
