// The registry: every design family, one line each, in the order in which
// they claim a study's quantities.
#include "geometry/family.hpp"

namespace geometry {

extern const Family kAxisymmetricFamily;
extern const Family kOffsetFamily;

extern const Family kPrimeFamily;

namespace {
std::vector<const Family*>& registry() {
    static std::vector<const Family*> list = {
        &kAxisymmetricFamily,
        &kOffsetFamily,
        &kPrimeFamily,
    };
    return list;
}
}  // namespace

std::span<const Family* const> families() { return registry(); }
void register_family(const Family& family) { registry().push_back(&family); }

}  // namespace geometry
