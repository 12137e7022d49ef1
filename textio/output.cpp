#include "textio/output.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "textio/error.hpp"

namespace textio {
namespace {
// A write carries about half a megabyte: few system calls for a long table.
constexpr std::size_t kBufferLimit = std::size_t{1} << 19;

// The regular files open for writing, by device and inode, so that no
// second unit truncates one of them.
std::mutex open_files_mutex;
std::vector<std::pair<dev_t, ino_t>>& open_files() {
    static std::vector<std::pair<dev_t, ino_t>> files;
    return files;
}
bool is_open_for_writing(const struct stat& st) {
    std::lock_guard lock(open_files_mutex);
    const auto& files = open_files();
    return std::find(files.begin(), files.end(), std::pair{st.st_dev, st.st_ino}) != files.end();
}

bool is_regular_file(int fd) {
    struct stat st {};
    return fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Holds back the signals that end the program while a buffer goes into a
// file: the kernel may stop a large write short when such a signal arrives,
// which would leave a torn last line.  The signal takes effect as soon as
// the write is complete.
class DeferStopSignals {
public:
    explicit DeferStopSignals(bool active) : active_(active) {
        if (!active_) return;
        sigset_t stop;
        sigemptyset(&stop);
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stop, sig);
        sigprocmask(SIG_BLOCK, &stop, &saved_);
    }
    ~DeferStopSignals() {
        if (active_) sigprocmask(SIG_SETMASK, &saved_, nullptr);
    }
    DeferStopSignals(const DeferStopSignals&) = delete;
    DeferStopSignals& operator=(const DeferStopSignals&) = delete;

private:
    bool active_;
    sigset_t saved_{};
};
}  // namespace

bool reserve_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && ::open("/dev/null", O_RDONLY) != fd) return false;
    }
    return true;
}

std::string_view trim_name(std::string_view typed) {
    std::size_t end = typed.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : typed.substr(0, end + 1);
}

OutputUnit::OutputUnit(int unit, std::string name, int fd, bool owns_fd)
    : unit_(unit), name_(std::move(name)), fd_(fd), owns_fd_(owns_fd), regular_file_(is_regular_file(fd)) {
    buf_.resize(kBufferLimit + 4096);
    enlist();
}

void OutputUnit::enlist() {
    struct stat st {};
    if (!regular_file_ || ::fstat(fd_, &st) != 0) return;
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    std::lock_guard lock(open_files_mutex);
    open_files().emplace_back(dev_, ino_);
}

void OutputUnit::delist() {
    if (!regular_file_ || (dev_ == 0 && ino_ == 0)) return;
    std::lock_guard lock(open_files_mutex);
    auto& files = open_files();
    const auto it = std::find(files.begin(), files.end(), std::pair{dev_, ino_});
    if (it != files.end()) files.erase(it);
    dev_ = 0;
    ino_ = 0;
}

OutputUnit OutputUnit::create(int unit, std::string_view typed) {
    std::string name(trim_name(typed));
    if (name.empty() || name.find('\0') != std::string::npos) throw IoError(kFileNameError, unit, name);
    struct stat existing {};
    if (::stat(name.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) && is_open_for_writing(existing)) {
        throw IoError(kOpenFailure, unit, name, EBUSY);
    }
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        int err = errno;
        bool denied = err == EACCES || err == EPERM || err == EROFS || err == ETXTBSY;
        bool bad_name = err == ENAMETOOLONG || err == EILSEQ;
        throw IoError(denied ? kPermissionDenied : bad_name ? kFileNameError : kOpenFailure, unit, name, err);
    }
    return OutputUnit(unit, std::move(name), fd, true);
}

OutputUnit::OutputUnit(OutputUnit&& other) noexcept
    : unit_(other.unit_),
      name_(std::move(other.name_)),
      fd_(other.fd_),
      owns_fd_(other.owns_fd_),
      line_open_(other.line_open_),
      regular_file_(other.regular_file_),
      dev_(other.dev_),
      ino_(other.ino_),
      buf_(std::move(other.buf_)),
      used_(other.used_) {
    other.used_ = 0;
    other.fd_ = -1;
    other.owns_fd_ = false;
    other.dev_ = 0;
    other.ino_ = 0;  // the entry in the list of open files passes to this unit
}

OutputUnit::~OutputUnit() {
    try {
        close();
    } catch (const IoError&) {
        // The run is already ending on an error; what could be written is.
    }
}

void OutputUnit::end_open_line() {
    if (line_open_) {
        put("\n");
        line_open_ = false;
    }
}

void OutputUnit::record(std::string_view text) {
    end_open_line();
    room(text.size() + 1);
    if (!text.empty()) std::memcpy(buf_.data() + used_, text.data(), text.size());
    used_ += text.size();
    buf_[used_++] = '\n';
    if (used_ >= kBufferLimit) flush();
}

void OutputUnit::records(std::string_view text) {
    end_open_line();
    if (used_ + text.size() <= kBufferLimit) {
        put(text);
        if (used_ >= kBufferLimit) flush();
        return;
    }
    flush();
    if (fd_ >= 0) write_all(text.data(), text.size());
}

void OutputUnit::prompt(std::string_view text) {
    end_open_line();
    put(text);
    line_open_ = true;
}

void OutputUnit::write_all(const char* p, std::size_t n) {
    DeferStopSignals defer(regular_file_);
    while (n > 0) {
        ssize_t k = ::write(fd_, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            throw IoError(kWriteError, unit_, name_, errno);
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
}

void OutputUnit::flush() {
    if (fd_ < 0 || used_ == 0) return;
    try {
        write_all(buf_.data(), used_);
    } catch (...) {
        used_ = 0;  // never written twice
        throw;
    }
    used_ = 0;
}

void OutputUnit::room(std::size_t n) {
    if (used_ + n > buf_.size()) buf_.resize(2 * (used_ + n));  // a record longer than the buffer
}

void OutputUnit::put(std::string_view text) {
    room(text.size());
    if (!text.empty()) std::memcpy(buf_.data() + used_, text.data(), text.size());
    used_ += text.size();
}

void OutputUnit::close() {
    if (fd_ < 0) return;
    end_open_line();
    int fd = fd_;
    delist();
    try {
        flush();
    } catch (...) {
        if (owns_fd_) ::close(fd);
        fd_ = -1;
        throw;
    }
    fd_ = -1;
    if (owns_fd_ && ::close(fd) != 0 && errno != EINTR) throw IoError(kWriteError, unit_, name_, errno);
}

void write_text_file(const std::string& name, std::string text) {
    OutputUnit file = OutputUnit::create(1, name);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    file.record(text);
    file.close();
}

}  // namespace textio
