#include "export/surface_export.hpp"

#include <string>

namespace surface {

std::int32_t NYES(textio::InputUnit& in) {
    std::string answer = in.read_text(20);
    for (char c : answer) {
        switch (c) {
        case 'y': case 'Y': case 's': case 'S': case 'd': case 'D': case 'j': case 'J': return 1;
        case 'n': case 'N': return -1;
        default: break;
        }
    }
    return 0;
}

}  // namespace surface
