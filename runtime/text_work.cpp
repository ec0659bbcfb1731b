// The shared work text of the joins and the picture formatter.
#include "text_work.h"

#include <cstring>
#include <new>

namespace kestrun {

TextWork::TextWork(Kestrun& k) : k_(k) {
    if (!k_.textWorkBusy) {
        if (!k_.textWork) k_.textWork.reset(new (std::nothrow) char[2 * kTextWorkAreaSize]);
        block_ = k_.textWork.get();
        if (block_) k_.textWorkBusy = true;
        return;
    }
    block_ = new (std::nothrow) char[2 * kTextWorkAreaSize];
    own_ = block_ != nullptr;
}

TextWork::~TextWork() {
    if (own_) delete[] block_;
    else if (block_) k_.textWorkBusy = false;
}

void BoundedText::append(const char* text, std::size_t length) {
    if (length > room()) length = room();
    std::memmove(text_ + length_, text, length);
    grow(length);
}

void BoundedText::grow(std::size_t n) {
    length_ += n < room() ? n : room();
    text_[length_] = '\0';
}

}  // namespace kestrun
