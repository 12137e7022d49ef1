#include "textio/error.hpp"

namespace textio {
namespace {

std::string_view message_text(int number) {
    switch (number) {
    case kPermissionDenied: return "permission to access file denied";
    case kEndOfFile: return "end-of-file during read";
    case kOpenFailure: return "open failure";
    case kWriteError: return "error during write";
    case kFileNameError: return "file name specification error";
    case kSyntaxError: return "list-directed I/O syntax error";
    case kConversionError: return "input conversion error";
    default: return "input/output error";
    }
}

std::string build(int number, int unit, std::string_view file) {
    std::string s(message_text(number));
    s += ", unit ";
    s += std::to_string(unit);
    s += ", file ";
    s += file;
    return s;
}

}  // namespace

IoError::IoError(int number, int unit, std::string_view file, int os_error)
    : std::runtime_error(build(number, unit, file)), number_(number), file_(file), os_error_(os_error) {}

std::string diagnostic_line(std::string_view program, const IoError& e) {
    std::string s(program);
    s += ": severe (";
    s += std::to_string(e.number());
    s += "): ";
    s += e.what();
    return s;
}

}  // namespace textio
