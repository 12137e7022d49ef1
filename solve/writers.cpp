#include "solve/writers.hpp"

#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

#include "textio/format.hpp"

namespace solve {
namespace {

constexpr std::string_view kNames[kValues] = {
    "DM", "FM", "LM", "DS", "LS", "TE", "FDE", "AS", "FS", "LT", "DF", "LP", "e", "M",
    "f_D", "rim_angle", "sub_vertex", "F_eq", "main_depth",
};

// The value columns before "check" and after it, in CSV and JSON order.
constexpr std::size_t kBeforeCheck = static_cast<std::size_t>(Value::M) + 1;

std::string_view type_name(float t) { return t == -1.0f ? "cassegrain" : "gregorian"; }

void append_int(std::string& out, long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// What every format keeps: the study, the output, the extra columns and
// the line being built (kept from row to row: no allocation per row).
class LineWriter : public RowWriter {
public:
    LineWriter(const Study& s, textio::OutputUnit& out, const ExtraColumns& x) : study_(s), out_(out), extra_(x) {
        line_.reserve(1024);
    }
    void end() override { out_.flush(); }

protected:
    // Extra column i of a row, or false when the row has none there.
    static bool extra_at(std::span<const float> extra, std::size_t i, float& v) {
        if (i >= extra.size() || std::isnan(extra[i])) return false;
        v = extra[i];
        return true;
    }

    const Study& study_;
    textio::OutputUnit& out_;
    ExtraColumns extra_;
    std::string line_;
};

// ---------------------------------------------------------------- CSV

class CsvWriter : public LineWriter {
public:
    using LineWriter::LineWriter;
    void begin() override {
        line_ = "mode,case,type";
        for (std::size_t i = 0; i < kBeforeCheck; ++i) (line_ += ',') += kNames[i];
        line_ += ",check";
        for (std::size_t i = kBeforeCheck; i < kValues; ++i) (line_ += ',') += kNames[i];
        for (const std::string& n : extra_.names) (line_ += ',') += n;
        out_.record(line_);
    }
    void row(const Design& d, std::span<const float> extra) override {
        line_.clear();
        append_int(line_, study_.mode_number());
        line_ += ',';
        append_int(line_, study_.case_number());
        line_ += ',';
        line_ += type_name(study_.type());
        for (std::size_t i = 0; i < kValues; ++i) {
            line_ += ',';
            if (d.has(static_cast<Value>(i))) append_shortest(line_, d.values[i]);
            if (i + 1 == kBeforeCheck) {
                line_ += ',';
                append_check_text(line_, d.checks);
            }
        }
        for (std::size_t i = 0; i < extra_.names.size(); ++i) {
            line_ += ',';
            float v = 0;
            if (extra_at(extra, i, v)) append_shortest(line_, v);
        }
        out_.record(line_);
    }
};

// --------------------------------------------------------------- JSON

// A float as a JSON number: its shortest text, which a double reads as the
// same decimal; null when it is not finite.
nlohmann::ordered_json json_number(float v) {
    if (!std::isfinite(v)) return nullptr;
    std::string s;
    append_shortest(s, v);
    double d = 0;
    std::from_chars(s.data(), s.data() + s.size(), d);
    return d;  // printed back as the same shortest decimal
}

class JsonWriter : public LineWriter {
public:
    using LineWriter::LineWriter;
    void begin() override {
        nlohmann::ordered_json inputs = nlohmann::ordered_json::object();
        for (const Assignment& a : study_.inputs().items) {
            const std::string name(info(a.key).name);
            if (a.key == Key::type) {
                inputs[name] = type_name(a.value);
            } else if (a.key == Key::unit) {
                inputs[name] = kUnits[static_cast<std::size_t>(a.value)].name;
            } else if (a.swept) {
                inputs[name] = {{"start", json_number(a.start)},
                                {"stop", json_number(a.stop)},
                                {"step", json_number(a.step)},
                                {"rows", a.count}};
            } else {
                inputs[name] = json_number(a.value);
            }
        }
        out_.record("{\"inputs\": " + inputs.dump() + ",");
        out_.record("\"rows\": [");
        pending_ = false;
    }
    // Each row is held back until the next one comes, which tells whether
    // it takes a comma.
    void row(const Design& d, std::span<const float> extra) override {
        if (pending_) {
            line_ += ',';
            out_.record(line_);
        }
        pending_ = true;
        line_.clear();
        line_ += "{\"mode\": ";
        append_int(line_, study_.mode_number());
        line_ += ", \"case\": ";
        append_int(line_, study_.case_number());
        line_ += ", \"type\": \"";
        line_ += type_name(study_.type());
        line_ += '"';
        for (std::size_t i = 0; i < kValues; ++i) {
            number(kNames[i], d.has(static_cast<Value>(i)), d.values[i]);
            if (i + 1 == kBeforeCheck) {
                line_ += ", \"checks\": [";
                bool first = true;
                for (std::size_t c = 0; c < kChecks; ++c) {
                    if (!d.failed(static_cast<Check>(c))) continue;
                    if (!first) line_ += ", ";
                    first = false;
                    ((line_ += '"') += code_of(static_cast<Check>(c))) += '"';
                }
                line_ += ']';
            }
        }
        for (std::size_t i = 0; i < extra_.names.size(); ++i) {
            float v = 0;
            const bool has = extra_at(extra, i, v);
            number(extra_.names[i], has, v);
        }
        line_ += '}';
    }
    void end() override {
        if (pending_) out_.record(line_);
        out_.record("]}");
        LineWriter::end();
    }

private:
    void number(std::string_view key, bool present, float v) {
        ((line_ += ", \"") += key) += "\": ";
        if (present && std::isfinite(v))
            append_shortest(line_, v);
        else
            line_ += "null";
    }

    bool pending_ = false;
};

// -------------------------------------------------------------- table

constexpr int kWidth = 11;

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

namespace {

class TableWriter : public LineWriter {
public:
    TableWriter(const Study& s, textio::OutputUnit& out, const ExtraColumns& x) : LineWriter(s, out, x) {
        for (std::size_t i = 0; i <= static_cast<std::size_t>(Value::LT); ++i) columns_.push_back(static_cast<Value>(i));
        if (s.mode_number() == 2) columns_.push_back(Value::DF);
        if (s.phase_centre()) columns_.push_back(Value::LP);
        columns_.push_back(Value::e);
        columns_.push_back(Value::M);
    }
    void begin() override {
        line_.assign(1, ' ');
        line_ += study_.title();
        out_.record(line_);
        line_.clear();
        for (Value v : columns_) textio::put_A(line_, kNames[static_cast<std::size_t>(v)], kWidth);
        for (const std::string& n : extra_.names) textio::put_A(line_, n, std::max<int>(kWidth, int(n.size()) + 1));
        line_ += "  check";
        out_.record(line_);
    }
    void row(const Design& d, std::span<const float> extra) override {
        line_.clear();
        for (Value v : columns_) append_table_number(line_, d.has(v), d[v], 4);
        for (std::size_t i = 0; i < extra_.names.size(); ++i) {
            const int w = std::max<int>(kWidth, int(extra_.names[i].size()) + 1);
            if (w > kWidth) line_.append(static_cast<std::size_t>(w - kWidth), ' ');
            float v = 0;
            const bool has = extra_at(extra, i, v);
            append_table_number(line_, has, v, extra_.decimals);
        }
        line_ += "  ";
        append_check_text(line_, d.checks);
        out_.record(line_);
    }

private:
    std::vector<Value> columns_;
};

}  // namespace

std::string_view column_name(Value v) { return kNames[static_cast<std::size_t>(v)]; }

void append_shortest(std::string& out, float v) {
    if (std::isnan(v)) {
        out += "nan";
        return;
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::unique_ptr<RowWriter> make_writer(Format format, const Study& study, textio::OutputUnit& out,
                                       const ExtraColumns& extra) {
    switch (format) {
    case Format::csv: return std::make_unique<CsvWriter>(study, out, extra);
    case Format::json: return std::make_unique<JsonWriter>(study, out, extra);
    case Format::table: break;
    }
    return std::make_unique<TableWriter>(study, out, extra);
}

}  // namespace solve
