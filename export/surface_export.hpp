// Surface export: the yes/no reader and the export dialogue.
#pragma once

#include <cstdint>

#include "dialogue/export_hooks.hpp"
#include "textio/console.hpp"

namespace surface {

// Reads one answer line; 1 for yes (y, s, d, j), -1 for no (n), 0 for neither.
std::int32_t NYES(textio::InputUnit& in);

class SurfaceExport : public dialogue::ExportHooks {
public:
    std::int32_t yes_no(textio::InputUnit& in) override { return NYES(in); }
    void export_design(textio::Console& con, float& DM, float& FM, float& DS, float& TE,
                       float& t) override;
};

}  // namespace surface
