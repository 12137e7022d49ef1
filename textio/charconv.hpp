// The number conversions of <charconv> for floating point, on every
// standard library: where the library has them they are its own; where it
// lacks them (the WebAssembly build's) the same text comes from Dragonbox's
// shortest digits laid out as the library lays them out, and reading from
// the C library's correctly rounded strtod.
#pragma once

namespace textio {

// As std::to_chars(first, last, v): the shortest text that reads back as
// v, fixed unless scientific notation is shorter.  Returns the end.
char* shortest_chars(char* first, char* last, double v);
char* shortest_chars(char* first, char* last, float v);

// As std::to_chars(first, last, v, std::chars_format::scientific,
// precision): d.ddd...e+XX, exactly rounded.
char* scientific_chars(char* first, char* last, double v, int precision);

// As std::from_chars(first, last, v) on text such as shortest_chars
// writes: true when the whole of it was read.
bool read_chars(const char* first, const char* last, double& v);

}  // namespace textio
