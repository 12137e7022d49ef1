// The console input unit: answer lines, fixed-width text and free-form
// (list-directed) numbers.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <istream>
#include <string>
#include <string_view>

namespace textio {

// One item of a free-form read: an integer or a real, updated in place.
class ListItem {
public:
    ListItem(std::int32_t& v) : integer_(&v) {}
    ListItem(float& v) : real_(&v) {}
    bool is_integer() const { return integer_ != nullptr; }
    std::int32_t& integer() const { return *integer_; }
    float& real() const { return *real_; }

private:
    std::int32_t* integer_ = nullptr;
    float* real_ = nullptr;
};

class InputUnit {
public:
    explicit InputUnit(std::istream& in, int unit = 5, std::string name = "CONIN$");

    // Called before every read: the program flushes its output there, so
    // nothing already written is lost while it waits for an answer.
    void set_before_read(std::function<void()> f) { before_read_ = std::move(f); }
    // Called after every line read.  At a terminal the user's line end has
    // already ended the prompt's line on the screen.
    void set_after_line(std::function<void()> f) { after_line_ = std::move(f); }

    // The next line without its line end (LF, or CR LF).  IoError 24 when
    // the input has ended.
    std::string read_line();
    // Aw: the first w characters of the next line, blank-padded to w.
    std::string read_text(std::size_t w);

    // A free-form read of the given items, starting on a new line.  Values
    // are separated by commas, blanks, tabs or line ends; a slash ends the
    // read; a null value (",,", a leading comma, "r*") leaves its item as it
    // is; "r*v" stands for r copies of v.  What remains on the last line
    // read is discarded.  IoError 59 for a malformed value, 64 for a
    // well-formed one out of range, 24 at the end of input.
    void read_list(std::initializer_list<ListItem> items);
    void read(std::int32_t& v) { read_list({ListItem(v)}); }
    void read(float& v) { read_list({ListItem(v)}); }

    int unit() const { return unit_; }
    const std::string& name() const { return name_; }

private:
    [[noreturn]] void fail(int number) const;
    void convert(std::string_view token, const ListItem& item) const;

    std::istream& in_;
    int unit_;
    std::string name_;
    std::function<void()> before_read_;
    std::function<void()> after_line_;
};

}  // namespace textio
