// Character classes of the language. They are those of the C locale whatever the process locale:
// letters A-Z and a-z, digits 0-9; blank is space or tab; white space adds LF, VT, FF and CR.
// Bytes 0x80 and above belong to none of the classes.
#pragma once
#include <cstddef>

namespace kestrun {

constexpr bool isLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool isBlank(unsigned char c) { return c == ' ' || c == '\t'; }
constexpr bool isWhite(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr char toUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// True when the two byte ranges are equal without regard to ASCII letter case.
inline bool equalsNoCase(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
    if (aLength != bLength) return false;
    for (std::size_t i = 0; i < aLength; ++i)
        if (toUpperAscii(a[i]) != toUpperAscii(b[i])) return false;
    return true;
}

// Skips spaces and tabs.
inline const char* skipBlanks(const char* p) {
    while (isBlank(static_cast<unsigned char>(*p))) ++p;
    return p;
}
inline char* skipBlanks(char* p) {
    while (isBlank(static_cast<unsigned char>(*p))) ++p;
    return p;
}

}  // namespace kestrun
