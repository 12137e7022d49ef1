// Output units: prompts and records, buffering, and the open and write
// diagnostics.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "textio/error.hpp"
#include "textio/output.hpp"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

struct TempDir {
    TempDir() {
        char tmpl[] = "/tmp/refldsgn-out-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

template <typename F>
int error_of(F&& f, std::string* message = nullptr) {
    try {
        f();
    } catch (const textio::IoError& e) {
        if (message) *message = e.what();
        return e.number();
    }
    return 0;
}

TEST(OutputUnit, PromptsLeaveTheLineOpenUntilTheNextRecord) {
    TempDir dir;
    fs::path p = dir.path / "out.txt";
    {
        auto u = textio::OutputUnit::create(66, p.string());
        u.record(" first");
        u.prompt(" Enter case ");
        u.prompt(" Enter type ");
        u.empty();
        u.record(textio::Record().lit(" x").F(1.5f, 9, 4));
        u.prompt(" last ");
    }  // closing ends the open prompt line
    EXPECT_EQ(slurp(p), " first\n Enter case \n Enter type \n\n x   1.5000\n last \n");
}

TEST(OutputUnit, AnAnswerEchoedByATerminalEndsThePromptLine) {
    TempDir dir;
    fs::path p = dir.path / "out.txt";
    {
        auto u = textio::OutputUnit::create(6, p.string());
        u.prompt(" Enter case ");
        u.line_ended();  // the terminal showed the answer and its line end
        u.record(" next");
        u.prompt(" last ");
    }
    EXPECT_EQ(slurp(p), " Enter case  next\n last \n");
}

TEST(OutputUnit, ANameIsItsTypedTextWithoutTrailingBlanks) {
    TempDir dir;
    std::string typed = (dir.path / "name with blank").string() + "     ";
    {
        auto u = textio::OutputUnit::create(66, typed);
        u.record("x");
        EXPECT_EQ(u.name(), (dir.path / "name with blank").string());
    }
    EXPECT_EQ(slurp(dir.path / "name with blank"), "x\n");
}

TEST(OutputUnit, AnExistingFileIsRewrittenFromItsStart) {
    TempDir dir;
    fs::path p = dir.path / "old.txt";
    std::ofstream(p) << "a much longer earlier content\nline two\n";
    {
        auto u = textio::OutputUnit::create(66, p.string());
        u.record("new");
    }
    EXPECT_EQ(slurp(p), "new\n");
}

TEST(OutputUnit, OpenFailuresNameUnitAndFile) {
    TempDir dir;
    std::string msg;
    EXPECT_EQ(error_of([&] { textio::OutputUnit::create(66, std::string(70, ' ')); }, &msg), 43);
    EXPECT_EQ(msg, "file name specification error, unit 66, file ");
    std::string missing = (dir.path / "nodir" / "r.txt").string();
    EXPECT_EQ(error_of([&] { textio::OutputUnit::create(66, missing); }, &msg), 30);
    EXPECT_EQ(msg, "open failure, unit 66, file " + missing);
    EXPECT_EQ(error_of([&] { textio::OutputUnit::create(40, dir.path.string()); }, &msg), 30);
    EXPECT_EQ(msg, "open failure, unit 40, file " + dir.path.string());
    EXPECT_EQ(error_of([&] { textio::OutputUnit::create(25, std::string("a\0b", 3)); }), 43);
    // A read-only kernel attribute: not writable even by the superuser.
    const std::string ro = "/sys/kernel/uevent_seqnum";
    if (fs::exists(ro)) {
        EXPECT_EQ(error_of([&] { textio::OutputUnit::create(66, ro); }, &msg), 9);
        EXPECT_EQ(msg, "permission to access file denied, unit 66, file " + ro);
    }
}

TEST(OutputUnit, AFailingWriteIsDiagnostic38AndIsNotRetried) {
    auto u = textio::OutputUnit::create(66, "/dev/full");
    u.record("banner");
    std::string msg;
    EXPECT_EQ(error_of([&] { u.flush(); }, &msg), 38);
    EXPECT_EQ(msg, "error during write, unit 66, file /dev/full");
    EXPECT_EQ(error_of([&] { u.close(); }), 0);  // nothing left to write
}

TEST(OutputUnit, BuffersWholeRecordsOnly) {
    // Every write the unit makes ends with a line end, so a run stopped
    // at any moment leaves whole lines behind.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    ASSERT_GE(fcntl(fds[1], F_SETPIPE_SZ, 1 << 20), 1 << 20);  // room for one whole buffer
    textio::OutputUnit u(6, "pipe", fds[1], true);
    std::string line(99, 'r');
    std::string seen;
    for (int i = 0; i < 20000; ++i) {
        u.record(line);
        char buf[1 << 16];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0) seen.append(buf, static_cast<std::size_t>(n));
        if (!seen.empty()) {
            EXPECT_EQ(seen.back(), '\n');
        }
    }
    EXPECT_FALSE(seen.empty());           // it did write before the end ...
    EXPECT_LT(seen.size(), 20000u * 100);  // ... but not every record at once
    u.close();
    close(fds[0]);
}

}  // namespace
