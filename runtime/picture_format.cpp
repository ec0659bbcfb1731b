// FORMAT: the picture formatter. A picture is text with numeric fields made of digit marks and
// flags, and "&" fields that take a text; the values fill the fields in order.
#include <cstdio>
#include <cstring>

#include "kestrun.h"
#include "results.h"
#include "text_util.h"
#include "text_work.h"

namespace kestrun {

namespace {

// The numeric field being read: digits before and after the point, and the flags.
struct PictureField {
    int digits = 0;    // "#" before the point
    int decimals = 0;  // "#" after the point
    bool minus = false, zero = false, point = false, thousands = false;
};

// The state of one formatting run: the statement, the next value to take, and the output.
struct PictureRun {
    Kestrun& k;
    Statement* st;
    int next;
    BoundedText& out;
};

// Inserts a comma before every group of three digits of the field [field, field + length),
// counted leftwards from its decimal point (or from its last non-blank character), where
// another digit stands before the group. The field grows by one character per comma; characters
// that would pass keep (the room of the output) are dropped. Returns the new length, at most
// keep.
std::size_t insertThousands(char* field, std::size_t length, std::size_t keep) {
    const char* point = static_cast<const char*>(std::memchr(field, '.', length));
    std::size_t anchor = point ? static_cast<std::size_t>(point - field) : length;
    if (!point)
        while (anchor && isBlank(static_cast<unsigned char>(field[anchor - 1]))) --anchor;
    std::size_t runStart = anchor;
    while (runStart && isDigit(static_cast<unsigned char>(field[runStart - 1]))) --runStart;
    const std::size_t runLength = anchor - runStart;
    const std::size_t commas = runLength ? (runLength - 1) / 3 : 0;
    if (!commas) return length < keep ? length : keep;

    // From the right, so that every character is read before its place is written.
    const std::size_t grown = length + commas;
    std::size_t to = grown;
    for (std::size_t from = length; from > 0;) {
        --from;
        const char c = field[from];
        if (--to < keep) field[to] = c;
        if (from > runStart && from < anchor && (anchor - from) % 3 == 0)
            if (--to < keep) field[to] = ',';
    }
    return grown < keep ? grown : keep;
}

// Writes the pending numeric field with the next value, when the field has digit marks: fetches
// the value as a number (19 when it is not one, 56 when no value is left), formats it and
// appends it, then starts a new field. False with errorCode set.
bool flushField(PictureRun& run, PictureField& f) {
    if (!f.digits && !f.decimals) return true;
    ArgValue v;
    if (!run.k.getArg(v, run.st, run.next++, WantAnyNumber)) return false;

    // "%", then "-" for the minus flag; the zero flag asks for zero padding of a real and for a
    // minimum number of digits (the precision) of an integer.
    char format[16] = "%";
    if (f.minus) std::strcat(format, "-");
    if (f.zero) std::strcat(format, f.point ? "0" : ".");
    char* field = run.out.end();
    const std::size_t room = run.out.room() + 1;  // the terminator's byte is the output's own
    int n;
    if (f.point) {
        std::strcat(format, "*.*f");
        n = std::snprintf(field, room, format, f.digits + f.decimals + 1, f.decimals, v.doubleValue);
    } else if (v.valueType == TypeInt64) {
        std::strcat(format, "*lld");
        n = std::snprintf(field, room, format, f.digits, static_cast<long long>(v.int64Value));
    } else if (v.valueType == TypeUInt64) {
        std::strcat(format, "*llu");
        n = std::snprintf(field, room, format, f.digits, static_cast<unsigned long long>(v.int64Value));
    } else if (v.intValue == v.int64Value) {
        std::strcat(format, "*d");
        n = std::snprintf(field, room, format, f.digits, static_cast<int>(v.intValue));
    } else {
        std::strcat(format, "*lld");
        n = std::snprintf(field, room, format, f.digits, static_cast<long long>(v.int64Value));
    }
    std::size_t length = n > 0 ? static_cast<std::size_t>(n) : 0;
    if (length >= room) {
        run.out.grow(room);  // cut at the capacity
    } else {
        if (f.thousands) length = insertThousands(field, length, room - 1);
        run.out.grow(length);
    }
    f = PictureField{};
    return true;
}

}  // namespace

// FORMAT: argument 0 the picture, arguments 1 to 24 the values; at least two arguments (56).
// Reading the picture: "#" adds a digit before the point, or after it once "." was read; ","
// asks for thousands separators, "-" for left justification, "0" for zeros, "." for the point;
// these four never reach the output. "&" writes the pending field, then the next value fetched
// as a STRING (14 otherwise). Any other character writes the pending field and then itself. The
// end of the picture writes the pending field. A field without a value left fails with 56. The
// picture is copied first and the output built in the work text, because fetching a value may
// overwrite SYSTEM_STRING0; an output longer than SYSTEM_STRING0 holds is cut there.
Statement* Kestrun::CmdFormatNumbers(Statement* st) {
    if (!checkArgCount(*this, st, 2, kMaxArgs, 56)) return nullptr;
    ArgValue pictureValue;
    if (!getArg(pictureValue, st, 0, TypeString)) return nullptr;
    TextWork work(*this);
    if (!work.area(0)) return failStatement(*this, 2);
    const TextView pictureText = textOf(*this, pictureValue);
    BoundedText picture(work.area(1), kResultTextLength);
    picture.append(pictureText.text, pictureText.length);

    BoundedText out(work.area(0), kResultTextLength);
    PictureRun run{*this, st, 1, out};
    PictureField f;
    for (const char* p = picture.text();; ++p) {
        switch (*p) {
            case '#': ++(f.point ? f.decimals : f.digits); continue;
            case ',': f.thousands = true; continue;
            case '-': f.minus = true; continue;
            case '.': f.point = true; continue;
            case '0': f.zero = true; continue;
            default: break;
        }
        if (!flushField(run, f)) return nullptr;
        if (*p == '\0') break;
        if (*p == '&') {
            ArgValue text;
            if (!getArg(text, st, run.next++, TypeString)) return nullptr;
            const TextView t = textOf(*this, text);
            out.append(t.text, t.length);
        } else {
            out.append(*p);
        }
    }
    return setStringResult(*this, st, out.text(), out.length());
}

}  // namespace kestrun
