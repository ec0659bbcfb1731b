// The program's console on Win32: a console window made on demand, and the standard streams of
// the process attached to it. A standard stream that was redirected to a file or a pipe when the
// process started is kept as it is: text goes there with WriteFile, input comes from there, and
// the screen operations leave it alone.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace kestrun::win32 {

// A kernel handle that is closed when its owner goes.
class OwnedHandle {
public:
    OwnedHandle() = default;
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    void reset(HANDLE h = nullptr) {
        if (valid()) ::CloseHandle(handle_);
        handle_ = h;
    }
    bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

class Win32Console {
public:
    // Records which standard streams arrive redirected; construct it before anything changes the
    // standard handles.
    Win32Console();

    // Makes a console window for the streams that are not redirected (none when both are),
    // attaches those standard handles and C library streams to it, puts the redirected handles
    // back in case the system replaced them, installs the control handler and brings the window
    // to the front.
    void open();
    // Releases the console and clears the standard handles that were attached to it; redirected
    // handles stay.
    void close();
    // Writes text to standard output: WriteFile on a redirected handle, WriteConsoleA otherwise.
    void write(const char* text, std::size_t length);
    // The next byte of the C library's standard input, or -1 at its end.
    int readChar();
    // One pending key press without waiting (0 for none, and always 0 for redirected input).
    int pollKey(bool virtualKey);
    void clear();
    void setCursor(std::int32_t column, std::int32_t row);
    void setAttribute(std::uint16_t attribute);

private:
    // The console screen buffer of standard output, or null when output is redirected or has
    // no console.
    HANDLE screen() const;
    // Attaches one standard stream to the console: the handle the system gave it when that is a
    // console handle, else one opened on the console device.
    void attach(DWORD which, const char* device, OwnedHandle& owned);
    void bringToFront();

    HANDLE outputAtStart_;
    HANDLE inputAtStart_;
    bool outputRedirected_;
    bool inputRedirected_;
    OwnedHandle ownOutput_;
    OwnedHandle ownInput_;
};

}  // namespace kestrun::win32
