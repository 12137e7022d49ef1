// A growing run of text written through raw pointers: room for the longest
// piece first, then the characters, then the end committed.  Its storage is
// not cleared or initialised, so building a long text costs its bytes and
// little more.
#pragma once

#include <cstring>
#include <memory>
#include <string_view>

namespace textio {

class TextBuffer {
public:
    // Room for at least n more characters; the pointer is where they go.
    char* room(std::size_t n) {
        if (capacity_ - size_ < n) grow(n);
        return data_.get() + size_;
    }
    // The text now ends at `end` (a pointer into the room just asked for).
    void commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

    void append(std::string_view s) {
        char* p = room(s.size());
        if (!s.empty()) std::memcpy(p, s.data(), s.size());
        size_ += s.size();
    }
    void push(char c) { *room(1) = c, ++size_; }

    std::string_view view() const { return {data_.get(), size_}; }
    std::size_t size() const { return size_; }
    void clear() { size_ = 0; }

private:
    void grow(std::size_t n) {
        std::size_t cap = capacity_ < 4096 ? 4096 : 2 * capacity_;
        while (cap - size_ < n) cap *= 2;
        std::unique_ptr<char[]> next(new char[cap]);
        if (size_ != 0) std::memcpy(next.get(), data_.get(), size_);
        data_ = std::move(next);
        capacity_ = cap;
    }

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

}  // namespace textio
