// libFuzzer target for the free-form answer reader.  The input is split into
// a read plan (first byte) and the answer text; every read either succeeds
// or ends with one of the reader's diagnostics.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "textio/error.hpp"
#include "textio/input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t plan = data[0];
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    textio::InputUnit in(stream);
    float a = 0, b = 0, c = 0;
    std::int32_t n = 0;
    try {
        for (int step = 0; step < 64; ++step) {
            switch ((plan >> (step % 4 * 2)) & 3) {
            case 0: in.read(n); break;
            case 1: in.read(a); break;
            case 2: in.read_list({a, b, c}); break;
            default: in.read_list({a, b, n}); break;
            }
        }
    } catch (const textio::IoError& e) {
        if (e.number() != 24 && e.number() != 59 && e.number() != 64) std::abort();
    }
    return 0;
}
