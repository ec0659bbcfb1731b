// Sizes, extents and byte-area copies of values in the binary layout (record_layout.h).
#include "record_layout.h"

#include <cstring>

namespace kestrun {

Variable* recordMembersAt(const std::uint8_t* slot) {
    Variable* head = nullptr;
    if (slot) std::memcpy(&head, slot, sizeof head);
    return head;
}

std::uint64_t layoutSize(const Variable* v, const std::uint8_t* element) {
    if (!v) return 0;
    if (v->type != TypeUser) return std::uint64_t{kVarTypes[v->type].width} * v->count;
    std::uint64_t total = 0;
    auto add = [&total](const LayoutSpan& span) {
        total += span.length;
        return true;
    };
    detail::forEachRecordSpan(recordMembersAt(element), add);
    return total;
}

std::size_t valueSpanLength(const Variable* v, const std::uint8_t* element) {
    if (!v || !element) return 0;
    const std::uint64_t whole = std::uint64_t{kVarTypes[v->type].width} * v->count;
    const std::uint8_t* start = memberStorage(v);
    const std::uint8_t* end = v->isArray ? storageEnd(v) : nullptr;
    if (!start) return 0;
    if (!end) end = start + whole;
    if (element < start || element >= end) return 0;
    const std::uint64_t left = static_cast<std::uint64_t>(end - element);
    return static_cast<std::size_t>(left < whole ? left : whole);
}

void copyLayoutOut(const Variable* v, const std::uint8_t* element, std::uint8_t* out, std::size_t size) {
    if (size == 0) return;
    std::size_t pos = 0;
    // Writing only reads the value; the walk hands out writable spans for both directions.
    forEachLayoutSpan(v, const_cast<std::uint8_t*>(element), [&](const LayoutSpan& span) {
        const std::size_t n = span.length < size - pos ? span.length : size - pos;
        std::memcpy(out + pos, span.bytes, n);
        pos += n;
        return pos < size;
    });
}

void copyLayoutIn(Variable* v, std::uint8_t* element, const std::uint8_t* in, std::size_t size) {
    if (size == 0) return;
    std::size_t pos = 0;
    forEachLayoutSpan(v, element, [&](const LayoutSpan& span) {
        const std::size_t n = span.length < size - pos ? span.length : size - pos;
        std::memcpy(span.bytes, in + pos, n);
        keepStringTerminated(span);
        pos += n;
        return pos < size;
    });
}

}  // namespace kestrun
