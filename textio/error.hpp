// The one failure of the program: an input/output error that ends the run.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace textio {

// Diagnostic numbers of the I/O layer.
enum IoErrorNumber : int {
    kPermissionDenied = 9,   // "permission to access file denied"
    kEndOfFile = 24,         // "end-of-file during read"
    kOpenFailure = 30,       // "open failure"
    kWriteError = 38,        // "error during write"
    kFileNameError = 43,     // "file name specification error"
    kSyntaxError = 59,       // "list-directed I/O syntax error"
    kConversionError = 64,   // "input conversion error"
};

// Thrown by the I/O layer; caught only by the program's entry, which writes
// "<program>: severe (<number>): <message>" to standard error.
class IoError : public std::runtime_error {
public:
    // os_error is the system's error number behind it (errno), 0 for none.
    IoError(int number, int unit, std::string_view file, int os_error = 0);
    int number() const { return number_; }
    const std::string& file() const { return file_; }
    int os_error() const { return os_error_; }

private:
    int number_;
    std::string file_;
    int os_error_;
};

// The diagnostic line (without line end) for an error raised in `program`.
std::string diagnostic_line(std::string_view program, const IoError& e);

}  // namespace textio
