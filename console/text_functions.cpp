// The text functions that belong to console output: a number as text, a repeated character,
// blanks, and the position of a text inside another.
#include <cmath>
#include <cstring>

#include "handler_support.h"
#include "kestrun.h"
#include "print_format.h"
#include "text_line.h"
#include "../runtime/text_work.h"

namespace kestrun {

namespace {

// Count argument i of a repeat: below 1 gives 0; the result variable cuts what is too long.
bool fetchCount(Kestrun& k, Statement* st, int i, std::size_t& count) {
    ArgValue value;
    if (!k.getArg(value, st, i, WantAnyNumber)) return false;
    count = value.intValue > 0 ? static_cast<std::size_t>(value.intValue) : 0;
    return true;
}

}  // namespace

// STR(number): one number (56, 19). A value whose float view has a fraction gives a blank and
// the value with DECIMAL_PREC decimals; a whole value gives a blank and the integer (beyond the
// 32-bit range every digit of the value, never a wrapped integer).
Statement* Kestrun::CmdNumberText(Statement* st) {
    if (!checkArgCount(*this, st, 1, 1, 56)) return nullptr;
    ArgValue value;
    if (!getArg(value, st, 0, WantAnyNumber)) return nullptr;
    char text[1200];
    TextLine line(text, sizeof text);
    line.append(' ');
    const double f = value.floatValue;
    if (std::trunc(f) != f) {
        appendDecimals(line, f, decimalPrecision);
    } else if (value.doubleValue >= -2147483648.0 && value.doubleValue < 2147483648.0) {
        line.appendFormat("%d", static_cast<int>(value.intValue));
    } else {
        appendWholeNumber(line, std::trunc(value.doubleValue));
    }
    return setStringResult(*this, st, line.text(), line.length());
}

// REPEATCHAR(count, character): count a number (19); the character a STRING (its first byte) or
// a CHAR, INT, FLOAT or DOUBLE (the low byte of its integer view), else 14. Wrong count: 56.
Statement* Kestrun::CmdRepeatChar(Statement* st) {
    if (!checkArgCount(*this, st, 2, 2, 56)) return nullptr;
    std::size_t count;
    if (!fetchCount(*this, st, 0, count)) return nullptr;
    ArgValue character;
    if (!getArg(character, st, 1, WantAny)) return nullptr;
    char c;
    switch (character.valueType) {
        case TypeString: c = character.text ? character.text[0] : '\0'; break;
        case TypeChar: case TypeInt: case TypeFloat: case TypeDouble:
            c = static_cast<char>(character.intValue & 0xFF);
            break;
        default:
            return failStatement(*this, 14);
    }
    // A zero character makes an empty text.
    return fillStringResult(*this, st, c, c ? count : 0);
}

// SPACES(count): one number (56, 19); count blanks.
Statement* Kestrun::CmdSpaces(Statement* st) {
    if (!checkArgCount(*this, st, 1, 1, 56)) return nullptr;
    std::size_t count;
    if (!fetchCount(*this, st, 0, count)) return nullptr;
    return fillStringResult(*this, st, ' ', count);
}

// INSTR([start,] text, pattern): texts are STRINGs (14), start a number (19) counted from 1
// (below 1 counts as 1); wrong count 56. The result is the 1-based position of the first
// occurrence of pattern in text at or after start, or 0.
Statement* Kestrun::CmdFindText(Statement* st) {
    if (!checkArgCount(*this, st, 2, 3, 56)) return nullptr;
    int next = 0;
    std::int64_t start = 1;
    if (st->argCount == 3) {
        ArgValue first;
        if (!getArg(first, st, next++, WantAnyNumber)) return nullptr;
        start = first.int64Value < 1 ? 1 : first.int64Value;
    }
    ArgValue text, pattern;
    if (!getArg(text, st, next++, TypeString)) return nullptr;
    // The text may live in SYSTEM_STRING0, which the pattern's evaluation can overwrite: keep a
    // copy in the work text.
    TextWork work(*this);
    if (!work.area(0)) return failStatement(*this, 2);
    TextLine textCopy(work.area(0), kTextWorkAreaSize);
    const TextView whole = textOf(*this, text);
    textCopy.append(whole.text, whole.length);
    if (!getArg(pattern, st, next, TypeString)) return nullptr;

    std::int32_t position = 0;
    const std::size_t length = textCopy.length();
    if (pattern.text && static_cast<std::uint64_t>(start) <= length) {
        const char* from = textCopy.text() + (start - 1);
        if (const char* found = std::strstr(from, pattern.text))
            position = static_cast<std::int32_t>(found - textCopy.text()) + 1;
    }
    return setIntResult(*this, st, position);
}

}  // namespace kestrun
