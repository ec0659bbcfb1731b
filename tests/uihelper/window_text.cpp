#include "window_text.h"

#include <algorithm>

namespace uihelper {

namespace {

// Longest text read; longer texts are cut there.
constexpr size_t kMaxTextLength = 64 * 1024;
// How long a busy window may take to answer a text request.
constexpr UINT kAnswerTimeoutMs = 2000;

}  // namespace

std::string windowClass(HWND hwnd) {
    char buf[256];
    const int len = GetClassNameA(hwnd, buf, sizeof buf);
    return len > 0 ? std::string(buf, static_cast<size_t>(len)) : std::string();
}

std::string windowTitle(HWND hwnd) {
    const int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return {};
    std::string buf(std::min<size_t>(static_cast<size_t>(length), kMaxTextLength) + 1, '\0');
    const int got = GetWindowTextA(hwnd, buf.data(), static_cast<int>(buf.size()));
    buf.resize(got > 0 ? std::min<size_t>(static_cast<size_t>(got), buf.size() - 1) : 0);
    return buf;
}

std::string controlText(HWND hwnd) {
    const UINT flags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, flags, kAnswerTimeoutMs, &length)) {
        std::string buf(std::min<size_t>(length, kMaxTextLength) + 1, '\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutA(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                                flags, kAnswerTimeoutMs, &copied)) {
            buf.resize(std::min<size_t>(copied, buf.size() - 1));
            return buf;
        }
    }
    return windowTitle(hwnd);
}

}  // namespace uihelper
