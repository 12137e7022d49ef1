// The shortest text of a float, under the study's names (textio has it).
#pragma once

#include "textio/shortest.hpp"

namespace study {
using textio::append_shortest;
using textio::kMaxShortest;
using textio::kShortestRoom;
using textio::put_shortest;
}  // namespace study
