// Base of every window and dialog object the program owns. The interpreter keeps them as opaque
// pointers (in WINDOW and DIALOG variables and in its object list) and reaches them through the
// host, which knows this base.
#pragma once
#include <windows.h>

namespace kestrun::win32 {

class WindowObject {
public:
    virtual ~WindowObject() = default;
    // Destroys the platform window; the object stays and may be deleted later.
    virtual void destroyWindow() {
        if (hwnd_) {
            HWND h = hwnd_;
            hwnd_ = nullptr;
            ::DestroyWindow(h);
        }
    }
    HWND hwnd() const { return hwnd_; }

protected:
    HWND hwnd_ = nullptr;
};

}  // namespace kestrun::win32
