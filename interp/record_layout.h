// The binary layout of values, shared by binary files, memory blocks and the size function. A
// value is its storage as it lies in memory: element width × element count bytes (a single STRING
// its whole 255-byte buffer, bytes after the terminator included, a string array 255 bytes per
// string). A record (one element of a USER_0 variable) is the layouts of its members in member
// order, back to back, without padding or alignment; a member of a user type contributes the
// records of all its elements in order.
//
// Every walk is bounded by the storage it walks: a value named with an index is moved from the
// addressed element to the end of its array, never past it, and members always from the start of
// their own storage. The element a layout starts at is passed explicitly, because a later lookup
// of the same variable may move its addressed element.
#pragma once
#include <cstddef>
#include <cstdint>

#include "kestrun.h"
#include "records.h"

namespace kestrun {

// The member list (its empty head record) that a USER_0 element slot refers to; null when the
// slot is null or empty.
Variable* recordMembersAt(const std::uint8_t* slot);

// First element of a variable's storage (null without storage): members are always laid out from
// their storage base.
inline std::uint8_t* memberStorage(const Variable* m) { return m->isArray ? m->base : m->data; }

// Elements of a USER_0 variable that have slots: its element count, at most its slot count.
inline std::uint32_t recordElementCount(const Variable* v) {
    const std::uint32_t n = elementCount(v);
    return n < v->count ? n : v->count;
}

// The member list of element i of a USER_0 variable; null for an empty slot or past its slots.
inline Variable* recordElementAt(const Variable* v, std::uint32_t i) {
    const std::uint8_t* first = memberStorage(v);
    return first && i < v->count ? recordMembersAt(first + std::size_t{kVarTypes[TypeUser].width} * i) : nullptr;
}

// Length in bytes of the layout of v's value at element (an element of v, normally its addressed
// element v->data): for USER_0 the record there, for every other type the whole storage, element
// width × element count. This is also the record size that record numbers count in. 64-bit, so
// that no sum of member sizes wraps; 0 for a null v.
std::uint64_t layoutSize(const Variable* v, const std::uint8_t* element);

// The bytes of a non-user value that a transfer starting at element may touch: its whole storage
// (element width × element count), cut so that it ends with v's storage when element is not the
// first one. 0 when element lies outside the storage.
std::size_t valueSpanLength(const Variable* v, const std::uint8_t* element);

// One stretch of a layout: length bytes of one variable's storage. A STRING's stretch always ends
// where its storage ends, so its last byte is the string's final terminator.
struct LayoutSpan {
    std::uint8_t* bytes;
    std::size_t length;
    bool isString;
};

// After raw bytes were stored into span: a STRING keeps its last storage byte a terminator, so
// that no later read of the text runs past its storage. Other spans are left as they are.
inline void keepStringTerminated(const LayoutSpan& span) {
    if (span.isString && span.length) span.bytes[span.length - 1] = 0;
}

namespace detail {

template <typename Visit>
bool forEachRecordSpan(const Variable* head, Visit& visit) {
    if (!head) return true;
    for (const Variable* m = head->next; m; m = m->next) {
        std::uint8_t* first = memberStorage(m);
        if (!first || !m->count) continue;
        if (m->type == TypeUser) {
            const std::uint32_t n = elementCount(m) < m->count ? elementCount(m) : m->count;
            for (std::uint32_t i = 0; i < n; ++i)
                if (!forEachRecordSpan(recordMembersAt(first + std::size_t{kVarTypes[TypeUser].width} * i), visit))
                    return false;
            continue;
        }
        const std::size_t length = std::size_t{kVarTypes[m->type].width} * m->count;
        if (length && !visit(LayoutSpan{first, length, m->type == TypeString})) return false;
    }
    return true;
}

}  // namespace detail

// Calls visit(LayoutSpan) for each stretch of storage that makes up the layout of v's value at
// element, in layout order (one stretch for a non-user value, one per member storage for a
// record). Stretches of no bytes are left out. Stops and gives false as soon as visit gives false;
// true when every stretch was handed over.
template <typename Visit>
bool forEachLayoutSpan(const Variable* v, std::uint8_t* element, Visit&& visit) {
    if (!v || !element) return true;
    if (v->type == TypeUser) return detail::forEachRecordSpan(recordMembersAt(element), visit);
    const std::size_t length = valueSpanLength(v, element);
    return length == 0 || visit(LayoutSpan{element, length, v->type == TypeString});
}

// Writes the layout of v at element into out, at most size bytes: the layout's first size bytes
// when size is smaller. Bytes of out past what the walk yields (a value named with an index that
// ends with its array) are left as they are.
void copyLayoutOut(const Variable* v, const std::uint8_t* element, std::uint8_t* out, std::size_t size);

// Stores at most size bytes of layout from in into v at element, member by member for USER_0
// (record slots are never overwritten: each record is filled through its own member list). A
// STRING that received bytes keeps its last storage byte a terminator.
void copyLayoutIn(Variable* v, std::uint8_t* element, const std::uint8_t* in, std::size_t size);

}  // namespace kestrun
