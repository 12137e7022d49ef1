// Whether two names of a run stand for the same file: "r.rsf", "./r.rsf",
// a symbolic link to it, a second hard link.  A front end resolves every
// file it will read or write before writing any, so that no output
// overwrites an input or another output of the same run.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <utility>

namespace textio {

// A file of a run and the option (or argument) that names it.
struct NamedFile {
    std::string option;  // "-o", "--svg", "@FILE", ...
    std::string path;
    bool input = false;  // read by the run (it may be written by none)
};

// The identity of a path: the device and inode of an existing file, else
// the path with its links followed and its folders made absolute.  Two
// paths are the same file exactly when their identities are equal.
std::string file_identity(const std::string& path);

// Whether the path names something other than a regular file (a device
// such as /dev/null, a pipe): many outputs may share one of those.
bool special_file(const std::string& path);

// The first pair (earlier, later) of files that are one file, where at
// least one of them is written; none when every output has a file of its
// own.
std::optional<std::pair<NamedFile, NamedFile>> first_clash(std::span<const NamedFile> files);

}  // namespace textio
