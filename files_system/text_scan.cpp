// Text reads of the file statements (text_scan.h).
#include "text_scan.h"

#include <cstdlib>
#include <cstring>

#include "numeric.h"
#include "text_util.h"

namespace kestrun {

namespace {

// Longest number text kept: more than any value the print statement writes (a double with every
// integer digit and the largest decimal precision). Characters beyond it are read and dropped.
constexpr std::size_t kNumberTextSize = 2048;

// A number text read from a stream, zero-terminated.
struct NumberText {
    char text[kNumberTextSize];
    std::size_t length = 0;
    bool hasDigits = false;

    void keep(int c) {
        if (length + 1 < sizeof text) text[length++] = static_cast<char>(c);
        text[length] = '\0';
    }
};

// Skips white space; gives the first other character (or EOF).
int firstAfterWhiteSpace(std::FILE* stream) {
    int c;
    do c = std::getc(stream);
    while (c != EOF && isWhite(static_cast<unsigned char>(c)));
    return c;
}

// Reads digits starting with c into number; gives the character after them.
int readDigits(std::FILE* stream, int c, NumberText& number) {
    while (c != EOF && isDigit(static_cast<unsigned char>(c))) {
        number.keep(c);
        number.hasDigits = true;
        c = std::getc(stream);
    }
    return c;
}

// Reads a decimal number after white space: a sign, digits and, for a real number, a fraction and
// an exponent. The character that ends it goes back to the stream. False when no digit came.
bool readNumberText(std::FILE* stream, bool real, NumberText& number) {
    number.text[0] = '\0';
    int c = firstAfterWhiteSpace(stream);
    if (c == '+' || c == '-') {
        number.keep(c);
        c = std::getc(stream);
    }
    c = readDigits(stream, c, number);
    if (real && c == '.') {
        number.keep(c);
        c = readDigits(stream, std::getc(stream), number);
    }
    if (real && number.hasDigits && (c == 'e' || c == 'E')) {
        number.keep(c);
        c = std::getc(stream);
        if (c == '+' || c == '-') {
            number.keep(c);
            c = std::getc(stream);
        }
        c = readDigits(stream, c, number);
    }
    if (c != EOF) std::ungetc(c, stream);
    return number.hasDigits;
}

std::int64_t clamp(std::int64_t v, std::int64_t least, std::int64_t most) { return v < least ? least : v > most ? most : v; }

template <typename T>
void store(std::uint8_t* at, T value) {
    std::memcpy(at, &value, sizeof value);
}

}  // namespace

bool readTextLine(std::FILE* stream, char* dest, std::size_t maxChars) {
    std::size_t n = 0;
    int c = EOF;
    while (n < maxChars && (c = std::getc(stream)) != EOF) {
        dest[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (n == 0 && maxChars > 0) return false;
    dest[n] = '\0';
    return true;
}

ScanOutcome scanTextValue(std::FILE* stream, std::uint8_t type, std::uint8_t* at) {
    switch (type) {
        case TypeChar: {
            const int c = std::getc(stream);
            if (c == EOF) return ScanOutcome::NothingRead;
            *at = static_cast<std::uint8_t>(c);
            return ScanOutcome::Stored;
        }
        case TypeInt: case TypeWord: case TypeUInt: case TypeInt64: case TypeUInt64: case TypeFloat:
        case TypeDouble:
            break;
        default:
            return ScanOutcome::Unsupported;
    }
    NumberText number;
    if (!readNumberText(stream, type == TypeFloat || type == TypeDouble, number)) return ScanOutcome::NothingRead;
    const std::int64_t whole = type == TypeFloat || type == TypeDouble ? 0 : std::strtoll(number.text, nullptr, 10);
    switch (type) {
        case TypeInt: store(at, static_cast<std::int32_t>(clamp(whole, INT32_MIN, INT32_MAX))); break;
        case TypeWord: store(at, static_cast<std::uint16_t>(clamp(whole, INT32_MIN, INT32_MAX))); break;
        case TypeUInt: store(at, static_cast<std::uint32_t>(clamp(whole, INT32_MIN, UINT32_MAX))); break;
        case TypeInt64: store(at, whole); break;
        case TypeUInt64:
            store(at, number.text[0] == '-' ? static_cast<std::uint64_t>(whole) : std::strtoull(number.text, nullptr, 10));
            break;
        case TypeFloat: store(at, roundToFloat(std::strtod(number.text, nullptr))); break;
        default: store(at, std::strtod(number.text, nullptr)); break;
    }
    return ScanOutcome::Stored;
}

}  // namespace kestrun
