// Working storage that control flow keeps per nesting depth: one Statement per call depth for the
// nested run loops and one text buffer per single-line conditional depth. Each is made the first
// time its depth is reached and kept until the interpreter goes, so a recursion that returns to a
// depth it reached before allocates nothing.
#include <cstdlib>
#include <cstring>

#include "kestrun.h"

namespace kestrun {

namespace {

// Grows a zero-filled array of pointers to at least wanted entries; false when memory runs out
// (the array stays as it was).
template <typename T>
bool growTo(T*& items, int& count, int wanted) {
    if (wanted <= count) return true;
    int grown = count ? count : 8;
    while (grown < wanted) grown *= 2;
    T* p = static_cast<T*>(std::realloc(items, static_cast<std::size_t>(grown) * sizeof(T)));
    if (!p) return false;
    std::memset(p + count, 0, static_cast<std::size_t>(grown - count) * sizeof(T));
    items = p;
    count = grown;
    return true;
}

}  // namespace

Kestrun::FlowDepthCache::~FlowDepthCache() {
    for (int i = 0; i < bodyCount; ++i) {
        if (!bodies[i]) continue;
        // The same release as Kestrun::freeStatement, which needs no interpreter state.
        std::free(bodies[i]->argBlock);
        std::free(bodies[i]);
    }
    std::free(bodies);
    for (int i = 0; i < textCount; ++i) std::free(texts[i]);
    std::free(texts);
    std::free(textSizes);
}

Statement* Kestrun::FlowDepthCache::body(int depth) {
    if (depth < 0) return nullptr;
    int count = bodyCount;
    if (!growTo(bodies, count, depth + 1)) return nullptr;
    bodyCount = count;
    Statement*& slot = bodies[depth];
    if (!slot) {
        Statement* st = static_cast<Statement*>(std::calloc(1, sizeof(Statement)));
        char* block = st ? static_cast<char*>(std::calloc(kMaxArgs * kArgSlotSize + 1, 1)) : nullptr;
        if (!block) {
            std::free(st);
            return nullptr;
        }
        st->argBlock = block;
        st->slots = kMaxArgs;
        for (int i = 0; i < kMaxArgs; ++i) st->args[i] = block + kArgSlotSize * i;
        st->resultType = kNoResult;
        slot = st;
    }
    return slot;
}

char* Kestrun::FlowDepthCache::text(int depth, std::size_t size) {
    if (depth < 0) return nullptr;
    int count = textCount;
    if (!growTo(texts, count, depth + 1)) return nullptr;
    // The sizes grow alongside: a second array of the same length.
    int sizeCount = textCount;
    if (!growTo(textSizes, sizeCount, count)) return nullptr;
    textCount = count;
    if (textSizes[depth] < size) {
        const std::size_t wanted = size < 256 ? 256 : size;
        char* p = static_cast<char*>(std::realloc(texts[depth], wanted));
        if (!p) return nullptr;
        texts[depth] = p;
        textSizes[depth] = wanted;
    }
    return texts[depth];
}

}  // namespace kestrun
