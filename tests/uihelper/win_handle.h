// Owning wrapper for a kernel HANDLE: closes it once, moves but never copies.
#pragma once

#include <windows.h>

namespace uihelper {

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(usable(h) ? h : nullptr) {}
    ~Handle() { reset(); }

    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : h_(other.release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

    HANDLE release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = usable(h) ? h : nullptr;
    }

private:
    // Both conventions for "no handle" end up as nullptr.
    static bool usable(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

    HANDLE h_ = nullptr;
};

}  // namespace uihelper
