// CFileFinder: one directory search of the system, read one entry ahead of what it hands out, so
// that the step that hands out the last name already knows it is the last.
#pragma once
#include <cstddef>
#include <cstdint>

#include "containers.h"
#include "host.h"

namespace kestrun {

class CFileFinder {
public:
    // Longest entry name kept, terminator included (the system's limit for one path).
    static constexpr std::size_t kNameSize = 260;

    explicit CFileFinder(Host& host) : host_(host) {}
    // Ends the search (as Reset).
    virtual ~CFileFinder();
    CFileFinder(const CFileFinder&) = delete;
    CFileFinder& operator=(const CFileFinder&) = delete;

    // Ends any previous search and starts one for pattern ("*.*" when null), reading its first
    // entry ahead. The root path becomes the pattern up to and including its last slash or
    // backslash. False when nothing matches or the directory cannot be read; the search is then
    // ended.
    virtual bool Start(const char* pattern);
    // Hands out the entry read ahead (it becomes the current entry) and reads the following one
    // ahead. Without an open search: NoSearch, nothing changes. End when the entry handed out was
    // the last one, Failed when reading the following one failed.
    enum class StepResult { Next, End, Failed, NoSearch };
    virtual StepResult Next();
    // Closes the system search; the entries stay.
    virtual void Close();

    // Forgets both entries and closes the search.
    void Reset();
    // The name of the current entry (the one Next handed out last), or the empty text.
    const char* FileName() const { return hasCurrent_ ? current_ : ""; }
    const char* RootPath() const { return rootPath_.c_str(); }

    // The name the program's next search step gives: the entry read ahead, while there is one;
    // after the last entry the empty text, on every later step too. A failed read ends the search.
    // The search is ended (its system search closed) once the last entry is handed out.
    const char* Step();
    bool Exhausted() const { return exhausted_; }

    // The number the program knows this search by.
    std::uint32_t handle = 0;

private:
    Host& host_;
    void* search_ = nullptr;   // the system search; null when none is open
    char entryA_[kNameSize] = {};
    char entryB_[kNameSize] = {};
    char* current_ = entryA_;  // the entry handed out last
    char* next_ = entryB_;     // the entry read ahead
    bool hasCurrent_ = false;
    bool exhausted_ = false;   // the last entry has been handed out
    TextBuffer rootPath_;
};

}  // namespace kestrun
