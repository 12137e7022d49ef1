// The console: answers come from the input unit, prompts and tables go to
// the output unit.
#pragma once

#include "textio/input.hpp"
#include "textio/output.hpp"

namespace textio {

struct Console {
    InputUnit& in;
    OutputUnit& out;
};

}  // namespace textio
