// The registry: every design family, one line each, in the order in which
// they claim a study's quantities.
#include "geometry/family.hpp"

namespace geometry {

extern const Family kAxisymmetricFamily;
extern const Family kOffsetFamily;

namespace {
const Family* const kFamilies[] = {
    &kAxisymmetricFamily,
    &kOffsetFamily,
};
}  // namespace

std::span<const Family* const> families() { return kFamilies; }

}  // namespace geometry
