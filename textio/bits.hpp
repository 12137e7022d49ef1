// std::bit_cast where the standard library has it, and the compiler's own
// built-in (constexpr as well) where it does not.
#pragma once

#include <bit>

namespace textio {

template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
#if defined(__cpp_lib_bit_cast)
    return std::bit_cast<To>(from);
#else
    return __builtin_bit_cast(To, from);
#endif
}

}  // namespace textio
