#include "win32_host.h"

#include <cstdio>

#include "containers.h"
#include "window_object.h"

namespace kestrun::win32 {

void Win32Host::showErrorBox(const char* text, const char* caption) {
    ::MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONSTOP);
}

void Win32Host::releaseConsole() { ::FreeConsole(); }

namespace {

// Registers one class of the program's windows under a name made from its style and brush, so
// registering twice in one process reuses the class.
bool registerProgramClass(HINSTANCE instance, UINT style, HBRUSH brush, const char* kind, TextBuffer& name) {
    char className[64];
    std::snprintf(className, sizeof className, "Kestrun:%s:%x", kind, style);
    WNDCLASSA wc = {};
    wc.style = style;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = brush;
    wc.lpszClassName = className;
    WNDCLASSA existing;
    if (!::GetClassInfoA(instance, className, &existing) && !::RegisterClassA(&wc)) return false;
    return name.assign(className);
}

}  // namespace

bool Win32Host::registerWindowClasses(TextBuffer& whiteClass, TextBuffer& workspaceClass) {
    const bool white = registerProgramClass(instance_, CS_BYTEALIGNCLIENT | CS_DBLCLKS,
                                            static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)), "White", whiteClass);
    const bool workspace = registerProgramClass(instance_, CS_BYTEALIGNWINDOW | CS_DBLCLKS,
                                                reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1), "Workspace",
                                                workspaceClass);
    return white && workspace;
}

void Win32Host::prepareRunServices() {
    if (!richEdit_) richEdit_ = ::LoadLibraryA("RICHED32.DLL");
}

void Win32Host::destroyObjectWindow(void* object) {
    if (object) static_cast<WindowObject*>(object)->destroyWindow();
}

void Win32Host::deleteWindowObject(void* object) {
    if (!object) return;
    WindowObject* window = static_cast<WindowObject*>(object);
    window->destroyWindow();
    delete window;
}

void Win32Host::deleteDialogObject(void* object) { delete static_cast<WindowObject*>(object); }

std::uint32_t Win32Host::windowHandleOf(void* object) {
    // Window handles are 32-bit values on every Windows version, also for 64-bit processes.
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(static_cast<WindowObject*>(object)->hwnd()));
}

void* Win32Host::loadLibrary(const char* name) { return ::LoadLibraryA(name); }

// ---- Date formatting ----

std::size_t Win32Host::formatDate(const std::tm& date, const char* picture, char* out, std::size_t outSize) {
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    SYSTEMTIME when = {};
    when.wYear = static_cast<WORD>(date.tm_year + 1900);
    when.wMonth = static_cast<WORD>(date.tm_mon + 1);
    when.wDayOfWeek = static_cast<WORD>(date.tm_wday);
    when.wDay = static_cast<WORD>(date.tm_mday);
    when.wHour = static_cast<WORD>(date.tm_hour);
    when.wMinute = static_cast<WORD>(date.tm_min);
    when.wSecond = static_cast<WORD>(date.tm_sec);
    const int room = outSize > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(outSize);
    const int written = ::GetDateFormatA(0, 0, &when, picture, out, room);
    if (written <= 0) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(written - 1);
}

// ---- Library calls ----

void* Win32Host::findProcedure(void* library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void Win32Host::releaseLibrary(void* library) {
    if (library) ::FreeLibrary(static_cast<HMODULE>(library));
}

void Win32Host::releaseLoadedModule(const char* name) {
    if (HMODULE module = ::GetModuleHandleA(name)) ::FreeLibrary(module);
}

}  // namespace kestrun::win32
