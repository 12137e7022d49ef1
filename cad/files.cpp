#include "cad/files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>

#include "study/formats.hpp"
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
    void number(int code, double v) {  // the shortest text that reads back as v
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        put(code, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
    }
    void sample(int code, double v) {  // a float sample, as the profile file writes it
        std::string s;
        study::append_shortest(s, static_cast<float>(v));
        put(code, s);
    }
    // Handles, in hexadecimal, from 1 up.
    std::string handle() {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, ++last_, 16);
        std::string h(buf, r.ptr);
        for (char& c : h) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return h;
    }
    std::string next_handle() const {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, last_ + 1, 16);
        return std::string(buf, r.ptr);
    }
    void section(std::string_view name) {
        put(0, "SECTION");
        put(2, name);
    }
    void end_section() { put(0, "ENDSEC"); }

private:
    unsigned last_ = 0;
};

// $INSUNITS of each length unit of the study (in, ft, mm, m).
constexpr int kInsUnits[] = {1, 2, 4, 6};

void r12(Dxf& d, const Model& m) {
    d.section("HEADER");
    d.put(9, "$ACADVER");
    d.put(1, "AC1009");
    d.end_section();
    d.section("TABLES");
    d.put(0, "TABLE");
    d.put(2, "LTYPE");
    d.put(70, 1);
    d.put(0, "LTYPE");
    d.put(2, "CONTINUOUS");
    d.put(70, 0);
    d.put(3, "Solid line");
    d.put(72, 65);
    d.put(73, 0);
    d.number(40, 0);
    d.put(0, "ENDTAB");
    d.put(0, "TABLE");
    d.put(2, "LAYER");
    d.put(70, 3);
    for (const char* layer : {"0", m.reflectors[0].layer, m.reflectors[1].layer}) {
        d.put(0, "LAYER");
        d.put(2, layer);
        d.put(70, 0);
        d.put(62, 7);
        d.put(6, "CONTINUOUS");
    }
    d.put(0, "ENDTAB");
    d.end_section();
    d.section("BLOCKS");
    d.end_section();
    d.section("ENTITIES");
    for (const Reflector& r : m.reflectors) {
        d.put(0, "POLYLINE");
        d.put(8, r.layer);
        d.put(66, 1);
        d.number(10, 0);
        d.number(20, 0);
        d.number(30, 0);
        d.put(70, 0);
        for (const Point2& p : r.samples) {
            d.put(0, "VERTEX");
            d.put(8, r.layer);
            d.sample(10, p.x);
            d.sample(20, p.z);
            d.number(30, 0);
        }
        d.put(0, "SEQEND");
        d.put(8, r.layer);
    }
    d.end_section();
    d.put(0, "EOF");
}

void r2000(Dxf& d, const Model& m) {
    // Handles are fixed first where entries point at each other.
    const std::string model_record = "1F", paper_record = "1E";
    Dxf b;  // tables, blocks, entities and objects; the header needs the last handle
    for (int i = 0; i < 0x30; ++i) b.handle();  // 1..30 for the tables and blocks below
    auto table = [&](const char* name, const char* handle, int count, bool dimstyle = false) {
        b.put(0, "TABLE");
        b.put(2, name);
        b.put(5, handle);
        b.put(330, "0");
        b.put(100, "AcDbSymbolTable");
        b.put(70, count);
        if (dimstyle) b.put(100, "AcDbDimStyleTable");
    };
    auto record = [&](const char* type, const char* handle, const char* owner, const char* subclass, const char* name) {
        b.put(0, type);
        b.put(std::string_view(type) == "DIMSTYLE" ? 105 : 5, handle);
        b.put(330, owner);
        b.put(100, "AcDbSymbolTableRecord");
        b.put(100, subclass);
        b.put(2, name);
        b.put(70, 0);
    };
    b.section("TABLES");
    table("VPORT", "8", 1);
    record("VPORT", "29", "8", "AcDbViewportTableRecord", "*ACTIVE");
    const double cx = 0.5 * (m.reflectors[0].samples.front().x + m.reflectors[0].samples.back().x);
    b.number(10, 0);
    b.number(20, 0);
    b.number(11, 1);
    b.number(21, 1);
    b.number(12, cx);
    b.number(22, m.DM / 4);
    b.number(40, m.DM);
    b.number(41, 1.5);
    b.put(0, "ENDTAB");
    table("LTYPE", "5", 3);
    for (const auto& [h, name, text] : {std::tuple{"14", "ByBlock", ""}, std::tuple{"15", "ByLayer", ""},
                                        std::tuple{"16", "Continuous", "Solid line"}}) {
        record("LTYPE", h, "5", "AcDbLinetypeTableRecord", name);
        b.put(3, text);
        b.put(72, 65);
        b.put(73, 0);
        b.number(40, 0);
    }
    b.put(0, "ENDTAB");
    table("LAYER", "2", 3);
    for (const auto& [h, name, colour] : {std::tuple{"10", "0", 7}, std::tuple{"11", m.reflectors[0].layer, 5},
                                          std::tuple{"12", m.reflectors[1].layer, 1}}) {
        record("LAYER", h, "2", "AcDbLayerTableRecord", name);
        b.put(62, colour);
        b.put(6, "Continuous");
        b.put(370, -3);
        b.put(390, "F");
    }
    b.put(0, "ENDTAB");
    table("STYLE", "3", 1);
    record("STYLE", "2A", "3", "AcDbTextStyleTableRecord", "Standard");
    b.number(40, 0);
    b.number(41, 1);
    b.number(50, 0);
    b.put(71, 0);
    b.number(42, 2.5);
    b.put(3, "txt");
    b.put(4, "");
    b.put(0, "ENDTAB");
    table("VIEW", "6", 0);
    b.put(0, "ENDTAB");
    table("UCS", "7", 0);
    b.put(0, "ENDTAB");
    table("APPID", "9", 1);
    record("APPID", "1A", "9", "AcDbRegAppTableRecord", "ACAD");
    b.put(0, "ENDTAB");
    table("DIMSTYLE", "A", 1, true);
    record("DIMSTYLE", "27", "A", "AcDbDimStyleTableRecord", "Standard");
    b.put(0, "ENDTAB");
    table("BLOCK_RECORD", "1", 2);
    for (const auto& [h, name, layout] : {std::tuple{model_record.c_str(), "*Model_Space", "22"},
                                          std::tuple{paper_record.c_str(), "*Paper_Space", "1D"}}) {
        b.put(0, "BLOCK_RECORD");
        b.put(5, h);
        b.put(330, "1");
        b.put(100, "AcDbSymbolTableRecord");
        b.put(100, "AcDbBlockTableRecord");
        b.put(2, name);
        b.put(340, layout);
    }
    b.put(0, "ENDTAB");
    b.end_section();

    b.section("BLOCKS");
    for (const auto& [record_handle, begin, end, name] :
         {std::tuple{model_record.c_str(), "20", "21", "*Model_Space"}, std::tuple{paper_record.c_str(), "1B", "1C", "*Paper_Space"}}) {
        b.put(0, "BLOCK");
        b.put(5, begin);
        b.put(330, record_handle);
        b.put(100, "AcDbEntity");
        if (name[1] == 'P') b.put(67, 1);
        b.put(8, "0");
        b.put(100, "AcDbBlockBegin");
        b.put(2, name);
        b.put(70, 0);
        b.number(10, 0);
        b.number(20, 0);
        b.number(30, 0);
        b.put(3, name);
        b.put(1, "");
        b.put(0, "ENDBLK");
        b.put(5, end);
        b.put(330, record_handle);
        b.put(100, "AcDbEntity");
        if (name[1] == 'P') b.put(67, 1);
        b.put(8, "0");
        b.put(100, "AcDbBlockEnd");
    }
    b.end_section();

    b.section("ENTITIES");
    for (const Reflector& r : m.reflectors) {
        const std::vector<Arc> pieces = arcs(r.conic, r.s0, r.s1);
        const int n = static_cast<int>(pieces.size());
        b.put(0, "SPLINE");
        b.put(5, b.handle());
        b.put(330, model_record);
        b.put(100, "AcDbEntity");
        b.put(8, r.layer);
        b.put(100, "AcDbSpline");
        b.number(210, 0);
        b.number(220, 0);
        b.number(230, 1);
        b.put(70, 8 + 4);  // rational, planar
        b.put(71, 2);
        b.put(72, 2 * n + 4);
        b.put(73, 2 * n + 1);
        b.put(74, 0);
        b.number(42, 1e-10);
        b.number(43, 1e-10);
        // Bézier pieces joined end to end: knots 0 0 0 1 1 2 2 ... n n n.
        for (int k = 0; k <= n; ++k)
            for (int j = 0; j < (k == 0 || k == n ? 3 : 2); ++j) b.number(40, k);
        for (int k = 0; k < n; ++k) {
            if (k == 0) b.number(41, 1);
            b.number(41, pieces[static_cast<std::size_t>(k)].w);
            b.number(41, 1);
        }
        for (int k = 0; k < n; ++k) {
            const Arc& a = pieces[static_cast<std::size_t>(k)];
            for (const Point2* p : {&a.p0, &a.p1, &a.p2}) {
                if (k > 0 && p == &a.p0) continue;
                b.number(10, p->x);
                b.number(20, p->z);
                b.number(30, 0);
            }
        }
        b.put(0, "LWPOLYLINE");
        b.put(5, b.handle());
        b.put(330, model_record);
        b.put(100, "AcDbEntity");
        b.put(8, r.layer);
        b.put(100, "AcDbPolyline");
        b.put(90, static_cast<int>(r.samples.size()));
        b.put(70, 0);
        b.number(43, 0);
        for (const Point2& p : r.samples) {
            b.sample(10, p.x);
            b.sample(20, p.z);
        }
    }
    b.end_section();

    // The objects: the root dictionary, groups and the two layouts.
    b.section("OBJECTS");
    auto dictionary = [&](const char* handle, const char* owner,
                          std::initializer_list<std::pair<const char*, const char*>> entries) {
        b.put(0, "DICTIONARY");
        b.put(5, handle);
        b.put(330, owner);
        b.put(100, "AcDbDictionary");
        b.put(281, 1);
        for (const auto& [name, h] : entries) {
            b.put(3, name);
            b.put(350, h);
        }
    };
    dictionary("C", "0", {{"ACAD_GROUP", "D"}, {"ACAD_LAYOUT", "2B"}});
    dictionary("D", "C", {});
    dictionary("2B", "C", {{"Layout1", "1D"}, {"Model", "22"}});
    for (const auto& [h, name, record_handle, order] :
         {std::tuple{"1D", "Layout1", paper_record.c_str(), 1}, std::tuple{"22", "Model", model_record.c_str(), 0}}) {
        b.put(0, "LAYOUT");
        b.put(5, h);
        b.put(330, "2B");
        b.put(100, "AcDbPlotSettings");
        b.put(1, "");
        b.put(4, "");
        b.put(6, "");
        b.number(40, 0);
        b.number(41, 0);
        b.number(42, 0);
        b.number(43, 0);
        b.number(44, 0);
        b.number(45, 0);
        b.number(46, 0);
        b.number(47, 0);
        b.number(48, 0);
        b.number(49, 0);
        b.number(140, 0);
        b.number(141, 0);
        b.number(142, 1);
        b.number(143, 1);
        b.put(70, 688);
        b.put(72, 0);
        b.put(73, 0);
        b.put(74, 5);
        b.put(7, "");
        b.put(75, 16);
        b.number(147, 1);
        b.number(148, 0);
        b.number(149, 0);
        b.put(100, "AcDbLayout");
        b.put(1, name);
        b.put(70, 1);
        b.put(71, order);
        b.number(10, 0);
        b.number(20, 0);
        b.number(11, 12);
        b.number(21, 9);
        b.number(12, 0);
        b.number(22, 0);
        b.number(32, 0);
        b.number(14, 0);
        b.number(24, 0);
        b.number(34, 0);
        b.number(15, 0);
        b.number(25, 0);
        b.number(35, 0);
        b.number(146, 0);
        b.number(13, 0);
        b.number(23, 0);
        b.number(33, 0);
        b.number(16, 1);
        b.number(26, 0);
        b.number(36, 0);
        b.number(17, 0);
        b.number(27, 1);
        b.number(37, 0);
        b.put(76, 0);
        b.put(330, record_handle);
    }
    b.end_section();
    b.put(0, "EOF");

    d.section("HEADER");
    d.put(9, "$ACADVER");
    d.put(1, "AC1015");
    d.put(9, "$HANDSEED");
    d.put(5, b.next_handle());
    d.put(9, "$INSUNITS");
    d.put(70, m.unit < 0 ? 0 : kInsUnits[m.unit]);
    d.put(9, "$MEASUREMENT");
    d.put(70, m.unit >= 2 ? 1 : 0);  // metric for mm and m
    d.end_section();
    d.section("CLASSES");
    d.end_section();
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
