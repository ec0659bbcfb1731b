// uifixture: a small GUI-subsystem program for the UI helper's self-test. Its command line is a
// sequence of actions, done in order:
//   print TEXT         TEXT and a line break to standard output (TEXT as given, no escapes)
//   eprint TEXT        the same to standard error
//   echo-stdin         copies standard input to standard output until its end
//   fill N             N bytes to standard output and N to standard error, in interleaved chunks
//   box CAPTION TEXT STYLE
//                      a message box; CAPTION and TEXT understand \n \r \t \\ \xHH; STYLE is a
//                      number or names joined by '+' (ok okcancel abortretryignore yesnocancel
//                      yesno retrycancel iconerror iconquestion iconwarning iconinfo def2 def3);
//                      then prints "box IDxxx" for the button that closed it
//   window TITLE       shows a plain window for two seconds
//   sleep MS
//   exit N             ends at once with exit code N (0..4294967295)
// Without an exit action the program ends with 0; a bad command line ends it with 99.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr UINT kBadUsage = 99;
constexpr DWORD kWindowShownMs = 2000;

void writeAll(DWORD which, const char* data, size_t size) {
    HANDLE h = GetStdHandle(which);
    while (size > 0) {
        DWORD wrote = 0;
        const DWORD chunk = size > 65536 ? 65536 : static_cast<DWORD>(size);
        if (!h || h == INVALID_HANDLE_VALUE || !WriteFile(h, data, chunk, &wrote, nullptr) || wrote == 0)
            return;
        data += wrote;
        size -= wrote;
    }
}

void writeLine(DWORD which, const std::string& text) {
    const std::string line = text + "\n";
    writeAll(which, line.data(), line.size());
}

[[noreturn]] void fail(const std::string& message) {
    writeLine(STD_ERROR_HANDLE, "uifixture: " + message);
    ExitProcess(kBadUsage);
}

unsigned long number(const char* text) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 0);
    if (!*text || *end) fail(std::string("not a number: ") + text);
    return v;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string unescape(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p != '\\' || !p[1]) {
            out += *p;
            continue;
        }
        switch (*++p) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x':
            if (hexDigit(p[1]) >= 0 && hexDigit(p[2]) >= 0) {
                out += static_cast<char>(hexDigit(p[1]) * 16 + hexDigit(p[2]));
                p += 2;
                break;
            }
            fail("bad \\x escape");
        default: out += *p; break;
        }
    }
    return out;
}

UINT boxStyle(const char* text) {
    if (*text >= '0' && *text <= '9') return static_cast<UINT>(number(text));
    static const struct {
        const char* name;
        UINT bits;
    } kNames[] = {
        {"ok", MB_OK},         {"okcancel", MB_OKCANCEL},     {"abortretryignore", MB_ABORTRETRYIGNORE},
        {"yesnocancel", MB_YESNOCANCEL}, {"yesno", MB_YESNO}, {"retrycancel", MB_RETRYCANCEL},
        {"iconerror", MB_ICONERROR},     {"iconquestion", MB_ICONQUESTION},
        {"iconwarning", MB_ICONWARNING}, {"iconinfo", MB_ICONINFORMATION},
        {"def2", MB_DEFBUTTON2},         {"def3", MB_DEFBUTTON3},
    };
    UINT style = 0;
    std::string all(text);
    size_t start = 0;
    while (start <= all.size()) {
        const size_t plus = all.find('+', start);
        const std::string name = all.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        bool known = false;
        for (const auto& n : kNames) {
            if (name == n.name) {
                style |= n.bits;
                known = true;
            }
        }
        if (!known) fail("unknown box style: " + name);
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    return style;
}

std::string buttonName(int id) {
    switch (id) {
    case IDOK: return "IDOK";
    case IDCANCEL: return "IDCANCEL";
    case IDABORT: return "IDABORT";
    case IDRETRY: return "IDRETRY";
    case IDIGNORE: return "IDIGNORE";
    case IDYES: return "IDYES";
    case IDNO: return "IDNO";
    case IDTRYAGAIN: return "IDTRYAGAIN";
    case IDCONTINUE: return "IDCONTINUE";
    default: return std::to_string(id);
    }
}

void echoStdin() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char buf[4096];
    DWORD got = 0;
    while (in && in != INVALID_HANDLE_VALUE && ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0)
        writeAll(STD_OUTPUT_HANDLE, buf, got);
}

void fill(unsigned long count) {
    std::string chunk;
    for (int i = 0; i < 1024; ++i) chunk += static_cast<char>('a' + i % 26);
    for (unsigned long done = 0; done < count;) {
        const size_t n = count - done < chunk.size() ? count - done : chunk.size();
        writeAll(STD_OUTPUT_HANDLE, chunk.data(), n);
        writeAll(STD_ERROR_HANDLE, chunk.data(), n);
        done += n;
    }
}

LRESULT CALLBACK plainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void showWindow(const char* title) {
    static const char kClass[] = "KestrunFixtureWindow";
    WNDCLASSA wc{};
    wc.lpfnWndProc = plainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    HWND hwnd = CreateWindowA(kClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                              200, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) fail("cannot create a window");
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    const ULONGLONG until = GetTickCount64() + kWindowShownMs;
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    DestroyWindow(hwnd);
}

}  // namespace

int main(int argc, char** argv) {
    auto need = [&](int i, int count) {
        if (i + count >= argc) fail(std::string(argv[i]) + " needs " + std::to_string(count) + " argument(s)");
    };
    for (int i = 1; i < argc; ++i) {
        const std::string action = argv[i];
        if (action == "print" || action == "eprint") {
            need(i, 1);
            writeLine(action == "print" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, argv[++i]);
        } else if (action == "echo-stdin") {
            echoStdin();
        } else if (action == "fill") {
            need(i, 1);
            fill(number(argv[++i]));
        } else if (action == "box") {
            need(i, 3);
            const std::string caption = unescape(argv[i + 1]);
            const std::string text = unescape(argv[i + 2]);
            const UINT style = boxStyle(argv[i + 3]);
            i += 3;
            writeLine(STD_OUTPUT_HANDLE, "box " + buttonName(MessageBoxA(nullptr, text.c_str(), caption.c_str(), style)));
        } else if (action == "window") {
            need(i, 1);
            showWindow(argv[++i]);
        } else if (action == "sleep") {
            need(i, 1);
            Sleep(static_cast<DWORD>(number(argv[++i])));
        } else if (action == "exit") {
            need(i, 1);
            ExitProcess(static_cast<UINT>(number(argv[++i])));
        } else {
            fail("unknown action: " + action);
        }
    }
    return 0;
}
