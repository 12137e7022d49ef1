// The surface export as the interactive dialogue sees it: the start-up
// yes/no question and the export of one solved design.  Only refldsgn
// links it; refldsgn-basic runs without the export.
#pragma once

#include <cstdint>

#include "dialogue/export_hooks.hpp"
#include "export/surface_export.hpp"

namespace dialogue {

class SurfaceExport : public ExportHooks {
public:
    std::int32_t yes_no(textio::InputUnit& in) override { return surface::NYES(in); }
    void export_design(textio::Console& con, float& DM, float& FM, float& DS, float& TE,
                       float& t) override;

    const surface::ExportSettings& settings() const { return settings_; }

private:
    surface::ExportSettings settings_;
};

}  // namespace dialogue
