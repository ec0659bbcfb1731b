// Record types: TYPE ... ENDTYPE defines a type from declaration lines, and every instance of
// the type gets member lists built from those lines.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "declaration_items.h"
#include "record_layout.h"
#include "records.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

static_assert(sizeof(Variable*) <= 4, "a USER_0 element slot holds a pointer to its member list");

namespace {

constexpr std::uint16_t kDefineTypeCode = 74;
constexpr std::uint16_t kEndTypeCode = 75;
constexpr std::uint16_t kDeclareCode = 21;
// The most memory the member lists of one record array may take (the variable store's limit on
// one storage block).
constexpr std::uint64_t kMaxRecordListBytes = 0x7FFFFFFFu;

// How a line of the block scan counts: a block head, a block end, or neither. A command line
// counts by its code; a plain line by its first word (up to a blank, tab, "=", "(" or quote),
// "TYPE" or "ENDTYPE" without regard to case.
enum class BlockLine { Head, End, Other };

BlockLine classifyBlockLine(const char* line) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(line);
    if (u[0] == 0xFF) {
        if (u[1] < 0xE0 || u[1] > 0xEF || u[2] < 0xE0 || u[2] > 0xEF) return BlockLine::Other;
        const int code = (u[1] - 0xE0) * 16 + (u[2] - 0xE0);
        return code == kDefineTypeCode ? BlockLine::Head : code == kEndTypeCode ? BlockLine::End : BlockLine::Other;
    }
    std::size_t n = 0;
    while (line[n] && !std::strchr(" \t=(\"", line[n])) ++n;
    if (equalsNoCase(line, n, "TYPE", 4)) return BlockLine::Head;
    if (equalsNoCase(line, n, "ENDTYPE", 7)) return BlockLine::End;
    return BlockLine::Other;
}

// Fills the member list that starts at head from the body lines of type.
bool buildMembers(Kestrun& k, const TypeDef& type, Variable* head, int depth) {
    for (std::int32_t line = type.firstLine; line <= type.lastLine; ++line) {
        char* text = k.lines[line];
        if (!text[0]) continue;  // a label line, blanked when labels were indexed
        Statement* st = k.spareStatement;
        // The line is parsed again for every name: the members of a nested record are built from
        // lines parsed into the same Statement.
        for (int i = 0;; ++i) {
            if (k.parseStatement(st, text) != 0 || st->code != kDeclareCode || st->argCount == 0) {
                k.errorCode = 1;
                return false;
            }
            if (i >= st->argCount) break;
            DeclarationItem item;
            if (!declarationItem(st, i, item)) {
                k.errorCode = 1;
                return false;
            }
            if (!declareVariable(k, item, head, depth + 1)) return false;
        }
    }
    return true;
}

// Bytes the member list that starts at head takes: every member's Variable and storage, and the
// member lists of its record elements.
std::uint64_t recordFootprint(const Variable* head) {
    std::uint64_t bytes = 0;
    for (const Variable* m = head; m; m = m->next) {
        bytes += sizeof(Variable);
        if (!m->isBorrowed) bytes += std::uint64_t{m->count} * kVarTypes[m->type].width;
        if (m->type != TypeUser) continue;
        for (std::uint32_t i = 0, n = recordElementCount(m); i < n; ++i) bytes += recordFootprint(recordElementAt(m, i));
    }
    return bytes;
}

}  // namespace

const TypeDef* findTypeDef(const Kestrun& k, const char* name, std::size_t length) {
    for (const TypeDef* t = k.typeList; t; t = t->next)
        if (equalsNoCase(t->name, std::strlen(t->name), name, length)) return t;
    return nullptr;
}

bool buildRecordElements(Kestrun& k, Variable* v, const TypeDef& type, int depth) {
    if (depth >= kMaxRecordNesting) {
        k.errorCode = 1;
        return false;
    }
    v->aux = type.packing;
    std::uint8_t* first = v->isArray ? v->base : v->data;
    if (!first) return true;
    const std::uint32_t n = std::min(elementCount(v), v->count);
    // An array that cannot be built stops with error 2 and gives up its slots at once, so that
    // its release has none to walk (the members built so far go with them).
    auto outOfMemory = [&](std::uint32_t built) {
        for (std::uint32_t i = 0; i < built; ++i)
            if (Variable* head = recordElementAt(v, i)) k.freeVariableChain(head, false);
        if (!v->isBorrowed) std::free(first);
        v->data = v->base = nullptr;
        v->count = 0;
        k.errorCode = 2;
        return false;
    };
    // Every element gets a member list. When even their heads would take more than the largest
    // block a program may have, nothing is built; once the first element is built, its size
    // tells whether all of them fit; and the lists built so far never pass that limit either.
    // So a huge array stops with error 2 at once instead of building lists until memory runs out.
    if (std::uint64_t{n} * sizeof(Variable) > kMaxRecordListBytes) return outOfMemory(0);
    std::uint64_t builtBytes = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        // The head goes into its slot before the members are built, so that a failure leaves
        // everything reachable for release.
        Variable* head = static_cast<Variable*>(std::calloc(1, sizeof(Variable)));
        if (!head) {
            k.errorCode = 2;
            return false;
        }
        std::memcpy(first + kVarTypes[TypeUser].width * i, &head, sizeof head);
        if (!buildMembers(k, type, head, depth)) return false;
        const std::uint64_t elementBytes = recordFootprint(head);
        builtBytes += elementBytes;
        if (builtBytes > kMaxRecordListBytes || (i == 0 && elementBytes * n > kMaxRecordListBytes))
            return outOfMemory(i + 1);
    }
    return true;
}

// TYPE: argument 0 the type name, argument 1 (optional) the packing, an INT (20 otherwise); 1
// for another count. Scans forward for the block end; a nested block head or no end fails with
// 47. Appends the definition (name cut to 16 characters, body lines, packing 8 unless given) and
// continues after the block end: the body lines run only when an instance is created.
Statement* Kestrun::CmdDefineType(Statement* st) {
    if (!checkArgCount(*this, st, 1, 2, 1)) return nullptr;
    std::uint32_t end = currentLine + 1;
    for (;; ++end) {
        if (end >= lineCount) return failStatement(*this, 47);
        const BlockLine kind = classifyBlockLine(lines[end]);
        if (kind == BlockLine::Head) return failStatement(*this, 47);
        if (kind == BlockLine::End) break;
    }
    std::int32_t packing = 8;
    if (st->argCount == 2) {
        ArgValue p;
        if (!getArg(p, st, 1, TypeInt)) return nullptr;
        packing = p.intValue;
    }

    TypeDef* type = static_cast<TypeDef*>(std::calloc(1, sizeof(TypeDef)));
    if (!type) return failStatement(*this, 2);
    const char* name = skipBlanks(st->args[0]);
    std::size_t length = std::strlen(name);
    while (length && isWhite(static_cast<unsigned char>(name[length - 1]))) --length;
    std::memcpy(type->name, name, std::min(length, sizeof type->name - 1));
    type->firstLine = static_cast<std::int32_t>(currentLine + 1);
    type->lastLine = static_cast<std::int32_t>(end - 1);
    type->packing = packing;

    TypeDef** link = &typeList;
    TypeDef* prev = nullptr;
    while (*link) {
        prev = *link;
        link = &(*link)->next;
    }
    type->prev = prev;
    *link = type;
    currentLine = end;
    return st;
}

void Kestrun::releaseTypeList() {
    while (typeList) {
        TypeDef* next = typeList->next;
        std::free(typeList);
        typeList = next;
    }
}

}  // namespace kestrun
