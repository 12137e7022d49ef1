// Output units: the console and the files the program writes.
//
// Output is buffered.  A buffer is only ever written out whole, after a
// complete record, so a run stopped between two writes leaves whole lines.
// A failing write ends the run with IoError 38.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

#include "textio/format.hpp"

namespace textio {

class OutputUnit {
public:
    // Wraps an already open descriptor (the console: unit 6, fd 1).
    OutputUnit(int unit, std::string name, int fd, bool owns_fd);
    // Creates the file `name`, or truncates it (IoError 43, 30 or 9).  A
    // file that an open unit is writing (the same file, however named) is
    // not opened again: IoError 30, and the open unit loses nothing.
    static OutputUnit create(int unit, std::string_view name);

    OutputUnit(OutputUnit&& other) noexcept;
    OutputUnit& operator=(OutputUnit&&) = delete;
    OutputUnit(const OutputUnit&) = delete;
    ~OutputUnit();

    // A complete record: ends an open prompt line first, then writes text
    // and a line end.
    void record(std::string_view text);
    void record(const Record& r) { record(r.view()); }
    // Whole records, each already ending in a line end; a long run goes
    // straight to the file after what the buffer holds.
    void records(std::string_view text);
    // An empty record.
    void empty() { record(std::string_view{}); }
    // A prompt: text that leaves its line open for the answer.
    void prompt(std::string_view text);

    // The open prompt line was ended by someone else (the echo of an answer
    // typed at a terminal): the next record needs no line end before it.
    void line_ended() { line_open_ = false; }

    void flush();
    // Ends an open prompt line, flushes and closes (no-op when closed).
    void close();
    bool is_open() const { return fd_ >= 0; }

    int unit() const { return unit_; }
    const std::string& name() const { return name_; }

private:
    void end_open_line();
    void write_all(const char* p, std::size_t n);

    int unit_;
    std::string name_;
    int fd_;
    bool owns_fd_;
    bool line_open_ = false;
    bool regular_file_ = false;  // writes to it are never cut short by a stop signal
    // The identity of the regular file written, while the unit is open.
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    void enlist();
    void delist();
    // The buffer: its first used_ characters wait to be written.
    std::string buf_;
    std::size_t used_ = 0;
    void room(std::size_t n);
    void put(std::string_view text);
};

// Gives every closed standard descriptor (0, 1, 2) an unwritable stand-in,
// so that no file the program opens lands on one and receives what was
// meant for the console; writing to a closed console is then a write
// error.  False if that fails.
bool reserve_standard_descriptors();

// Writes a whole text file (a picture, a page): the text's lines as
// records, ending with one newline.
void write_text_file(const std::string& name, std::string text);

// The name a typed A70 answer stands for: trailing blanks removed.
std::string_view trim_name(std::string_view typed);

}  // namespace textio
