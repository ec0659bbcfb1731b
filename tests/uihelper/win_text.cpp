#include "win_text.h"

#include <vector>

namespace uihelper {

std::string narrow(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int wideLen = static_cast<int>(text.size());
    const int len = WideCharToMultiByte(codePage, 0, text.data(), wideLen, nullptr, 0, nullptr, nullptr);
    if (len <= 0) return {};
    std::string out(static_cast<size_t>(len), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), wideLen, out.data(), len, nullptr, nullptr);
    return out;
}

std::string errorText(DWORD code) {
    char buf[512];
    DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               code, 0, buf, sizeof buf, nullptr);
    while (len > 0 && (buf[len - 1] == '\n' || buf[len - 1] == '\r' || buf[len - 1] == ' ' ||
                       buf[len - 1] == '.'))
        --len;
    std::string out(buf, len);
    if (!out.empty()) out += ' ';
    out += "(error " + std::to_string(code) + ")";
    return out;
}

}  // namespace uihelper
