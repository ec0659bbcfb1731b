// Record operations on USER_0 values and the element copies they are built from. A USER_0
// element's storage holds a pointer to its member list: an empty head record followed by one
// Variable per member.
#include "records.h"

#include <algorithm>
#include <cstring>

namespace kestrun {

namespace {

// The member list that a USER_0 element slot refers to (null when the slot is empty).
Variable* membersAt(const std::uint8_t* slot) {
    Variable* head = nullptr;
    if (slot) std::memcpy(&head, slot, sizeof head);
    return head;
}

// First element of a variable's storage: a member is always addressed at its storage base.
std::uint8_t* firstElement(const Variable* v) { return v->isArray ? v->base : v->data; }

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
            to->target = from->target;
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
        std::uint8_t* toAddress = firstElement(to);
        const std::uint8_t* fromAddress = firstElement(from);
        if (to->type != from->type || !toAddress || !fromAddress) {
            errorCode = 11;
            return false;
        }
        if (to->type == TypeUser) {
            const std::uint32_t n =
                std::min({elementCount(to), elementCount(from), to->count, from->count});
            for (std::uint32_t i = 0; i < n; ++i) {
                const std::size_t offset = std::size_t{kVarTypes[TypeUser].width} * i;
                if (!copyRecord(membersAt(toAddress + offset), membersAt(fromAddress + offset))) return false;
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

// ---- Record layout -----------------------------------------------------------------------------

namespace {

// One transfer between a value and a byte area of size bytes: from the value into out, or from
// in into the value. pos is the layout position of the next value; it moves by each value's whole
// layout length, so every member lands at its own offset whatever could be copied before it.
struct LayoutTransfer {
    std::uint8_t* out;
    const std::uint8_t* in;
    std::size_t size;
    std::size_t pos;
};

// Bytes of the storage of a value of any type but USER_0: element width × element count.
std::uint64_t plainLength(const Variable* v) {
    return std::uint64_t{kVarTypes[v->type].width} * v->count;
}

std::uint64_t recordSizeAt(const std::uint8_t* slot);

std::uint64_t layoutSize(const Variable* v, const std::uint8_t* element) {
    return v->type == TypeUser ? recordSizeAt(element) : plainLength(v);
}

// Layout length of the record whose member list the slot refers to.
std::uint64_t recordSizeAt(const std::uint8_t* slot) {
    const Variable* head = membersAt(slot);
    std::uint64_t size = 0;
    for (const Variable* m = head ? head->next : nullptr; m; m = m->next) {
        if (m->type != TypeUser) {
            size += plainLength(m);
            continue;
        }
        const std::uint8_t* first = firstElement(m);
        const std::uint32_t n = first ? std::min(elementCount(m), m->count) : 0;
        for (std::uint32_t i = 0; i < n; ++i) size += recordSizeAt(first + std::size_t{kVarTypes[TypeUser].width} * i);
    }
    return size;
}

// Moves the storage of a value of any type but USER_0, starting at element, between the value and
// the area: as much as lies both in the area and in the value's storage.
void transferPlain(Variable* v, std::uint8_t* element, LayoutTransfer& t) {
    const std::uint64_t length = plainLength(v);
    const std::size_t start = t.pos;
    t.pos = length < t.size - start ? start + static_cast<std::size_t>(length) : t.size;
    std::uint8_t* first = firstElement(v);
    if (!element || !first || element < first) return;
    std::uint8_t* end = first + length;
    if (element >= end) return;
    std::size_t n = t.pos - start;
    if (static_cast<std::size_t>(end - element) < n) n = static_cast<std::size_t>(end - element);
    if (n == 0) return;
    if (t.out) {
        std::memcpy(t.out + start, element, n);
    } else {
        std::memcpy(element, t.in + start, n);
        // Raw bytes may hold no terminator: the storage's last byte stays one.
        if (v->type == TypeString) end[-1] = 0;
    }
}

// Moves one record (the slot refers to its member list) member by member.
void transferRecord(const std::uint8_t* slot, LayoutTransfer& t) {
    Variable* head = membersAt(slot);
    for (Variable* m = head ? head->next : nullptr; m && t.pos < t.size; m = m->next) {
        std::uint8_t* first = firstElement(m);
        if (m->type != TypeUser) {
            transferPlain(m, first, t);
            continue;
        }
        const std::uint32_t n = first ? std::min(elementCount(m), m->count) : 0;
        for (std::uint32_t i = 0; i < n; ++i) transferRecord(first + std::size_t{kVarTypes[TypeUser].width} * i, t);
    }
}

void transferValue(Variable* v, std::uint8_t* element, LayoutTransfer& t) {
    if (!v || !element || t.size == 0) return;
    if (v->type == TypeUser) transferRecord(element, t);
    else transferPlain(v, element, t);
}

}  // namespace

std::uint64_t recordLayoutSize(const Variable* v, const std::uint8_t* element) {
    if (!v || (v->type == TypeUser && !element)) return 0;
    return layoutSize(v, element);
}

void writeRecordLayout(const Variable* v, const std::uint8_t* element, std::uint8_t* out, std::size_t size) {
    LayoutTransfer t{out, nullptr, size, 0};
    // Writing reads the value only; the transfer shares one walk with reading.
    transferValue(const_cast<Variable*>(v), const_cast<std::uint8_t*>(element), t);
}

void readRecordLayout(Variable* v, std::uint8_t* element, const std::uint8_t* in, std::size_t size) {
    LayoutTransfer t{nullptr, in, size, 0};
    transferValue(v, element, t);
}

}  // namespace kestrun
