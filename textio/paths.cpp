#include "textio/paths.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace textio {

namespace fs = std::filesystem;

std::string file_identity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    // Not there yet: follow a dangling link to where a write would create
    // the file, then make the name absolute with its existing folders'
    // links resolved.
    std::error_code ec;
    fs::path p(path);
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(fs::absolute(p, ec), ec);
    return "path " + (ec ? fs::absolute(p).lexically_normal().string() : resolved.string());
}

bool special_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

std::optional<std::pair<NamedFile, NamedFile>> first_clash(std::span<const NamedFile> files) {
    std::vector<std::string> ids;
    ids.reserve(files.size());
    for (const NamedFile& f : files) ids.push_back(special_file(f.path) ? std::string() : file_identity(f.path));
    for (std::size_t j = 0; j < files.size(); ++j) {
        for (std::size_t i = 0; i < j; ++i) {
            if (ids[i].empty() || ids[i] != ids[j] || (files[i].input && files[j].input)) continue;
            return std::pair{files[i], files[j]};
        }
    }
    return std::nullopt;
}

}  // namespace textio
