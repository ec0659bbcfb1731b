#include "escape.h"

namespace uihelper {

std::string escapeValue(std::string_view bytes, std::string_view alsoHex) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\\': out += "\\\\"; continue;
        case '\n': out += "\\n"; continue;
        case '\r': out += "\\r"; continue;
        case '\t': out += "\\t"; continue;
        default: break;
        }
        const bool hex = c < 0x20 || c >= 0x7F || c == '|' || c == '=' ||
                         alsoHex.find(ch) != std::string_view::npos;
        if (hex) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace uihelper
