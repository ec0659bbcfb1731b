// The work text in which the joins and the picture formatter build a result before it goes to
// SYSTEM_STRING0 (whose capacity it shares), with a second area of the same size for a copy of
// an input that fetching later arguments could overwrite.
#pragma once
#include <cstddef>

#include "kestrun.h"
#include "results.h"

namespace kestrun {

// Bytes of each area: the capacity of SYSTEM_STRING0 and a terminator.
constexpr std::size_t kTextWorkAreaSize = kResultTextLength + 1;

// Borrows the interpreter's work text for the life of the object (made on first use and kept).
// A handler that runs while another one holds it (a function called while the arguments of a
// join are fetched) gets a text of its own, freed when the object goes. area() is null when
// memory runs out.
class TextWork {
public:
    explicit TextWork(Kestrun& k);
    ~TextWork();
    TextWork(const TextWork&) = delete;
    TextWork& operator=(const TextWork&) = delete;

    // Area 0 or 1, each kTextWorkAreaSize bytes.
    char* area(int i) const { return block_ ? block_ + kTextWorkAreaSize * static_cast<std::size_t>(i) : nullptr; }

private:
    Kestrun& k_;
    char* block_ = nullptr;
    bool own_ = false;
};

// Text appended piece by piece to a fixed area; what does not fit is cut, so the text never holds
// more than its capacity.
class BoundedText {
public:
    BoundedText(char* area, std::size_t capacity) : text_(area), capacity_(capacity) { text_[0] = '\0'; }

    void append(const char* text, std::size_t length);
    void append(char c) { append(&c, 1); }
    const char* text() const { return text_; }
    std::size_t length() const { return length_; }
    std::size_t room() const { return capacity_ - length_; }
    // Where the next character goes, and the claim of n characters written there directly (cut
    // to the room left).
    char* end() { return text_ + length_; }
    void grow(std::size_t n);

private:
    char* text_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

}  // namespace kestrun
