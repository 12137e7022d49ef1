// The three output formats of refldsgn-solve: an aligned table for people,
// CSV and JSON for programs.  Rows are written as they come (the output
// streams); numbers in CSV and JSON are the shortest text that reads back
// as the same single-precision value.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "solve/study.hpp"
#include "textio/output.hpp"

namespace solve {

enum class Format { table, csv, json };

// The name of a value column ("DM", ..., "main_depth").
std::string_view column_name(Value v);

// Columns beyond the design's own (the analysis results, say): their names,
// and per row their values, or none for a row without them.
struct ExtraColumns {
    std::vector<std::string> names;
    int decimals = 4;  // in the table
};

class RowWriter {
public:
    virtual ~RowWriter() = default;
    // Header (CSV, table) or the opening of the document (JSON).
    virtual void begin() = 0;
    // One row; extra holds one value per extra column (NaN: empty), or is
    // empty for a row that has none.
    virtual void row(const Design& d, std::span<const float> extra) = 0;
    // The end of the document; then the output is flushed.
    virtual void end() = 0;
};

std::unique_ptr<RowWriter> make_writer(Format format, const Study& study, textio::OutputUnit& out,
                                       const ExtraColumns& extra = {});

// A number of the table: F11.4 (decimals as given), or a blank and 1P,E10.3
// for a value too wide for it, so that columns never touch; "-" for none.
void append_table_number(std::string& out, bool present, float v, int decimals);

// The shortest text that reads back as the same float: "2.52", "-0.5",
// "1e-07"; "nan", "inf" and "-inf" for the values that are not finite.
void append_shortest(std::string& out, float v);

}  // namespace solve
