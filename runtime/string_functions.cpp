// The string and conversion functions: parts of a text, joins, trims, case, character codes,
// hexadecimal text, number parsing, overwriting in place, and the decimal-places setting. Text
// results go to SYSTEM_STRING0 (resultType 0), integers to SYSTEM_INT0 (2), reals to
// SYSTEM_DOUBLE0 (14).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kestrun.h"
#include "results.h"
#include "text_util.h"
#include "text_work.h"

namespace kestrun {

namespace {

// Fetches argument i as a STRING; false with errorCode set.
bool fetchText(Kestrun& k, Statement* st, int i, TextView& out) {
    ArgValue a;
    if (!k.getArg(a, st, i, TypeString)) return false;
    out = textOf(k, a);
    return true;
}

// Fetches argument i as a number and gives its 32-bit integer view; false with errorCode set.
bool fetchInt(Kestrun& k, Statement* st, int i, std::int32_t& out) {
    ArgValue a;
    if (!k.getArg(a, st, i, WantAnyNumber)) return false;
    out = a.intValue;
    return true;
}

// Fetches argument 0 as a STRING and the integer n from argument 1, for LEFT and RIGHT: exactly
// two arguments (56), n not negative (46).
bool fetchTextAndCount(Kestrun& k, Statement* st, TextView& text, std::size_t& n) {
    std::int32_t count;
    if (!checkArgCount(k, st, 2, 2, 56) || !fetchText(k, st, 0, text) || !fetchInt(k, st, 1, count)) return false;
    if (count < 0) {
        k.errorCode = 46;
        return false;
    }
    n = static_cast<std::size_t>(count);
    return true;
}

// Length of the decimal number at the start of text: an optional sign, digits with an optional
// fraction (at least one digit), and an optional exponent that has digits. 0 when there is none.
std::size_t decimalNumberLength(const char* text, std::size_t length) {
    std::size_t i = 0;
    if (i < length && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < length && isDigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    if (i < length && text[i] == '.') {
        ++i;
        while (i < length && isDigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < length && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < length && isDigit(static_cast<unsigned char>(text[j]))) {
            while (j < length && isDigit(static_cast<unsigned char>(text[j]))) ++j;
            i = j;
        }
    }
    return i;
}

// A copy of text with every letter of one case turned into the other.
Statement* caseCopy(Kestrun& k, Statement* st, char from, char to) {
    TextView t;
    if (!checkArgCount(k, st, 1, 1, 56) || !fetchText(k, st, 0, t)) return nullptr;
    if (!setStringResult(k, st, t.text, t.length)) return nullptr;
    for (std::uint8_t* p = k.resultString->base; *p; ++p)
        if (*p >= from && *p <= from + 25) *p = static_cast<std::uint8_t>(*p - from + to);
    return st;
}

}  // namespace

// MID: argument 0 a STRING s, argument 1 the 1-based start, argument 2 (optional) the length
// (56 for another count). A start below 1 or a negative length fails with 46. The result is at
// most length characters of s from the start (all the rest without a length); a start past the
// end gives the empty text.
Statement* Kestrun::CmdSubstring(Statement* st) {
    TextView s;
    std::int32_t start, length = -1;
    if (!checkArgCount(*this, st, 2, 3, 56) || !fetchText(*this, st, 0, s) || !fetchInt(*this, st, 1, start))
        return nullptr;
    if (st->argCount == 3) {
        if (!fetchInt(*this, st, 2, length)) return nullptr;
        if (length < 0) return failStatement(*this, 46);
    }
    if (start < 1) return failStatement(*this, 46);
    std::size_t from = static_cast<std::size_t>(start) - 1;
    if (from > s.length) from = s.length;
    std::size_t n = s.length - from;
    if (length >= 0 && static_cast<std::size_t>(length) < n) n = static_cast<std::size_t>(length);
    return setStringResult(*this, st, s.text + from, n);
}

// LEFT: the first n characters of argument 0 (the whole text when it is shorter).
Statement* Kestrun::CmdLeftPart(Statement* st) {
    TextView s;
    std::size_t n;
    if (!fetchTextAndCount(*this, st, s, n)) return nullptr;
    return setStringResult(*this, st, s.text, n < s.length ? n : s.length);
}

// RIGHT: the last n characters of argument 0 (the whole text when it is shorter).
Statement* Kestrun::CmdRightPart(Statement* st) {
    TextView s;
    std::size_t n;
    if (!fetchTextAndCount(*this, st, s, n)) return nullptr;
    const std::size_t from = n < s.length ? s.length - n : 0;
    return setStringResult(*this, st, s.text + from, s.length - from);
}

// CONCAT: 1 to 25 STRING arguments (56 for none, 14 for a value that is not a string), joined in
// order. Each is copied into the work text as soon as it is fetched, because fetching the next
// one may overwrite SYSTEM_STRING0; a join longer than SYSTEM_STRING0 holds is cut there.
Statement* Kestrun::CmdConcat(Statement* st) {
    if (!checkArgCount(*this, st, 1, kMaxArgs, 56)) return nullptr;
    TextWork work(*this);
    if (!work.area(0)) return failStatement(*this, 2);
    BoundedText joined(work.area(0), kResultTextLength);
    for (int i = 0; i < st->argCount; ++i) {
        TextView t;
        if (!fetchText(*this, st, i, t)) return nullptr;
        joined.append(t.text, t.length);
    }
    return setStringResult(*this, st, joined.text(), joined.length());
}

// ASC: the code (0 to 255) of the first character of the STRING argument; 0 for the empty text.
Statement* Kestrun::CmdCharCode(Statement* st) {
    TextView t;
    if (!checkArgCount(*this, st, 1, 1, 56) || !fetchText(*this, st, 0, t)) return nullptr;
    return setIntResult(*this, st, t.length ? static_cast<unsigned char>(t.text[0]) : 0);
}

// CHR: the one-character text of the low 8 bits of the numeric argument's integer view; code 0
// gives the empty text.
Statement* Kestrun::CmdCharFromCode(Statement* st) {
    std::int32_t code;
    if (!checkArgCount(*this, st, 1, 1, 56) || !fetchInt(*this, st, 0, code)) return nullptr;
    const char c = static_cast<char>(code & 0xFF);
    return setStringResult(*this, st, &c, c ? 1 : 0);
}

// VAL: the decimal number at the start of the STRING argument after leading white space
// (conversion stops at the first character that does not fit); 0 when there is none. Only
// decimal forms count: "0x1F" gives 0 and "inf" gives 0.
Statement* Kestrun::CmdParseNumber(Statement* st) {
    TextView t;
    if (!checkArgCount(*this, st, 1, 1, 56) || !fetchText(*this, st, 0, t)) return nullptr;
    std::size_t i = 0;
    while (i < t.length && isWhite(static_cast<unsigned char>(t.text[i]))) ++i;
    const std::size_t n = decimalNumberLength(t.text + i, t.length - i);
    double value = 0;
    if (n) {
        // A bounded copy, so the conversion reads exactly the characters found above.
        char number[128];
        if (n < sizeof number) {
            std::memcpy(number, t.text + i, n);
            number[n] = '\0';
            value = std::strtod(number, nullptr);
        } else {
            // A number of this many characters cannot start with a hexadecimal prefix, so the
            // conversion stops where the decimal form found above ends.
            value = std::strtod(t.text + i, nullptr);
        }
    }
    return setDoubleResult(*this, st, value);
}

// LTRIM: the STRING argument without its leading blanks and tabs.
Statement* Kestrun::CmdTrimLeft(Statement* st) {
    TextView t;
    if (!checkArgCount(*this, st, 1, 1, 56) || !fetchText(*this, st, 0, t)) return nullptr;
    std::size_t from = 0;
    while (from < t.length && isBlank(static_cast<unsigned char>(t.text[from]))) ++from;
    return setStringResult(*this, st, t.text + from, t.length - from);
}

// RTRIM: the STRING argument without its trailing white space (blank, tab, LF, VT, FF, CR).
Statement* Kestrun::CmdTrimRight(Statement* st) {
    TextView t;
    if (!checkArgCount(*this, st, 1, 1, 56) || !fetchText(*this, st, 0, t)) return nullptr;
    std::size_t n = t.length;
    while (n && isWhite(static_cast<unsigned char>(t.text[n - 1]))) --n;
    return setStringResult(*this, st, t.text, n);
}

// UCASE and LCASE: the STRING argument with the letters a to z (A to Z) in the other case.
Statement* Kestrun::CmdToUpper(Statement* st) { return caseCopy(*this, st, 'a', 'A'); }
Statement* Kestrun::CmdToLower(Statement* st) { return caseCopy(*this, st, 'A', 'a'); }

// HEX: the 64-bit integer view of the numeric argument in upper-case hexadecimal, without prefix
// or leading zeros (a negative value shows its sign-extended 64 bits).
Statement* Kestrun::CmdHexText(Statement* st) {
    if (!checkArgCount(*this, st, 1, 1, 56)) return nullptr;
    ArgValue a;
    if (!getArg(a, st, 0, WantAnyNumber)) return nullptr;
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(a.int64Value));
    return setStringResult(*this, st, text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// OVERWRITE: argument 0 a STRING (normally a variable), 1 the 1-based position, 2 the count,
// 3 the STRING replacement; exactly four arguments (56). From the position on, characters of
// argument 0 are replaced in place one by one by those of the replacement until the replacement
// ends, count characters are replaced, or the text ends: the text never grows or shrinks. A
// position outside the text or a count below 1 changes nothing and is no error.
Statement* Kestrun::CmdOverwriteChars(Statement* st) {
    TextView text, replacement;
    std::int32_t position, count;
    if (!checkArgCount(*this, st, 4, 4, 56) || !fetchText(*this, st, 0, text) ||
        !fetchInt(*this, st, 1, position) || !fetchInt(*this, st, 2, count) ||
        !fetchText(*this, st, 3, replacement))
        return nullptr;
    if (position < 1 || count < 1 || static_cast<std::size_t>(position) - 1 >= text.length) return st;
    std::size_t at = static_cast<std::size_t>(position) - 1;
    for (std::size_t i = 0; i < replacement.length && i < static_cast<std::size_t>(count) && at < text.length; ++i)
        text.text[at++] = replacement.text[i];
    return st;
}

// SETPRECISION: exactly one numeric argument (56 for another count); its integer view becomes
// DECIMAL_PREC, the number of decimal places that printing gives FLOAT and DOUBLE values.
Statement* Kestrun::CmdSetDecimalPlaces(Statement* st) {
    std::int32_t places;
    if (!checkArgCount(*this, st, 1, 1, 56) || !fetchInt(*this, st, 0, places)) return nullptr;
    decimalPrecision = places;
    return st;
}

}  // namespace kestrun
