// A line of text built in a caller's fixed buffer. Every append is bounded: what does not fit is
// cut, and the text always stays zero-terminated. The length is kept, so a zero byte inside the
// text is never mistaken for its end.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace kestrun {

class TextLine {
public:
    // buffer holds size bytes (size >= 1); the line starts empty.
    TextLine(char* buffer, std::size_t size) : buffer_(buffer), size_(size) { buffer_[0] = '\0'; }

    void append(const char* text, std::size_t length) {
        const std::size_t room = size_ - 1 - length_;
        if (length > room) length = room;
        std::memcpy(buffer_ + length_, text, length);
        length_ += length;
        buffer_[length_] = '\0';
    }
    void append(char c) { append(&c, 1); }

    // Appends printf-style output, cut to the room left.
    void appendFormat(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        const std::size_t room = size_ - length_;
        if (room <= 1) return;
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(buffer_ + length_, room, format, args);
        va_end(args);
        if (n < 0) {
            buffer_[length_] = '\0';
            return;
        }
        length_ += static_cast<std::size_t>(n) < room ? static_cast<std::size_t>(n) : room - 1;
    }

    const char* text() const { return buffer_; }
    std::size_t length() const { return length_; }

private:
    char* buffer_;
    std::size_t size_;
    std::size_t length_ = 0;
};

}  // namespace kestrun
