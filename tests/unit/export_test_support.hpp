// Helpers of the surface-export tests: a scratch folder, whole-file reads,
// and a console whose answers come from a string and whose output goes to
// a file.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "textio/console.hpp"

namespace export_test {

class ScratchDir {
public:
    ScratchDir() {
        char name[] = "/tmp/refl_export_XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

// Answers are the lines of `answers`; console output is collected in a file.
class ScriptedConsole {
public:
    ScriptedConsole(const ScratchDir& dir, const std::string& answers)
        : answers_(answers),
          in_(answers_),
          console_path_(dir.file("console.txt")),
          out_(6, "CONOUT$", ::open(console_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), true),
          con_{in_, out_} {}
    textio::Console& con() { return con_; }
    std::string transcript() {
        out_.flush();
        return slurp(console_path_);
    }

private:
    std::istringstream answers_;
    textio::InputUnit in_;
    std::string console_path_;
    textio::OutputUnit out_;
    textio::Console con_;
};

}  // namespace export_test
