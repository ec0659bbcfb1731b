// Sizes and extents of values in the binary layout (record_layout.h).
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
    auto add = [&total](std::uint8_t*, std::size_t length) {
        total += length;
        return true;
    };
    detail::forEachRecordSpan(recordMembersAt(element), add);
    return total;
}

std::size_t valueSpanLength(const Variable* v, const std::uint8_t* element) {
    if (!v || !element) return 0;
    const std::uint64_t whole = std::uint64_t{kVarTypes[v->type].width} * v->count;
    const std::uint8_t* start = v->isArray ? v->base : v->data;
    const std::uint8_t* end = v->isArray ? storageEnd(v) : nullptr;
    if (!start) return 0;
    if (!end) end = start + whole;
    if (element < start || element >= end) return 0;
    const std::uint64_t left = static_cast<std::uint64_t>(end - element);
    return static_cast<std::size_t>(left < whole ? left : whole);
}

}  // namespace kestrun
