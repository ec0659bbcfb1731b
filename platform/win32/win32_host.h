// The Win32 implementation of the interpreter's platform interface.
#pragma once
#include <windows.h>

#include "host.h"
#include "win32_console.h"

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
    void* loadLibrary(const char* name) override;

    // ---- Library calls ----
    void* findProcedure(void* library, const char* name) override;
    void releaseLibrary(void* library) override;
    void releaseLoadedModule(const char* name) override;

    // The console (win32_console.cpp).
    void openConsole() override;
    void closeConsole() override;
    void writeConsole(const char* text, std::size_t length) override;
    int readConsoleChar() override;
    int pollConsoleKey(bool virtualKey) override;
    void clearConsole() override;
    void setConsoleCursor(std::int32_t column, std::int32_t row) override;
    void setConsoleAttribute(std::uint16_t attribute) override;
    void printToWindow(void* window, const char* text, std::size_t length) override;

    // Date formatting (win32_host.cpp).
    std::size_t formatDate(const std::tm& date, const char* picture, char* out, std::size_t outSize) override;

    // Files and directories (win32_files.cpp).
    bool copyFile(const char* source, const char* destination, bool failIfExists) override;
    bool deleteFile(const char* path) override;
    bool makeDirectory(const char* path) override;
    bool removeDirectory(const char* path) override;
    void* findFirst(const char* pattern, char* name, std::size_t nameSize) override;
    FindStep findNext(void* search, char* name, std::size_t nameSize) override;
    void findClose(void* search) override;

private:
    HINSTANCE instance_;
    HMODULE richEdit_ = nullptr;
    Win32Console console_;
};

}  // namespace kestrun::win32
