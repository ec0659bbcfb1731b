// Record operations on USER_0 values and the element copies they are built from. A USER_0
// element's storage holds a pointer to its member list: an empty head record followed by one
// Variable per member.
#include "records.h"

#include <algorithm>
#include <cstring>

#include "record_layout.h"

namespace kestrun {

namespace {

// Capacity of a whole string at the start of its storage: the full length of a single string,
// or one row of a string array.
std::int32_t wholeStringCapacity(const Variable* v) {
    return v->rowLength == 1 ? static_cast<std::int32_t>(v->dims[0]) : v->rowLength;
}

// Cuts a capacity to the bytes left before the end of the storage. A position on the storage's
// last byte gets 0 when a character would go there: that byte is the string's last terminator.
std::int32_t usableCapacity(const std::uint8_t* dest, std::int32_t capacity, const std::uint8_t* end) {
    if (!end) return capacity;
    if (dest >= end) return 0;
    const std::ptrdiff_t left = end - dest;
    if (capacity > left) capacity = static_cast<std::int32_t>(left);
    if (left == 1 && capacity == 1) return 0;
    return capacity;
}

}  // namespace

const std::uint8_t* storageEnd(const Variable* v) {
    if (!v || !v->isArray || !v->base) return nullptr;
    std::uint64_t size = kVarTypes[v->type].width;
    if (v->type == TypeString) size *= static_cast<std::uint32_t>(v->rowLength > 0 ? v->rowLength : 0);
    for (std::uint32_t d : v->dims)
        if (d) size *= d;
    return v->base + size;
}

std::uint32_t elementCount(const Variable* v) {
    std::uint32_t n = 1;
    for (std::uint32_t d : v->dims)
        if (d) n *= d;
    return n;
}

std::size_t boundedLength(const std::uint8_t* text, const std::uint8_t* end) {
    if (!end) return std::strlen(reinterpret_cast<const char*>(text));
    const std::uint8_t* p = text;
    while (p < end && *p) ++p;
    return static_cast<std::size_t>(p - text);
}

void storeText(std::uint8_t* dest, std::int32_t capacity, const std::uint8_t* end, const char* text,
               std::size_t length) {
    const std::int32_t c = usableCapacity(dest, capacity, end);
    if (c <= 0) return;
    if (c == 1) {
        dest[0] = static_cast<std::uint8_t>(length ? text[0] : '\0');
        return;
    }
    const std::size_t n = length < static_cast<std::size_t>(c - 1) ? length : static_cast<std::size_t>(c - 1);
    std::memmove(dest, text, n);
    dest[n] = '\0';
}

void storeCharacter(std::uint8_t* dest, std::int32_t capacity, const std::uint8_t* end, char c) {
    if (usableCapacity(dest, capacity, end) <= 0) return;
    dest[0] = static_cast<std::uint8_t>(c);
}

bool copyFixedElement(Variable* to, std::uint8_t* toAddress, const Variable* from, const std::uint8_t* fromAddress) {
    switch (to->type) {
        case TypeChar: case TypeWord: case TypeInt: case TypeFloat: case TypeMemory: case TypeFile:
        case TypeBFile: case TypeUInt: case TypeDouble: case TypeInt64: case TypeUInt64:
            break;
        case TypePointer:
            designate(to, from->target);
            break;
        default:
            return false;
    }
    std::memmove(toAddress, fromAddress, kVarTypes[to->type].width);
    return true;
}

// Walks the two member lists in parallel from their first members while both have one. Each
// pair is copied as for equal types: fixed-width members one element at their storage base,
// STRING members as a whole string with the target member's capacity, nested USER_0 members
// element by element, recursively. A pair of different types, or of a type that cannot be copied
// (ARRAY_0, SYSTEM_0, LABEL_0, WINDOW, DIALOG), stops the copy with error 11; the members copied
// before it stay copied. When one list ends first the copy ends without error, and so it does
// when either element holds no member list.
bool Kestrun::copyRecord(Variable* targetHead, Variable* sourceHead) {
    if (!targetHead || !sourceHead) return true;
    for (Variable *to = targetHead->next, *from = sourceHead->next; to && from; to = to->next, from = from->next) {
        std::uint8_t* toAddress = memberStorage(to);
        const std::uint8_t* fromAddress = memberStorage(from);
        if (to->type != from->type || !toAddress || !fromAddress) {
            errorCode = 11;
            return false;
        }
        if (to->type == TypeUser) {
            const std::uint32_t n =
                std::min({elementCount(to), elementCount(from), to->count, from->count});
            for (std::uint32_t i = 0; i < n; ++i) {
                const std::size_t offset = std::size_t{kVarTypes[TypeUser].width} * i;
                if (!copyRecord(recordMembersAt(toAddress + offset), recordMembersAt(fromAddress + offset))) return false;
            }
        } else if (to->type == TypeString) {
            const std::uint8_t* fromEnd = storageEnd(from);
            storeText(toAddress, wholeStringCapacity(to), storageEnd(to), reinterpret_cast<const char*>(fromAddress),
                      boundedLength(fromAddress, fromEnd));
        } else if (!copyFixedElement(to, toAddress, from, fromAddress)) {
            errorCode = 11;
            return false;
        }
    }
    return true;
}

}  // namespace kestrun
