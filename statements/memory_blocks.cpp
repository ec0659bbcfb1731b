// MEMORY blocks: MEMALLOC allocates or resizes the block of a MEMORY variable, MEMFREE frees it,
// MEMTOVAR and VARTOMEM copy a variable's record layout (records.h) out of and into record n of
// a block. A MEMORY variable's slot holds the block's address; its aux field holds the size
// recorded when the block was allocated or resized through it (assignment copies only the
// address, so a variable that got its block that way has 0 recorded).
//
// Every block carries its allocated size in a header in front of the program's bytes and is
// listed in liveBlocks until it is freed: the list is what tells a block from a stale or made-up
// address, and the header what bounds a copy by the real allocation.
#include <cstdlib>
#include <cstring>

#include "kestrun.h"
#include "records.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

namespace {

// Bytes in front of each block holding its allocated size (8 keep the block 8-byte aligned).
constexpr std::size_t kBlockHeader = 8;
// The largest block: its size must fit the INT result of MEMALLOC.
constexpr std::int64_t kMaxBlockSize = 0x7FFFFFFF;

std::uint8_t* headerOf(void* block) { return static_cast<std::uint8_t*>(block) - kBlockHeader; }

// The block after the header of allocation, with size written into the header.
void* startBlock(void* allocation, std::uint32_t size) {
    std::memcpy(allocation, &size, sizeof size);
    return static_cast<std::uint8_t*>(allocation) + kBlockHeader;
}

void* readSlot(const std::uint8_t* slot) {
    std::uint32_t word;
    std::memcpy(&word, slot, sizeof word);
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(word));
}

void writeSlot(std::uint8_t* slot, const void* block) {
    const std::uint32_t word = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(block));
    std::memcpy(slot, &word, sizeof word);
}

bool isLive(const Kestrun& k, const void* block) {
    bool found = false;
    if (block) k.liveBlocks.forEach([&](void* b) { found = found || b == block; });
    return found;
}

// A new zeroed block of size bytes, listed as live; null when memory runs out.
void* newBlock(Kestrun& k, std::uint32_t size) {
    void* allocation = std::calloc(1, kBlockHeader + size);
    if (!allocation) return nullptr;
    void* block = startBlock(allocation, size);
    if (k.liveBlocks.addTail(block)) return block;
    std::free(allocation);
    return nullptr;
}

// Frees a live block and takes it from the list.
void freeBlock(Kestrun& k, void* block) {
    k.liveBlocks.remove(block);
    std::free(headerOf(block));
}

// Resizes a live block to size bytes: the contents stay up to the smaller size, new bytes are not
// cleared. Size 0 frees the block. Null when the block is gone (size 0) or memory runs out (the
// old block then stays as it was, still live: another variable may share it).
void* resizeBlock(Kestrun& k, void* block, std::uint32_t size) {
    if (size == 0) {
        freeBlock(k, block);
        return nullptr;
    }
    void* allocation = std::realloc(headerOf(block), kBlockHeader + size);
    if (!allocation) return nullptr;
    void* moved = startBlock(allocation, size);
    k.liveBlocks.replace(block, moved);
    return moved;
}

// Fetches argument 0 as a MEMORY variable and gives its slot; false with errorCode set (14 for
// a value that has no slot).
bool fetchMemorySlot(Kestrun& k, Statement* st, ArgValue& m) {
    if (!k.getArg(m, st, 0, TypeMemory)) return false;
    if (m.variable && m.address) return true;
    k.errorCode = 14;
    return false;
}

// A record copy between a block and a variable, as set up by prepareRecordCopy.
struct RecordCopy {
    std::uint8_t* block;      // null: the MEMORY variable holds no block, nothing is copied
    std::uint32_t recorded;   // the size recorded in the MEMORY variable
    Variable* variable;
    std::uint8_t* element;    // the variable's element that its lookup addressed
    std::uint64_t start;      // byte offset of the record in the block
    std::uint64_t size;       // bytes of the record: the variable's record layout
};

// The shared front of MEMTOVAR and VARTOMEM: three or four arguments (56); argument 0 a MEMORY
// variable (14); without a block nothing more is fetched and c.block is null; argument 1 the
// record number n (a number, at least 1, else 7); argument 2 looked up as a variable (its
// lookup's error); argument 3, when given, the byte offset (a number, not negative, else 7).
// Record n starts at (n - 1) × record size + offset. False with errorCode set.
bool prepareRecordCopy(Kestrun& k, Statement* st, RecordCopy& c) {
    ArgValue m, n;
    if (!checkArgCount(k, st, 3, 4, 56) || !fetchMemorySlot(k, st, m)) return false;
    c.block = static_cast<std::uint8_t*>(readSlot(m.address));
    if (!c.block) return true;
    c.recorded = m.variable->aux > 0 ? static_cast<std::uint32_t>(m.variable->aux) : 0;
    if (!k.getArg(n, st, 1, WantAnyNumber)) return false;
    if (n.intValue <= 0) {
        k.errorCode = 7;
        return false;
    }
    c.variable = k.findVariable(skipBlanks(st->args[2]), nullptr, false);
    if (!c.variable) {
        if (!k.errorCode) k.errorCode = 10;
        return false;
    }
    // Read at once: fetching the offset may look the same variable up with another index.
    c.element = c.variable->data;
    std::int32_t offset = 0;
    if (st->argCount == 4) {
        ArgValue o;
        if (!k.getArg(o, st, 3, WantAnyNumber)) return false;
        offset = o.intValue;
        if (offset < 0) {
            k.errorCode = 7;
            return false;
        }
    }
    c.size = recordLayoutSize(c.variable, c.element);
    c.start = (static_cast<std::uint64_t>(n.intValue) - 1) * c.size + static_cast<std::uint64_t>(offset);
    return true;
}

// True when the record of c ends within limit bytes of the block; else errorCode 7.
bool recordFits(Kestrun& k, const RecordCopy& c, std::uint32_t limit) {
    if (c.start + c.size <= limit) return true;
    k.errorCode = 7;
    return false;
}

}  // namespace

std::uint32_t Kestrun::memoryBlockSize(const void* block) const {
    if (!isLive(*this, block)) return 0;
    std::uint32_t size;
    std::memcpy(&size, static_cast<const std::uint8_t*>(block) - kBlockHeader, sizeof size);
    return size;
}

void Kestrun::releaseMemoryBlocks() {
    while (!liveBlocks.empty()) std::free(headerOf(liveBlocks.removeHead()));
}

// MEMALLOC: argument 0 a MEMORY variable (14), argument 1 the count and argument 2 the element
// size (numbers, their integer views); exactly three arguments (56). The size is count × element
// size. A live block in the variable is resized to it, otherwise a new zeroed block is allocated
// (an address in the slot that is no live block is not touched). The slot receives the new
// address and the variable records the size; the INT result is the size, or -1 with the slot and
// the recorded size 0 when there is no block afterwards: a resize to 0 bytes (which frees the
// block), memory running out, or a negative count or element size or a size beyond 2^31 - 1
// (which are failed allocations, never a wrapped small one).
Statement* Kestrun::CmdMemAlloc(Statement* st) {
    ArgValue m, count, elementSize;
    if (!checkArgCount(*this, st, 3, 3, 56) || !fetchMemorySlot(*this, st, m) ||
        !getArg(count, st, 1, WantAnyNumber) || !getArg(elementSize, st, 2, WantAnyNumber))
        return nullptr;
    const std::int64_t size = std::int64_t{count.intValue} * elementSize.intValue;
    void* held = readSlot(m.address);
    void* block = nullptr;
    if (count.intValue >= 0 && elementSize.intValue >= 0 && size <= kMaxBlockSize) {
        const std::uint32_t bytes = static_cast<std::uint32_t>(size);
        block = isLive(*this, held) ? resizeBlock(*this, held, bytes) : newBlock(*this, bytes);
    }
    writeSlot(m.address, block);
    m.variable->aux = block ? static_cast<std::int32_t>(size) : 0;
    return setIntResult(*this, st, block ? static_cast<std::int32_t>(size) : -1);
}

// MEMFREE: with exactly one argument, a MEMORY variable (14), frees its block and sets the slot
// and the recorded size to 0; an address that is no live block (freed through a variable that
// shared it, or a number) is only cleared. With another argument count nothing happens.
Statement* Kestrun::CmdMemFree(Statement* st) {
    if (st->argCount != 1) return st;
    ArgValue m;
    if (!fetchMemorySlot(*this, st, m)) return nullptr;
    void* held = readSlot(m.address);
    if (isLive(*this, held)) freeBlock(*this, held);
    writeSlot(m.address, nullptr);
    m.variable->aux = 0;
    return st;
}

// MEMTOVAR: copies record n of the block into the variable (prepareRecordCopy has the
// arguments). A MEMORY variable without a block copies nothing. The record must end within the
// size recorded in the MEMORY variable and within the block's allocation, else 7; a USER_0
// target read through a variable with no recorded size is bounded by the allocation alone.
Statement* Kestrun::CmdMemToVar(Statement* st) {
    RecordCopy c{};
    if (!prepareRecordCopy(*this, st, c)) return nullptr;
    if (!c.block) return st;
    const std::uint32_t allocated = memoryBlockSize(c.block);
    std::uint32_t limit = c.recorded < allocated ? c.recorded : allocated;
    if (c.variable->type == TypeUser && c.recorded == 0) limit = allocated;
    if (!recordFits(*this, c, limit)) return nullptr;
    readRecordLayout(c.variable, c.element, c.block + c.start, static_cast<std::size_t>(c.size));
    return st;
}

// VARTOMEM: copies the variable into record n of the block (prepareRecordCopy has the
// arguments). A MEMORY variable without a block copies nothing. The record must end within the
// block's allocation, else 7 (an address that is no live block has none).
Statement* Kestrun::CmdVarToMem(Statement* st) {
    RecordCopy c{};
    if (!prepareRecordCopy(*this, st, c)) return nullptr;
    if (!c.block) return st;
    if (!recordFits(*this, c, memoryBlockSize(c.block))) return nullptr;
    writeRecordLayout(c.variable, c.element, c.block + c.start, static_cast<std::size_t>(c.size));
    return st;
}

}  // namespace kestrun
