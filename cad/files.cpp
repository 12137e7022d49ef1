#include "cad/files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>

#include "study/formats.hpp"
#include "textio/charconv.hpp"
#include "textio/error.hpp"

namespace cad {

WholeFile::WholeFile(std::string path) : path_(std::move(path)) {
    // A link is followed: the file it names is the one replaced.
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* target = ::realpath(path_.c_str(), nullptr)) {
            target_ = target;
            std::free(target);
        }
    }
    if (target_.empty()) target_ = path_;
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device, a pipe or a terminal: written in place.
        temporary_ = target_;
        stream_ = std::fopen(target_.c_str(), "wb");
        if (stream_ == nullptr) fail(errno);
        return;
    }
    // The temporary file: a short hidden name in the same directory.
    const std::size_t slash = target_.rfind('/');
    std::string templ = (slash == std::string::npos ? std::string() : target_.substr(0, slash + 1)) + ".refldsgn.XXXXXX";
    const int fd = ::mkstemp(templ.data());
    if (fd < 0) fail(errno);
    temporary_ = templ;
    renamed_ = true;
    // The mode of the file it replaces, or 0666 less the umask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, exists ? (st.st_mode & 07777) : (0666 & ~mask));
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        const int os = errno;
        ::close(fd);
        fail(os);
    }
}

WholeFile::~WholeFile() {
    if (done_) return;
    if (stream_ != nullptr) std::fclose(stream_);
    if (renamed_) ::unlink(temporary_.c_str());
}

void WholeFile::fail(int os_error) {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (renamed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
    done_ = true;
    throw textio::IoError(textio::kWriteError, 0, path_, os_error);
}

void WholeFile::write(const void* data, std::size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, stream_) != size) fail(errno);
}

void WholeFile::release_stream() {
    if (stream_ != nullptr && std::fclose(stream_) != 0) {
        stream_ = nullptr;
        fail(errno);
    }
    stream_ = nullptr;
}

void WholeFile::commit() {
    if (stream_ != nullptr) {
        const bool flushed = std::fflush(stream_) == 0;
        const int os = errno;
        const bool closed = std::fclose(stream_) == 0;
        stream_ = nullptr;
        if (!flushed || !closed) fail(flushed ? errno : os);
    }
    if (renamed_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) fail(errno);
    done_ = true;
}

namespace {

// A DXF writer: group codes and values, one a line.
class Dxf {
public:
    std::string text;
    void put(int code, std::string_view value) {
        text += std::to_string(code);
        text += '\n';
        text += value;
        text += '\n';
    }
    void put(int code, int value) { put(code, std::to_string(value)); }
    // Fixed groups, written as they stand.
    void put(std::initializer_list<std::pair<int, std::string_view>> groups) {
        for (const auto& [code, value] : groups) put(code, value);
    }
    void number(int code, double v) {  // the shortest text that reads back as v
        char buf[32];
        put(code, std::string_view(buf, static_cast<std::size_t>(textio::shortest_chars(buf, buf + sizeof buf, v) - buf)));
    }
    void sample(int code, double v) {  // a float sample, as the profile file writes it
        std::string s;
        study::append_shortest(s, static_cast<float>(v));
        put(code, s);
    }
    // Entity handles in hexadecimal, after those the tables and blocks take.
    std::string handle() { return hex(++last_); }
    std::string next_handle() const { return hex(last_ + 1); }

private:
    static std::string hex(unsigned v) {
        char buf[16];
        std::string h(buf, std::to_chars(buf, buf + sizeof buf, v, 16).ptr);
        for (char& c : h) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return h;
    }
    unsigned last_ = 0x30;
};

// $INSUNITS of each length unit of the study (in, ft, mm, cm, m).
constexpr int kInsUnits[] = {1, 2, 4, 5, 6};

void r12(Dxf& d, const Model& m) {
    d.put({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1009"}, {0, "ENDSEC"},
           {0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LTYPE"}, {70, "1"}, {0, "LTYPE"}, {2, "CONTINUOUS"},
           {70, "0"}, {3, "Solid line"}, {72, "65"}, {73, "0"}, {40, "0"}, {0, "ENDTAB"},
           {0, "TABLE"}, {2, "LAYER"}});
    d.put(70, static_cast<int>(m.reflectors.size()) + 1);
    std::vector<const char*> layers{"0"};
    for (const Reflector& r : m.reflectors) layers.push_back(r.layer);
    for (const char* layer : layers) d.put({{0, "LAYER"}, {2, layer}, {70, "0"}, {62, "7"}, {6, "CONTINUOUS"}});
    d.put({{0, "ENDTAB"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "BLOCKS"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}});
    for (const Reflector& r : m.reflectors) {
        d.put({{0, "POLYLINE"}, {8, r.layer}, {66, "1"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "0"}});
        for (const Point2& p : r.samples) {
            d.put({{0, "VERTEX"}, {8, r.layer}});
            d.sample(10, p.x);
            d.sample(20, p.z);
            d.put(30, "0");
        }
        d.put({{0, "SEQEND"}, {8, r.layer}});
    }
    d.put({{0, "ENDSEC"}, {0, "EOF"}});
}

// The handles of the tables, blocks and objects, fixed where entries point
// at each other; entities take theirs from 0x31 on.
constexpr const char* kModelRecord = "1F";
constexpr const char* kPaperRecord = "1E";

void r2000(Dxf& d, const Model& m) {
    Dxf b;  // tables, blocks, entities and objects; the header needs the last handle
    auto table = [&](std::string_view name, std::string_view handle, int count) {
        b.put({{0, "TABLE"}, {2, name}, {5, handle}, {330, "0"}, {100, "AcDbSymbolTable"}});
        b.put(70, count);
        if (name == "DIMSTYLE") b.put(100, "AcDbDimStyleTable");
    };
    auto record = [&](std::string_view type, std::string_view handle, std::string_view owner, std::string_view subclass,
                      std::string_view name) {
        b.put({{0, type}, {type == "DIMSTYLE" ? 105 : 5, handle}, {330, owner}, {100, "AcDbSymbolTableRecord"},
               {100, subclass}, {2, name}, {70, "0"}});
    };
    b.put({{0, "SECTION"}, {2, "TABLES"}});
    table("VPORT", "8", 1);
    record("VPORT", "29", "8", "AcDbViewportTableRecord", "*ACTIVE");
    b.put({{10, "0"}, {20, "0"}, {11, "1"}, {21, "1"}});
    b.number(12, 0.5 * (m.reflectors[0].samples.front().x + m.reflectors[0].samples.back().x));
    b.number(22, m.DM / 4);
    b.number(40, m.DM);
    b.put({{41, "1.5"}, {0, "ENDTAB"}});
    table("LTYPE", "5", 3);
    for (const auto& [h, name, text] : {std::tuple{"14", "ByBlock", ""}, std::tuple{"15", "ByLayer", ""},
                                        std::tuple{"16", "Continuous", "Solid line"}}) {
        record("LTYPE", h, "5", "AcDbLinetypeTableRecord", name);
        b.put({{3, text}, {72, "65"}, {73, "0"}, {40, "0"}});
    }
    b.put(0, "ENDTAB");
    table("LAYER", "2", static_cast<int>(m.reflectors.size()) + 1);
    std::vector<std::tuple<const char*, const char*, const char*>> layers{{"10", "0", "7"}};
    constexpr const char* kHandles[] = {"11", "12"}, *kColours[] = {"5", "1"};
    for (std::size_t k = 0; k < m.reflectors.size(); ++k) layers.emplace_back(kHandles[k], m.reflectors[k].layer, kColours[k]);
    for (const auto& [h, name, colour] : layers) {
        record("LAYER", h, "2", "AcDbLayerTableRecord", name);
        b.put({{62, colour}, {6, "Continuous"}, {370, "-3"}, {390, "F"}});
    }
    b.put(0, "ENDTAB");
    table("STYLE", "3", 1);
    record("STYLE", "2A", "3", "AcDbTextStyleTableRecord", "Standard");
    b.put({{40, "0"}, {41, "1"}, {50, "0"}, {71, "0"}, {42, "2.5"}, {3, "txt"}, {4, ""}, {0, "ENDTAB"}});
    table("VIEW", "6", 0);
    b.put(0, "ENDTAB");
    table("UCS", "7", 0);
    b.put(0, "ENDTAB");
    table("APPID", "9", 1);
    record("APPID", "1A", "9", "AcDbRegAppTableRecord", "ACAD");
    b.put(0, "ENDTAB");
    table("DIMSTYLE", "A", 1);
    record("DIMSTYLE", "27", "A", "AcDbDimStyleTableRecord", "Standard");
    b.put(0, "ENDTAB");
    table("BLOCK_RECORD", "1", 2);
    for (const auto& [h, name, layout] : {std::tuple{kModelRecord, "*Model_Space", "22"},
                                          std::tuple{kPaperRecord, "*Paper_Space", "1D"}})
        b.put({{0, "BLOCK_RECORD"}, {5, h}, {330, "1"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
               {2, name}, {340, layout}});
    b.put({{0, "ENDTAB"}, {0, "ENDSEC"}});

    b.put({{0, "SECTION"}, {2, "BLOCKS"}});
    for (const auto& [record_handle, begin, end, name] :
         {std::tuple{kModelRecord, "20", "21", "*Model_Space"}, std::tuple{kPaperRecord, "1B", "1C", "*Paper_Space"}}) {
        const bool paper = name[1] == 'P';
        b.put({{0, "BLOCK"}, {5, begin}, {330, record_handle}, {100, "AcDbEntity"}});
        if (paper) b.put(67, 1);
        b.put({{8, "0"}, {100, "AcDbBlockBegin"}, {2, name}, {70, "0"}, {10, "0"}, {20, "0"}, {30, "0"}, {3, name},
               {1, ""}, {0, "ENDBLK"}, {5, end}, {330, record_handle}, {100, "AcDbEntity"}});
        if (paper) b.put(67, 1);
        b.put({{8, "0"}, {100, "AcDbBlockEnd"}});
    }
    b.put({{0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}});
    for (const Reflector& r : m.reflectors) {
        const std::vector<Arc> pieces = arcs(r.conic, r.s0, r.s1);
        const int n = static_cast<int>(pieces.size());
        b.put({{0, "SPLINE"}, {5, b.handle()}, {330, kModelRecord}, {100, "AcDbEntity"}, {8, r.layer},
               {100, "AcDbSpline"}, {210, "0"}, {220, "0"}, {230, "1"}, {70, "12"} /* rational, planar */, {71, "2"}});
        b.put(72, 2 * n + 4);
        b.put(73, 2 * n + 1);
        b.put({{74, "0"}, {42, "1e-10"}, {43, "1e-10"}});
        // Bézier pieces joined end to end: knots 0 0 0 1 1 2 2 ... n n n.
        for (int k = 0; k <= n; ++k)
            for (int j = 0; j < (k == 0 || k == n ? 3 : 2); ++j) b.put(40, k);
        b.put(41, "1");
        for (const Arc& a : pieces) {
            b.number(41, a.w);
            b.put(41, "1");
        }
        for (const Arc& a : pieces) {
            for (const Point2* p : {&a.p0, &a.p1, &a.p2}) {
                if (&a != &pieces.front() && p == &a.p0) continue;  // the end of the piece before
                b.number(10, p->x);
                b.number(20, p->z);
                b.put(30, "0");
            }
        }
        b.put({{0, "LWPOLYLINE"}, {5, b.handle()}, {330, kModelRecord}, {100, "AcDbEntity"}, {8, r.layer},
               {100, "AcDbPolyline"}});
        b.put(90, static_cast<int>(r.samples.size()));
        b.put({{70, "0"}, {43, "0"}});
        for (const Point2& p : r.samples) {
            b.sample(10, p.x);
            b.sample(20, p.z);
        }
    }
    b.put({{0, "ENDSEC"}, {0, "SECTION"}, {2, "OBJECTS"}});

    // The objects: the root dictionary, groups and the two layouts.
    auto dictionary = [&](std::string_view handle, std::string_view owner,
                          std::initializer_list<std::pair<const char*, const char*>> entries) {
        b.put({{0, "DICTIONARY"}, {5, handle}, {330, owner}, {100, "AcDbDictionary"}, {281, "1"}});
        for (const auto& [name, h] : entries) b.put({{3, name}, {350, h}});
    };
    dictionary("C", "0", {{"ACAD_GROUP", "D"}, {"ACAD_LAYOUT", "2B"}});
    dictionary("D", "C", {});
    dictionary("2B", "C", {{"Layout1", "1D"}, {"Model", "22"}});
    for (const auto& [h, name, record_handle, order] :
         {std::tuple{"1D", "Layout1", kPaperRecord, "1"}, std::tuple{"22", "Model", kModelRecord, "0"}}) {
        b.put({{0, "LAYOUT"}, {5, h}, {330, "2B"}, {100, "AcDbPlotSettings"}, {1, ""}, {4, ""}, {6, ""}, {40, "0"},
               {41, "0"}, {42, "0"}, {43, "0"}, {44, "0"}, {45, "0"}, {46, "0"}, {47, "0"}, {48, "0"}, {49, "0"},
               {140, "0"}, {141, "0"}, {142, "1"}, {143, "1"}, {70, "688"}, {72, "0"}, {73, "0"}, {74, "5"}, {7, ""},
               {75, "16"}, {147, "1"}, {148, "0"}, {149, "0"}, {100, "AcDbLayout"}, {1, name}, {70, "1"},
               {71, order}, {10, "0"}, {20, "0"}, {11, "12"}, {21, "9"}, {12, "0"}, {22, "0"}, {32, "0"}, {14, "0"},
               {24, "0"}, {34, "0"}, {15, "0"}, {25, "0"}, {35, "0"}, {146, "0"}, {13, "0"}, {23, "0"}, {33, "0"},
               {16, "1"}, {26, "0"}, {36, "0"}, {17, "0"}, {27, "1"}, {37, "0"}, {76, "0"}, {330, record_handle}});
    }
    b.put({{0, "ENDSEC"}, {0, "EOF"}});

    d.put({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {9, "$HANDSEED"}});
    d.put(5, b.next_handle());
    d.put(9, "$INSUNITS");
    d.put(70, m.unit < 0 ? 0 : kInsUnits[m.unit]);
    d.put(9, "$MEASUREMENT");
    d.put(70, m.unit >= 2 ? 1 : 0);  // metric for mm, cm and m
    d.put({{0, "ENDSEC"}, {0, "SECTION"}, {2, "CLASSES"}, {0, "ENDSEC"}});
    d.text += b.text;
}

}  // namespace

std::string dxf_text(const Model& m, bool r12_format) {
    Dxf d;
    if (r12_format)
        r12(d, m);
    else
        r2000(d, m);
    return d.text;
}

void write_cad_files(const CadOptions& o, const Model& m) {
    if (!o.dxf.empty()) {
        WholeFile f(o.dxf);
        f.write(dxf_text(m, o.dxf_r12));
        f.commit();
    }
    if (!o.stl.empty()) write_stl(m, o.stl);
    if (!o.step.empty()) write_step(m, o.step);
}

}  // namespace cad
