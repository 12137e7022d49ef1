// The surface export as the interactive dialogue sees it: the start-up
// yes/no question and the export of one solved design.
#pragma once

#include <cstdint>

#include "dialogue/export_hooks.hpp"
#include "export/surface_export.hpp"

namespace surface {

class SurfaceExport : public dialogue::ExportHooks {
public:
    std::int32_t yes_no(textio::InputUnit& in) override { return NYES(in); }
    void export_design(textio::Console& con, float& DM, float& FM, float& DS, float& TE,
                       float& t) override;

    const ExportSettings& settings() const { return settings_; }

private:
    ExportSettings settings_;
};

}  // namespace surface
