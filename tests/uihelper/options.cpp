#include "options.h"

#include <cerrno>
#include <cwchar>

#include "win_text.h"

namespace uihelper {

namespace {

// An unsigned number that fills the whole argument (decimal, or 0x... hexadecimal).
bool parseNumber(const wchar_t* text, unsigned long max, unsigned long& value) {
    if (!text || !*text || *text == L'-' || *text == L'+' || *text == L' ') return false;
    wchar_t* end = nullptr;
    errno = 0;
    const unsigned long v = std::wcstoul(text, &end, 0);
    if (errno != 0 || *end != L'\0' || v > max) return false;
    value = v;
    return true;
}

}  // namespace

const char* usageText() {
    return "usage: uihelper run [--stdin FILE] [--timeout MS] [--press BUTTONTEXT|--press-id ID]\n"
           "                    [--no-redirect] -- PROGRAM [ARGS...]\n";
}

bool parseOptions(int argc, wchar_t** argv, Options& options, std::string& error) {
    if (argc < 2 || std::wcscmp(argv[1], L"run") != 0) {
        error = argc < 2 ? "no command given" : "unknown command '" + narrow(argv[1]) + "'";
        return false;
    }
    bool pressGiven = false;
    int i = 2;
    // The value of the option at argv[i], which must follow it.
    auto value = [&](const char* option) -> const wchar_t* {
        if (i + 1 >= argc) {
            error = std::string(option) + " needs a value";
            return nullptr;
        }
        return argv[++i];
    };
    for (; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--") {
            ++i;
            break;
        }
        if (arg.rfind(L"--", 0) != 0) break;  // the program
        if (arg == L"--stdin") {
            const wchar_t* file = value("--stdin");
            if (!file) return false;
            options.launch.stdinFile = file;
        } else if (arg == L"--timeout") {
            const wchar_t* text = value("--timeout");
            unsigned long ms = 0;
            if (!text) return false;
            if (!parseNumber(text, 0xFFFFFFFEul, ms)) {
                error = "--timeout needs a number of milliseconds, not '" + narrow(text) + "'";
                return false;
            }
            options.timeoutMs = static_cast<DWORD>(ms);
        } else if (arg == L"--press" || arg == L"--press-id") {
            if (pressGiven) {
                error = "only one of --press and --press-id may be given";
                return false;
            }
            pressGiven = true;
            const bool byId = arg == L"--press-id";
            const wchar_t* text = value(byId ? "--press-id" : "--press");
            if (!text) return false;
            if (byId) {
                unsigned long id = 0;
                if (!parseNumber(text, 0xFFFF, id)) {
                    error = "--press-id needs a control id, not '" + narrow(text) + "'";
                    return false;
                }
                options.press.by = PressChoice::By::Id;
                options.press.id = static_cast<int>(id);
            } else {
                options.press.by = PressChoice::By::Text;
                options.press.text = narrow(text);
            }
        } else if (arg == L"--no-redirect") {
            options.launch.redirect = false;
        } else {
            error = "unknown option '" + narrow(arg) + "'";
            return false;
        }
    }
    if (i >= argc) {
        error = "no program given";
        return false;
    }
    if (!options.launch.redirect && options.launch.stdinFile) {
        error = "--stdin and --no-redirect exclude each other";
        return false;
    }
    options.launch.program = argv[i];
    for (++i; i < argc; ++i) options.launch.args.emplace_back(argv[i]);
    return true;
}

}  // namespace uihelper
