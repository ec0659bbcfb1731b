// The Win32 implementation of the interpreter's platform interface.
#pragma once
#include <windows.h>

#include "host.h"

namespace kestrun::win32 {

class Win32Host : public Host {
public:
    explicit Win32Host(HINSTANCE instance) : instance_(instance) {}

    void showErrorBox(const char* text, const char* caption) override;
    void releaseConsole() override;
    bool registerWindowClasses(TextBuffer& whiteClass, TextBuffer& workspaceClass) override;
    void prepareRunServices() override;
    void destroyObjectWindow(void* object) override;
    void deleteWindowObject(void* object) override;
    void deleteDialogObject(void* object) override;
    std::uint32_t windowHandleOf(void* object) override;

private:
    HINSTANCE instance_;
    HMODULE richEdit_ = nullptr;
};

}  // namespace kestrun::win32
