// The host's files and directories on Win32: the kernel's ANSI file operations and its
// find-first/find-next search.
#include <cstdio>

#include "win32_host.h"

namespace kestrun::win32 {

namespace {

void copyName(const WIN32_FIND_DATAA& entry, char* name, std::size_t nameSize) {
    std::snprintf(name, nameSize, "%s", entry.cFileName);
}

}  // namespace

bool Win32Host::copyFile(const char* source, const char* destination, bool failIfExists) {
    return ::CopyFileA(source, destination, failIfExists ? TRUE : FALSE) != 0;
}

bool Win32Host::deleteFile(const char* path) { return ::DeleteFileA(path) != 0; }

bool Win32Host::makeDirectory(const char* path) { return ::CreateDirectoryA(path, nullptr) != 0; }

bool Win32Host::removeDirectory(const char* path) { return ::RemoveDirectoryA(path) != 0; }

// The search is the system's find handle; INVALID_HANDLE_VALUE never leaves here.
void* Win32Host::findFirst(const char* pattern, char* name, std::size_t nameSize) {
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    copyName(entry, name, nameSize);
    return search;
}

Host::FindStep Win32Host::findNext(void* search, char* name, std::size_t nameSize) {
    WIN32_FIND_DATAA entry;
    if (::FindNextFileA(static_cast<HANDLE>(search), &entry)) {
        copyName(entry, name, nameSize);
        return FindStep::Found;
    }
    return ::GetLastError() == ERROR_NO_MORE_FILES ? FindStep::End : FindStep::Failed;
}

void Win32Host::findClose(void* search) { ::FindClose(static_cast<HANDLE>(search)); }

}  // namespace kestrun::win32
