// Line inspection shared by the control-flow statements: command codes of lines, tokens inside a
// line, the forward scan that matches blocks, and the resolution of jump and call targets.
#include "flow_lines.h"

#include <cstring>

#include "records.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

int lineCode(const char* line) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(line);
    if (u[0] != 0xFF || u[1] < 0xE0 || u[2] < 0xE0) return -1;
    return (u[1] - 0xE0) * 16 + (u[2] - 0xE0);
}

const char* findToken(const char* text, int code) {
    const unsigned char c1 = static_cast<unsigned char>(0xE0 + code / 16);
    const unsigned char c2 = static_cast<unsigned char>(0xE0 + code % 16);
    bool quoted = false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p == '"') quoted = !quoted;
        else if (!quoted && p[0] == 0xFF && p[1] == c1 && p[2] == c2) return reinterpret_cast<const char*>(p);
    }
    return nullptr;
}

bool isSingleLineConditional(const char* line) {
    return lineCode(line) == CodeConditional && findToken(line + 3, CodeThen) != nullptr;
}

std::int64_t findBlockEnd(const Kestrun& k, std::uint32_t from, int opener, int closer) {
    int depth = 1;
    for (std::uint32_t i = from + 1; i < k.lineCount; ++i) {
        const char* line = k.lines[i];
        const int code = lineCode(line);
        if (code == opener && (opener != CodeConditional || !isSingleLineConditional(line))) ++depth;
        else if (code == closer && --depth == 0) return i;
    }
    return -1;
}

bool copyTrimmed(const char* text, char* out, std::size_t size) {
    const char* begin = skipBlanks(text);
    std::size_t length = std::strlen(begin);
    while (length && isWhite(static_cast<unsigned char>(begin[length - 1]))) --length;
    if (length >= size) return false;
    std::memcpy(out, begin, length);
    out[length] = '\0';
    return true;
}

Variable* resolveLabel(Kestrun& k, const char* nameText) {
    char name[kArgSlotSize];
    if (!copyTrimmed(nameText, name, sizeof name)) {
        failStatement(k, 1);
        return nullptr;
    }
    if (name[0] == '$') {
        Variable* v = k.findVariable(name + 1, nullptr, false);
        if (!v) {
            if (k.errorCode == 0) k.errorCode = 10;
            return nullptr;
        }
        if (v->type != TypeString || !v->data) {
            failStatement(k, 14);
            return nullptr;
        }
        // The name held, read no further than the string's storage and cut to the name buffer.
        std::size_t length = boundedLength(v->data, storageEnd(v));
        if (length >= sizeof name) length = sizeof name - 1;
        char held[kArgSlotSize];
        std::memcpy(held, v->data, length);
        held[length] = '\0';
        if (!copyTrimmed(held, name, sizeof name)) {
            failStatement(k, 1);
            return nullptr;
        }
    }
    Variable* label = name[0] ? k.findVariable(name, nullptr, false) : nullptr;
    if (!label) {
        failStatement(k, 12);
        return nullptr;
    }
    if (label->type != TypeLabel || label->isExternal) {
        failStatement(k, 14);
        return nullptr;
    }
    k.errorCode = 0;
    return label;
}

}  // namespace kestrun
