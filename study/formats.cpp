#include "study/formats.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include <nlohmann/json.hpp>

#include "textio/charconv.hpp"
#include "textio/format.hpp"

namespace study {
namespace {

using textio::TextBuffer;



// The longest text of a row without its extra columns: every value at its
// longest, every check code, and the JSON keys.
constexpr std::size_t kMaxRow = 2048;

// The value columns of a study, in order.
std::vector<Value> all_columns(const Study& s) {
    std::vector<Value> cols;
    for (std::size_t i = 0; i < s.shown().size(); ++i) cols.push_back(static_cast<Value>(i));
    return cols;
}


// The text of every set of checks, made once: CSV's "ok" or "a;b", and
// JSON's "" or "\"a\", \"b\"".
struct CheckTexts {
    std::array<std::string, 1u << kChecks> csv, json;
    CheckTexts() {
        for (std::uint32_t m = 0; m < csv.size(); ++m) {
            append_check_text(csv[m], m);
            for (std::size_t c = 0; c < kChecks; ++c) {
                if (!((m >> c) & 1u)) continue;
                if (!json[m].empty()) json[m] += ", ";
                ((json[m] += '"') += code_of(static_cast<Check>(c))) += '"';
            }
        }
    }
};
const CheckTexts& check_texts() {
    static const CheckTexts texts;
    return texts;
}

// The place of the last text of each column, kept through a block of rows:
// a value that repeats (one given once, or one that a sweep leaves alone)
// is copied from the row before rather than formatted again.  Places are
// offsets into the block's buffer (which may move as it grows); a text is
// copied as a whole word, the characters past it being overwritten next.
class ValueCache {
public:
    explicit ValueCache(const TextBuffer& buffer) : buffer_(buffer) {}
    // p: the room of the current row in the buffer.
    char* put(char* p, std::size_t column, float v) {
        Entry& e = entries_[column];
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, 4);
        const char* base = buffer_.view().data();
        const auto at = static_cast<std::uint32_t>(p - base);
        if (bits == e.bits && e.size != 0) {
            std::memcpy(p, base + e.at, kMaxShortest);
            e.at = at;
            return p + e.size;
        }
        char* end = put_shortest(p, v);
        e.bits = bits;
        e.at = at;
        e.size = static_cast<std::uint8_t>(end - p);
        return end;
    }

private:
    struct Entry {
        std::uint32_t bits = 0;
        std::uint32_t at = 0;
        std::uint8_t size = 0;  // 0: no text yet
    };
    const TextBuffer& buffer_;
    std::array<Entry, kMaxColumns> entries_;
};

char* put(char* p, std::string_view s) {
    std::memcpy(p, s.data(), s.size());
    return p + s.size();
}

// What the formats share: the study, the extra columns, the check texts,
// and the loop over a block of rows, which calls the format's own row text
// directly (no virtual call per row).
template <class Derived>
class FormatBase : public RowFormat {
public:
    FormatBase(const Study& s, const ExtraColumns& x)
        : study_(s), extra_(x), checks_(check_texts()), cols_(all_columns(s)), before_check_(s.shown().before_check) {}

    void row(TextBuffer& out, const Design& d, std::span<const float> extra) const override {
        ValueCache cache(out);
        self().put_row(out, d, extra, cache);
    }
    void rows(TextBuffer& out, std::int64_t first, std::int64_t count, CheckTally& tally) const override {
        ValueCache cache(out);
        for (std::int64_t i = first; i < first + count; ++i) {
            const Design d = study_.design(i);
            tally.add(d);
            self().put_row(out, d, {}, cache);
        }
    }
    void end(TextBuffer&, const CheckTally&) const override {}

protected:
    // Extra column i of a row, or false when the row has none there.
    static bool extra_at(std::span<const float> extra, std::size_t i, float& v) {
        if (i >= extra.size() || std::isnan(extra[i])) return false;
        v = extra[i];
        return true;
    }
    // Room for a row and its extra columns.
    std::size_t row_room() const { return kMaxRow + extra_.names.size() * (kShortestRoom + 64); }

    const Study& study_;
    ExtraColumns extra_;
    const CheckTexts& checks_;
    std::vector<Value> cols_;      // the value columns, in order
    std::size_t before_check_;     // how many come before check

private:
    const Derived& self() const { return static_cast<const Derived&>(*this); }
};

// ---------------------------------------------------------------- CSV

class CsvFormat : public FormatBase<CsvFormat> {
public:
    CsvFormat(const Study& s, const ExtraColumns& x) : FormatBase(s, x) {
        prefix_ = std::to_string(s.mode_number()) + "," + std::to_string(s.case_number()) + "," +
                  std::string(s.type_name());
    }
    void begin(TextBuffer& out) const override {
        std::string line = "mode,case,type";
        for (std::size_t i = 0; i < cols_.size(); ++i) {
            if (i == before_check_) line += ",check";
            (line += ',') += study_.column_name(cols_[i]);
        }
        if (before_check_ >= cols_.size()) line += ",check";  // check after the last value
        for (const std::string& n : extra_.names) (line += ',') += n;
        out.append(line);
        out.push('\n');
    }
    void put_row(TextBuffer& out, const Design& d, std::span<const float> extra, ValueCache& cache) const {
        char* p = put(out.room(row_room()), prefix_);
        for (std::size_t i = 0; i < cols_.size(); ++i) {
            const Value v = cols_[i];
            *p++ = ',';
            if (d.has(v)) p = cache.put(p, i, d[v]);
            if (i + 1 == before_check_) {
                *p++ = ',';
                p = put(p, checks_.csv[d.checks]);
            }
        }
        for (std::size_t i = 0; i < extra_.names.size(); ++i) {
            *p++ = ',';
            float v = 0;
            if (extra_at(extra, i, v)) p = put_shortest(p, v);
        }
        *p++ = '\n';
        out.commit(p);
    }

private:
    std::string prefix_;  // mode,case,type
};

// --------------------------------------------------------------- JSON

// A float as a JSON number: its shortest text, which a double reads as the
// same decimal; null when it is not finite.
nlohmann::ordered_json json_number(float v) {
    if (!std::isfinite(v)) return nullptr;
    std::string s;
    append_shortest(s, v);
    double d = 0;
    textio::read_chars(s.data(), s.data() + s.size(), d);
    return d;  // printed back as the same shortest decimal
}

// An array as given, as nested lists: dimension `dim` of `shape` from the
// flat C-order position `at`.
nlohmann::ordered_json nested(const std::vector<float>& values, const std::vector<std::int64_t>& shape,
                              std::size_t dim, std::size_t at) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    if (dim >= shape.size()) return json_number(values[at]);
    std::size_t stride = 1;
    for (std::size_t k = dim + 1; k < shape.size(); ++k) stride *= static_cast<std::size_t>(shape[k]);
    for (std::int64_t i = 0; i < shape[dim]; ++i)
        list.push_back(nested(values, shape, dim + 1, at + static_cast<std::size_t>(i) * stride));
    return list;
}

class JsonFormat : public FormatBase<JsonFormat> {
public:
    JsonFormat(const Study& s, const ExtraColumns& x, std::int64_t last_row)
        : FormatBase(s, x), last_row_(last_row < 0 ? s.rows() - 1 : last_row) {
        prefix_ = "{\"mode\": " + std::to_string(s.mode_number()) + ", \"case\": " + std::to_string(s.case_number()) +
                  ", \"type\": \"" + std::string(s.type_name()) + '"';
        for (Value v : cols_) keys_.push_back(", \"" + std::string(s.column_name(v)) + "\": ");
        for (const std::string& n : extra_.names) extra_keys_.push_back(", \"" + n + "\": ");
    }
    void begin(TextBuffer& out) const override {
        nlohmann::ordered_json inputs = nlohmann::ordered_json::object();
        for (const Assignment& a : study_.inputs().items) {
            const std::string name(info(a.key).name);
            if (a.key == Key::type) {
                inputs[name] = study_.type_name();
            } else if (a.key == Key::unit) {
                inputs[name] = kUnits[static_cast<std::size_t>(a.value)].name;
            } else if (info(a.key).kind == KeyKind::setting) {
                inputs[name] = a.text;
            } else if (a.is_column()) {
                inputs[name] = nested(a.given, a.shape, 0, 0);
            } else if (!a.list.empty()) {
                inputs[name] = nlohmann::ordered_json::array();
                for (float v : a.list) inputs[name].push_back(json_number(v));
            } else if (a.swept) {
                inputs[name] = {{"start", json_number(a.start)},
                                {"stop", json_number(a.stop)},
                                {"step", json_number(a.step)},
                                {"rows", a.count}};
            } else {
                inputs[name] = json_number(a.value);
            }
        }
        out.append("{\"inputs\": " + inputs.dump() + ",\n\"rows\": [\n");
    }
    // Every row but the last takes a comma.
    void put_row(TextBuffer& out, const Design& d, std::span<const float> extra, ValueCache& cache) const {
        char* p = put(out.room(row_room()), prefix_);
        for (std::size_t i = 0; i < cols_.size(); ++i) {
            p = put(p, keys_[i]);
            const float v = d[cols_[i]];
            p = d.has(cols_[i]) && std::isfinite(v) ? cache.put(p, i, v) : put(p, "null");
            if (i + 1 == before_check_) {
                p = put(p, ", \"checks\": [");
                p = put(p, checks_.json[d.checks]);
                *p++ = ']';
            }
        }
        for (std::size_t i = 0; i < extra_.names.size(); ++i) {
            float v = 0;
            p = put(p, extra_keys_[i]);
            p = extra_at(extra, i, v) && std::isfinite(v) ? put_shortest(p, v) : put(p, "null");
        }
        *p++ = '}';
        if (d.index != last_row_) *p++ = ',';
        *p++ = '\n';
        out.commit(p);
    }
    void end(TextBuffer& out, const CheckTally&) const override { out.append("]}\n"); }

private:
    std::int64_t last_row_;
    std::string prefix_;  // {"mode": 1, "case": 6, "type": "cassegrain"
    std::vector<std::string> keys_;
    std::vector<std::string> extra_keys_;
};

// -------------------------------------------------------------- table

constexpr int kWidth = 11;

class TableFormat : public FormatBase<TableFormat> {
public:
    TableFormat(const Study& s, const ExtraColumns& x) : FormatBase(s, x) {
        columns_ = s.table_columns();
    }
    void begin(TextBuffer& out) const override {
        std::string line(1, ' ');
        line += study_.title();
        line += '\n';
        for (Value v : columns_) textio::put_A(line, study_.column_name(v), kWidth);
        for (const std::string& n : extra_.names) textio::put_A(line, n, std::max<int>(kWidth, int(n.size()) + 1));
        line += "  check\n";
        out.append(line);
    }
    void put_row(TextBuffer& out, const Design& d, std::span<const float> extra, ValueCache&) const {
        thread_local std::string line;
        line.clear();
        for (Value v : columns_) append_table_number(line, d.has(v), d[v], 4);
        for (std::size_t i = 0; i < extra_.names.size(); ++i) {
            const int w = std::max<int>(kWidth, int(extra_.names[i].size()) + 1);
            if (w > kWidth) line.append(static_cast<std::size_t>(w - kWidth), ' ');
            float v = 0;
            const bool has = extra_at(extra, i, v);
            append_table_number(line, has, v, extra_.decimals);
        }
        line += "  ";
        line += checks_.csv[d.checks];
        line += '\n';
        out.append(line);
    }
    // What each failed check means, after the rows.
    void end(TextBuffer& out, const CheckTally& tally) const override {
        if (tally.failed == 0) return;
        std::string text = " Failed checks:\n";
        for (const std::string& note : check_notes(study_, tally)) text += "   " + note + "\n";
        out.append(text);
    }

private:
    std::vector<Value> columns_;
};

}  // namespace

void append_table_number(std::string& out, bool present, float v, int decimals) {
    if (!present) {
        textio::put_A(out, "-", kWidth);
        return;
    }
    const std::size_t at = out.size();
    textio::put_F(out, v, kWidth, decimals);
    if (out[at] != ' ') {
        out.resize(at);
        out += ' ';
        textio::put_E(out, v, kWidth - 1, std::max(1, decimals - 1));
    }
}


std::unique_ptr<RowFormat> make_format(Format format, const Study& study, const ExtraColumns& extra,
                                       std::int64_t last_row) {
    switch (format) {
    case Format::csv: return std::make_unique<CsvFormat>(study, extra);
    case Format::json: return std::make_unique<JsonFormat>(study, extra, last_row);
    case Format::table: break;
    }
    return std::make_unique<TableFormat>(study, extra);
}

}  // namespace study
