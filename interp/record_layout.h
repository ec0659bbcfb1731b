// The binary layout of values, shared by binary files and memory blocks. A value is its storage
// as it lies in memory: element width × element count bytes (a single STRING its whole 255-byte
// buffer, bytes after the terminator included). A record (one element of a USER_0 variable) is
// the layouts of its members in member order, back to back, without padding or alignment; a
// member of a user type contributes the records of all its elements in order.
#pragma once
#include <cstddef>
#include <cstdint>

#include "kestrun.h"
#include "records.h"

namespace kestrun {

// The member list (its empty head record) that a USER_0 element slot refers to; null when the
// slot is empty.
Variable* recordMembersAt(const std::uint8_t* slot);

// Length in bytes of the layout of v's value at element (an element of v, normally its addressed
// element v->data): for USER_0 the record there, for every other type the whole storage, element
// width × element count. This is also the record size that record numbers count in.
std::uint64_t layoutSize(const Variable* v, const std::uint8_t* element);

// The bytes of a non-user value that a transfer starting at element may touch: its whole storage
// (element width × element count), cut so that it ends with v's storage when element is not the
// first one. 0 when element lies outside the storage.
std::size_t valueSpanLength(const Variable* v, const std::uint8_t* element);

namespace detail {

// First element of a member's storage: members are always laid out from their storage base.
inline std::uint8_t* memberStorage(const Variable* m) { return m->isArray ? m->base : m->data; }

template <typename Span>
bool forEachRecordSpan(const Variable* head, Span& span) {
    if (!head) return true;
    for (const Variable* m = head->next; m; m = m->next) {
        std::uint8_t* first = memberStorage(m);
        if (!first || !m->count) continue;
        if (m->type == TypeUser) {
            const std::uint32_t n = elementCount(m) < m->count ? elementCount(m) : m->count;
            for (std::uint32_t i = 0; i < n; ++i)
                if (!forEachRecordSpan(recordMembersAt(first + std::size_t{kVarTypes[TypeUser].width} * i), span))
                    return false;
            continue;
        }
        const std::size_t length = std::size_t{kVarTypes[m->type].width} * m->count;
        if (length && !span(first, length)) return false;
    }
    return true;
}

}  // namespace detail

// Calls span(bytes, length) for each stretch of storage that makes up the layout of v's value at
// element, in layout order (one stretch for a non-user value, one per member storage for a
// record). Stretches of no bytes are left out. Stops and gives false as soon as span gives false;
// true when every stretch was handed over.
template <typename Span>
bool forEachLayoutSpan(const Variable* v, std::uint8_t* element, Span&& span) {
    if (!v || !element) return true;
    if (v->type == TypeUser) return detail::forEachRecordSpan(recordMembersAt(element), span);
    const std::size_t length = valueSpanLength(v, element);
    return length == 0 || span(element, length);
}

}  // namespace kestrun
