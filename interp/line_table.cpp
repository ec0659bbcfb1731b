// The two passes over the program image that run before the first statement: splitting it into
// the line table with source line numbers, and defining every label and subroutine.
#include <cstdlib>
#include <cstring>

#include "kestrun.h"
#include "text_util.h"

namespace kestrun {

namespace {

// One segment of the image: [begin, end) without its terminator, and how it ended.
struct Segment {
    char* begin;
    char* end;          // position of the CR of CR LF, of the LF, or of the final zero byte
    char* next;         // first byte of the following segment, or null after the last one
    bool endsWithCrLf;
    bool endsWithLf;
};

Segment segmentAt(char* p) {
    Segment s{p, p, nullptr, false, false};
    char* q = p;
    while (*q && *q != '\n') ++q;
    if (*q == '\n') {
        s.next = q + 1;
        if (q > p && q[-1] == '\r') {
            s.end = q - 1;
            s.endsWithCrLf = true;
        } else {
            s.end = q;
            s.endsWithLf = true;
        }
    } else {
        // The last segment: a CR right before the end of the image is dropped as well.
        s.end = (q > p && q[-1] == '\r') ? q - 1 : q;
    }
    return s;
}

const char* firstNonBlank(const char* begin, const char* end) {
    while (begin < end && isBlank(static_cast<unsigned char>(*begin))) ++begin;
    return begin;
}

bool isCommentStart(char c) { return c == ';' || c == '\''; }

}  // namespace

bool Kestrun::prepareLines() {
    char* image = reinterpret_cast<char*>(programImage);
    std::uint32_t count = 0;
    for (char* p = image; p;) {
        const Segment s = segmentAt(p);
        const char* first = firstNonBlank(s.begin, s.end);
        if (first < s.end && !isCommentStart(*first)) ++count;
        p = s.next;
    }
    if (count == 0) return false;

    lines = static_cast<char**>(std::calloc(count, sizeof(char*)));
    lineNumbers = static_cast<std::uint16_t*>(std::calloc(count, sizeof(std::uint16_t)));
    if (!lines || !lineNumbers) {
        std::free(lines);
        std::free(lineNumbers);
        lines = nullptr;
        lineNumbers = nullptr;
        errorCode = 2;
        return false;
    }

    std::uint32_t sourceLine = 1;
    std::uint32_t index = 0;
    bool crLf = false;
    for (char* p = image; p;) {
        const Segment s = segmentAt(p);
        if (s.endsWithCrLf || s.endsWithLf) crLf = s.endsWithCrLf;
        *s.end = '\0';
        p = s.next;

        char* first = const_cast<char*>(firstNonBlank(s.begin, s.end));
        const bool blank = first == s.end;
        if ((!blank && isCommentStart(*first)) || (blank && crLf)) {
            ++sourceLine;
            continue;
        }
        if (!blank && index < count) {
            lines[index] = first;
            lineNumbers[index] = static_cast<std::uint16_t>(sourceLine - 1);
            ++index;
        }
        if (crLf) ++sourceLine;
    }
    lineCount = index;
    return true;
}

bool Kestrun::indexLabels() {
    Statement* st = newStatement(kMaxArgs);
    if (!st) {
        errorCode = 2;
        return false;
    }
    for (currentLine = 0; currentLine < lineCount; ++currentLine) {
        char* p = skipBlanks(lines[currentLine]);
        const unsigned char* u = reinterpret_cast<unsigned char*>(p);
        const bool commandLine = u[0] == 0xFF;
        int code = -1;
        char* headEnd;
        if (commandLine) {
            if (u[1] < 0xE0 || u[2] < 0xE0) continue;
            code = (u[1] - 0xE0) * 16 + (u[2] - 0xE0);
            headEnd = p + 3;
        } else {
            headEnd = p;
            while (*headEnd && !isBlank(static_cast<unsigned char>(*headEnd)) && *headEnd != '(') ++headEnd;
            if (!*headEnd) {
                char* colon = std::strchr(p, ':');
                if (!colon) continue;
                headEnd = colon + 1;
            }
        }
        const std::size_t headLength = static_cast<std::size_t>(headEnd - p);
        const bool colonForm = !commandLine && headLength > 0 && headEnd[-1] == ':';
        const bool keywordForm = code == 23 || code == 56 || equalsNoCase(p, headLength, "label", 5) ||
                                 equalsNoCase(p, headLength, "sub", 3);
        if (!colonForm && !keywordForm) continue;

        // The name, copied so the line stays as written.
        char name[kArgSlotSize];
        const char* nameBegin;
        std::size_t nameLength;
        if (colonForm) {
            nameBegin = p;
            nameLength = headLength - 1;
        } else {
            nameBegin = skipBlanks(headEnd);
            nameLength = 0;
            while (nameBegin[nameLength] && !isBlank(static_cast<unsigned char>(nameBegin[nameLength])) &&
                   nameBegin[nameLength] != '(')
                ++nameLength;
        }
        if (nameLength >= sizeof name) nameLength = sizeof name - 1;
        std::memcpy(name, nameBegin, nameLength);
        name[nameLength] = '\0';
        if (colonForm) lines[currentLine][0] = '\0';

        st->text = name;
        st->argCount = 1;
        if (!CmdDefineLabel(st)) {
            ++currentLine;
            freeStatement(st);
            return false;
        }
    }
    freeStatement(st);
    errorCode = 0;
    return true;
}

Statement* Kestrun::CmdDefineLabel(Statement* st) {
    if (st->argCount != 1 || !st->text || !st->text[0]) {
        errorCode = 1;
        return nullptr;
    }
    char name[kArgSlotSize];
    std::strncpy(name, st->text, sizeof name - 1);
    name[sizeof name - 1] = '\0';
    Variable* existing = findVariable(name, nullptr, false);
    if (!existing) {
        errorCode = 0;
        Variable* label = createVariable(name, TypeLabel, 0, nullptr);
        if (!label) return nullptr;
        label->capacity = static_cast<std::int32_t>(currentLine);
        return st;
    }
    if (existing->type == TypeLabel) return st;
    if (errorCode == 0) errorCode = 1;
    return nullptr;
}

}  // namespace kestrun
