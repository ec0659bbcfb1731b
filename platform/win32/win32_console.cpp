#include "win32_console.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "win32_host.h"

namespace kestrun::win32 {

namespace {

// A standard handle counts as redirected when it leads to a file or a pipe. Character devices
// (a console, NUL, a terminal) do not.
bool isRedirected(HANDLE h) {
    if (!h || h == INVALID_HANDLE_VALUE) return false;
    const DWORD type = ::GetFileType(h);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

bool isConsoleHandle(HANDLE h) {
    DWORD mode;
    return h && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode);
}

// Runs on the thread the system makes for console events: Ctrl+C and the close button of the
// console window do not end the program; every other event goes to the next handler.
BOOL WINAPI controlHandler(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_CLOSE_EVENT; }

// Largest piece handed to WriteConsoleA at once.
constexpr DWORD kConsoleWriteChunk = 8192;

// Points a standard C stream at a console device (text mode). freopen does it where the stream
// has a file descriptor; a GUI process started without standard handles has none (the runtime
// marks them -2) and some runtimes refuse to reopen such a stream, so there the stream takes over
// a stream opened on a handle of the device.
void attachStream(std::FILE* stream, const char* device, const char* mode) {
    if (std::freopen(device, mode, stream)) return;
    HANDLE h = ::CreateFileA(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_TEXT);
    if (fd < 0) {
        ::CloseHandle(h);
        return;
    }
    std::FILE* opened = ::_fdopen(fd, mode);
    if (!opened) {
        ::_close(fd);
        return;
    }
    *stream = *opened;
}

}  // namespace

Win32Console::Win32Console()
    : outputAtStart_(::GetStdHandle(STD_OUTPUT_HANDLE)),
      inputAtStart_(::GetStdHandle(STD_INPUT_HANDLE)),
      outputRedirected_(isRedirected(outputAtStart_)),
      inputRedirected_(isRedirected(inputAtStart_)) {}

void Win32Console::attach(DWORD which, const char* device, OwnedHandle& owned) {
    if (isConsoleHandle(::GetStdHandle(which))) return;
    owned.reset(::CreateFileA(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    if (owned.valid()) ::SetStdHandle(which, owned.get());
}

void Win32Console::open() {
    if (!outputRedirected_ || !inputRedirected_) {
        // Fails when the process has a console already; that one is used then.
        ::AllocConsole();
        if (!outputRedirected_) {
            attach(STD_OUTPUT_HANDLE, "CONOUT$", ownOutput_);
            attachStream(stdout, "CONOUT$", "w");
        }
        if (!inputRedirected_) {
            attach(STD_INPUT_HANDLE, "CONIN$", ownInput_);
            attachStream(stdin, "CONIN$", "r");
        }
        ::SetConsoleCtrlHandler(controlHandler, TRUE);
        bringToFront();
    }
    // The system may hand a new console's handles to every standard stream: redirected ones go
    // back to where they led.
    if (outputRedirected_) ::SetStdHandle(STD_OUTPUT_HANDLE, outputAtStart_);
    if (inputRedirected_) ::SetStdHandle(STD_INPUT_HANDLE, inputAtStart_);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stdin, nullptr, _IONBF, 0);
}

void Win32Console::close() {
    if (!outputRedirected_ || !inputRedirected_) ::FreeConsole();
    if (!outputRedirected_) {
        ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
        ownOutput_.reset();
    }
    if (!inputRedirected_) {
        ::SetStdHandle(STD_INPUT_HANDLE, nullptr);
        ownInput_.reset();
    }
}

// Finds the console window by a title of its own for a moment (the process id and the tick
// count), then restores the title and raises the window.
void Win32Console::bringToFront() {
    char saved[1024] = {};
    ::GetConsoleTitleA(saved, sizeof saved);
    char unique[64];
    std::snprintf(unique, sizeof unique, "%lu/%lu", static_cast<unsigned long>(::GetTickCount()),
                  static_cast<unsigned long>(::GetCurrentProcessId()));
    ::SetConsoleTitleA(unique);
    ::Sleep(100);
    HWND window = ::FindWindowA(nullptr, unique);
    ::SetConsoleTitleA(saved);
    if (window) ::BringWindowToTop(window);
}

void Win32Console::write(const char* text, std::size_t length) {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) return;
    while (length > 0) {
        DWORD piece = length > kConsoleWriteChunk ? kConsoleWriteChunk : static_cast<DWORD>(length);
        DWORD written = 0;
        const BOOL ok = outputRedirected_ ? ::WriteFile(out, text, piece, &written, nullptr)
                                          : ::WriteConsoleA(out, text, piece, &written, nullptr);
        if (!ok || written == 0) return;
        text += written;
        length -= written;
    }
}

int Win32Console::readChar() {
    const int c = std::fgetc(stdin);
    return c == EOF ? -1 : c;
}

int Win32Console::pollKey(bool virtualKey) {
    if (inputRedirected_) return 0;
    HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    INPUT_RECORD record;
    DWORD count = 0;
    if (!::PeekConsoleInputA(in, &record, 1, &count) || count == 0) return 0;
    if (!::ReadConsoleInputA(in, &record, 1, &count) || count == 0) return 0;
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) return 0;
    ::FlushConsoleInputBuffer(in);
    return virtualKey ? (record.Event.KeyEvent.wVirtualKeyCode & 0xFF)
                      : static_cast<unsigned char>(record.Event.KeyEvent.uChar.AsciiChar);
}

HANDLE Win32Console::screen() const {
    if (outputRedirected_) return nullptr;
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    return isConsoleHandle(out) ? out : nullptr;
}

void Win32Console::clear() {
    HANDLE out = screen();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!out || !::GetConsoleScreenBufferInfo(out, &info)) return;
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    const COORD origin = {0, 0};
    DWORD done;
    ::FillConsoleOutputCharacterA(out, ' ', cells, origin, &done);
    ::FillConsoleOutputAttribute(out, info.wAttributes, cells, origin, &done);
    ::SetConsoleCursorPosition(out, origin);
}

void Win32Console::setCursor(std::int32_t column, std::int32_t row) {
    HANDLE out = screen();
    // Positions outside the coordinate range would wrap around instead of failing.
    if (!out || column < 0 || row < 0 || column > 0x7FFF || row > 0x7FFF) return;
    ::SetConsoleCursorPosition(out, COORD{static_cast<SHORT>(column), static_cast<SHORT>(row)});
}

void Win32Console::setAttribute(std::uint16_t attribute) {
    if (HANDLE out = screen()) ::SetConsoleTextAttribute(out, attribute);
}

// ---- The host's console operations ----

void Win32Host::openConsole() { console_.open(); }
void Win32Host::closeConsole() { console_.close(); }
void Win32Host::writeConsole(const char* text, std::size_t length) { console_.write(text, length); }
int Win32Host::readConsoleChar() { return console_.readChar(); }
int Win32Host::pollConsoleKey(bool virtualKey) { return console_.pollKey(virtualKey); }
void Win32Host::clearConsole() { console_.clear(); }
void Win32Host::setConsoleCursor(std::int32_t column, std::int32_t row) { console_.setCursor(column, row); }
void Win32Host::setConsoleAttribute(std::uint16_t attribute) { console_.setAttribute(attribute); }

// Window output arrives with the window layer, which draws the text at the window's current
// text position on its off-screen picture; until then a window takes no print output.
void Win32Host::printToWindow(void*, const char*, std::size_t) {}

}  // namespace kestrun::win32
