// The CAD files of one design: DXF and STL written here, STEP by the
// optional STEP component.  A file is written under a temporary name beside
// it and renamed into place when complete, so that after a failure it is
// either whole or absent (a device or pipe is written directly).
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

#include "cad/model.hpp"

namespace cad {

// A model the CAD kernel could not build or write; one line.
class CadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file written whole or not at all; failures raise textio::IoError.
class WholeFile {
public:
    explicit WholeFile(std::string path);
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;
    // Where the contents go until commit (the path itself for a device).
    const std::string& temporary() const { return temporary_; }
    void write(const void* data, std::size_t size);
    void write(const std::string& text) { write(text.data(), text.size()); }
    // Closes the stream and gives the file its name.
    void commit();
    // For a writer that writes temporary() itself: closes the stream unused.
    void release_stream();

private:
    void fail(int os_error);
    std::string path_, target_, temporary_;
    std::FILE* stream_ = nullptr;
    bool renamed_ = false, done_ = false;
};

// The DXF text: both profiles on layers MAIN and SUB; R2000 (an exact
// rational SPLINE and an LWPOLYLINE through the profile's samples each) or
// R12 (a POLYLINE through the samples each).
std::string dxf_text(const Model& m, bool r12);

// The number of triangles of the STL; throws study::InputError when the
// tolerance would make too many.
double stl_triangles(const Model& m);

// The binary STL of both reflectors; returns the number of triangles.
std::size_t write_stl(const Model& m, const std::string& path);

// Whether this build writes STEP files, and the writer (throws
// study::InputError when it does not, naming what to install).
bool step_available(std::string* why = nullptr);
void write_step(const Model& m, const std::string& path);

// Writes the files the options ask for, DXF, STL then STEP.
void write_cad_files(const CadOptions& options, const Model& m);

}  // namespace cad
