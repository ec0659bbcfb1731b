// Laying out record values for library calls and copying the results back into the members.
#include "dll_struct_layout.h"

#include <cstdlib>
#include <cstring>

namespace kestrun {

namespace {

// Where one member lies in the structure and how many bytes it takes there.
struct MemberPlace {
    std::uint32_t offset;
    std::uint32_t width;
};

// The width of a member in the structure; 0 for a member that cannot be laid out.
std::uint32_t memberWidth(const Variable* m) {
    if (m->isArray) return m->type == TypeUser ? 0 : 4;
    switch (m->type) {
        case TypeChar: return 1;
        case TypeWord: return 2;
        case TypeInt: case TypeUInt: case TypeMemory: case TypePointer: case TypeWindow: case TypeDialog: return 4;
        case TypeInt64: case TypeUInt64: return 8;
        default: return 0;
    }
}

std::uint32_t alignmentOf(std::uint32_t width, std::int32_t packing) {
    const std::uint32_t limit = packing < 1 ? 1u : static_cast<std::uint32_t>(packing);
    return width < limit ? width : limit;
}

// Places member m after the bytes [0, end) of the members before it and moves end past it.
// False when m cannot be laid out.
bool placeMember(const Variable* m, std::int32_t packing, std::uint32_t& end, MemberPlace& place) {
    place.width = memberWidth(m);
    if (place.width == 0) return false;
    const std::uint32_t align = alignmentOf(place.width, packing);
    place.offset = (end + align - 1) / align * align;
    end = place.offset + place.width;
    return true;
}

// Writes member m's bytes at out.
void writeMember(Kestrun& k, const Variable* m, std::uint8_t* out, std::uint32_t width) {
    if (m->isArray) {
        const std::uint32_t address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m->base));
        std::memcpy(out, &address, 4);
        return;
    }
    if (!m->data) return;
    if (m->type == TypeWindow || m->type == TypeDialog) {
        std::uint32_t object;
        std::memcpy(&object, m->data, 4);
        const std::uint32_t handle = dllWindowHandle(k, object);
        std::memcpy(out, &handle, 4);
        return;
    }
    std::memcpy(out, m->data, width);
}

// Member m takes the 4-byte address at in back as the address of its storage.
void takeBackAddress(Kestrun& k, Variable* m, const std::uint8_t* in) {
    std::uint32_t word;
    std::memcpy(&word, in, 4);
    std::uint8_t* address = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(word));
    if (!address || address == m->base) return;
    // Storage the member owned stays allocated (parked), because a pointer of the program may
    // still hold an address inside it; if the list cannot take it, it is left allocated.
    if (m->base && m->count && !m->isBorrowed) k.dllReplacedStorage.blocks.addTail(m->base);
    m->base = address;
    m->data = address;
    m->isBorrowed = 1;
}

}  // namespace

std::uint32_t dllWindowHandle(Kestrun& k, std::uintptr_t object) {
    void* window = reinterpret_cast<void*>(object);
    return window && k.isLiveObject(window) ? k.host.windowHandleOf(window) : 0;
}

bool buildDllStruct(Kestrun& k, Variable* head, std::int32_t packing, DllStructBuffer& out) {
    out = DllStructBuffer{};
    out.members = head;
    out.packing = packing;
    std::uint32_t end = 0, strictest = 1, memberCount = 0;
    for (const Variable* m = head ? head->next : nullptr; m; m = m->next) {
        MemberPlace place;
        if (!placeMember(m, packing, end, place)) {
            k.errorCode = 57;
            return false;
        }
        const std::uint32_t align = alignmentOf(place.width, packing);
        if (align > strictest) strictest = align;
        ++memberCount;
    }
    std::uint32_t size = (end + strictest - 1) / strictest * strictest;
    if (size < 8 * memberCount) size = 8 * memberCount;
    if (size < 8) size = 8;
    out.bytes = static_cast<std::uint8_t*>(std::calloc(size, 1));
    if (!out.bytes) {
        k.errorCode = 2;
        return false;
    }
    out.size = size;
    end = 0;
    for (const Variable* m = head ? head->next : nullptr; m; m = m->next) {
        MemberPlace place;
        placeMember(m, packing, end, place);
        writeMember(k, m, out.bytes + place.offset, place.width);
    }
    return true;
}

void copyBackDllStruct(Kestrun& k, const DllStructBuffer& buffer) {
    if (!buffer.bytes) return;
    std::uint32_t end = 0;
    for (Variable* m = buffer.members ? buffer.members->next : nullptr; m; m = m->next) {
        MemberPlace place;
        if (!placeMember(m, buffer.packing, end, place)) return;
        const std::uint8_t* in = buffer.bytes + place.offset;
        if (m->isArray) {
            takeBackAddress(k, m, in);
            continue;
        }
        if (!m->data || m->type == TypeWindow || m->type == TypeDialog) continue;
        if (m->type == TypePointer && std::memcmp(m->data, in, 4) != 0) m->target = nullptr;
        std::memcpy(m->data, in, place.width);
    }
}

void releaseDllStruct(DllStructBuffer& buffer) {
    std::free(buffer.bytes);
    buffer = DllStructBuffer{};
}

Kestrun::ReplacedStorage::~ReplacedStorage() {
    while (!blocks.empty()) std::free(blocks.removeHead());
}

}  // namespace kestrun
