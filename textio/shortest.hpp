// The shortest text that reads back as the same single-precision value,
// as std::to_chars writes it: the fewest significant digits that round-trip,
// in fixed notation ("2.52", "-0.5", "10000", "123456792") unless scientific
// notation ("1e-07", "3e+10") is shorter; "nan", "inf" and "-inf" for the
// values that are not finite.
#pragma once

#include <string>

namespace textio {

// The longest such text: "-1.17549435e-38".
inline constexpr std::size_t kMaxShortest = 16;
// The room put_shortest needs: it writes in fixed-size pieces, some of
// them past the end of the text.
inline constexpr std::size_t kShortestRoom = 32;

// Writes the text of v at p (room for kShortestRoom characters) and
// returns its end.
char* put_shortest(char* p, float v);

void append_shortest(std::string& out, float v);

}  // namespace textio
