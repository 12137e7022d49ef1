// The three row formats of a study: an aligned table for people, CSV and
// JSON for programs.  Numbers in CSV and JSON are the shortest text that
// reads back as the same single-precision value.
//
// A format holds no state from row to row: blocks of rows may be formatted
// on several threads at once and joined in order, and the joined text is
// the same as that of one pass.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "study/shortest.hpp"
#include "study/study.hpp"
#include "textio/text_buffer.hpp"

namespace study {

enum class Format { table, csv, json };


// Columns beyond the design's own (the analysis results, say): their names,
// and per row their values, or none for a row without them.
struct ExtraColumns {
    std::vector<std::string> names;
    int decimals = 4;  // in the table
};

class RowFormat {
public:
    virtual ~RowFormat() = default;
    // The header (CSV, table) or the opening of the document (JSON).
    virtual void begin(textio::TextBuffer& out) const = 0;
    // One row, whole lines; extra holds one value per extra column (NaN:
    // empty), or is empty for a row that has none.
    virtual void row(textio::TextBuffer& out, const Design& d, std::span<const float> extra) const = 0;
    // Rows [first, first + count) of the study, solved and written without
    // extra columns; their failed checks are added to the tally.
    virtual void rows(textio::TextBuffer& out, std::int64_t first, std::int64_t count, CheckTally& tally) const = 0;
    // The end of the document; the tally holds the failed checks of every
    // row written (the table notes what each means).
    virtual void end(textio::TextBuffer& out, const CheckTally& tally) const = 0;
};

// The format of a study's rows; the study must outlive it.  last_row: the
// row written last (JSON puts no comma after it); -1 for the study's last,
// another for a caller that writes a selection of the rows.
std::unique_ptr<RowFormat> make_format(Format format, const Study& study, const ExtraColumns& extra = {},
                                       std::int64_t last_row = -1);

// A number of the table: F11.4 (decimals as given), or a blank and 1P,E10.3
// for a value too wide for it, so that columns never touch; "-" for none.
void append_table_number(std::string& out, bool present, float v, int decimals);

}  // namespace study
