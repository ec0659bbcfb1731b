#include "fuzz_host.h"

#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image_builder.h"

namespace kestrun::fuzz {

namespace {

// Declarations of every kind a fuzzed line or expression may reach by name.
const char kPreludeSource[] =
    "TYPE pair\n"
    "  DIM a : INT\n"
    "  DIM b : STRING\n"
    "  DIM c[3] : DOUBLE\n"
    "ENDTYPE\n"
    "DIM i, j, k : INT\n"
    "DIM f : FLOAT\n"
    "DIM d : DOUBLE\n"
    "DIM s, t : STRING\n"
    "DIM c : CHAR\n"
    "DIM w : WORD\n"
    "DIM q : INT64\n"
    "DIM uq : UINT64\n"
    "DIM u : UINT\n"
    "DIM arr[10] : INT\n"
    "DIM grid[3, 4] : DOUBLE\n"
    "DIM cube[2, 3, 4] : CHAR\n"
    "DIM names[4] : STRING\n"
    "DIM buf[64] : ISTRING\n"
    "DIM rec : pair\n"
    "DIM recs[3] : pair\n"
    "DIM p : POINTER\n"
    "DIM m : MEMORY\n"
    "CONST limit = 100\n"
    "DEFSYMBOL \"SEVEN\", 7\n"
    "DECLARE twice(n : INT)\n"
    "s = \"text\"\n"
    "i = 7\n"
    "p = ALLOCATE(\"INT\", 4)\n"
    "GOTO ready\n"
    "SUB twice\n"
    "  RETURN n * 2\n"
    "SUB hello\n"
    "  RETURN \"hi\"\n"
    "ready:\n";

const std::string& preludeImage() {
    static const std::string image = [] {
        std::string built, error;
        if (!buildImage(kPreludeSource, "prelude.kb", built, error)) {
            std::fprintf(stderr, "fuzz prelude does not build: %s\n", error.c_str());
            std::abort();
        }
        return built;
    }();
    return image;
}

// Blocks and bytes of heap now held, kept by the allocator's hooks in 64 bits: the allocator's
// own statistics are 32-bit counters on this target and wrap after 4 GB of allocations.
std::atomic<long long> liveBlocks{0};
std::atomic<long long> liveBytes{0};

void countAllocation(const volatile void* block, std::size_t size) {
    if (!block) return;
    ++liveBlocks;
    liveBytes += static_cast<long long>(size);
}

void countRelease(const volatile void* block) {
    if (!block) return;
    --liveBlocks;
    liveBytes -= static_cast<long long>(__sanitizer_get_allocated_size(const_cast<const void*>(block)));
}

const bool hooksInstalled = __sanitizer_install_malloc_and_free_hooks(countAllocation, countRelease) != 0;

struct HeapHeld {
    long long blocks;
    long long bytes;
    bool operator==(const HeapHeld& other) const { return blocks == other.blocks && bytes == other.bytes; }
};

HeapHeld heapHeld() { return {liveBlocks.load(), liveBytes.load()}; }

}  // namespace

bool SilentHost::registerWindowClasses(TextBuffer& white, TextBuffer& workspace) {
    white.assign("KestrunWhite");
    workspace.assign("KestrunWorkspace");
    return true;
}

std::size_t SilentHost::formatDate(const std::tm&, const char* picture, char* out, std::size_t outSize) {
    if (!outSize) return 0;
    const int written = std::snprintf(out, outSize, "%s", picture ? picture : "");
    return written < 0 ? 0 : std::min(static_cast<std::size_t>(written), outSize - 1);
}

FuzzEngine::FuzzEngine() {
    if (!engine.initialise()) {
        std::fprintf(stderr, "fuzz: the interpreter cannot initialise\n");
        std::abort();
    }
    engine.seedRandom(1);
    engine.stepBudget = kInputStepBudget;
    engine.stepsLeft = kInputStepBudget;
}

void FuzzEngine::runProgram(const std::uint8_t* data, std::size_t size) {
    image.assign(reinterpret_cast<const char*>(data), size);
    image.push_back('\0');
    engine.programImage = reinterpret_cast<std::uint8_t*>(&image[0]);
    engine.run();
}

void FuzzEngine::runPrelude() {
    const std::string& prelude = preludeImage();
    runProgram(reinterpret_cast<const std::uint8_t*>(prelude.data()), prelude.size());
    if (engine.errorCode != 0) {
        std::fprintf(stderr, "fuzz prelude stops with error %d\n", engine.errorCode);
        std::abort();
    }
    // The fuzzed line runs as the prelude's last line would: inside the line table.
    engine.currentLine = engine.lineCount - 1;
    engine.stepsLeft = kInputStepBudget;
    engine.stepBudgetSpent = false;
}

void runWithoutLeaks(const std::uint8_t* data, std::size_t size, void (*fn)(const std::uint8_t*, std::size_t)) {
    if (!hooksInstalled) {
        std::fprintf(stderr, "fuzz: the allocator hooks could not be installed\n");
        std::abort();
    }
    preludeImage();  // made once, before any measurement
    HeapHeld before = heapHeld();
    fn(data, size);
    HeapHeld after = heapHeld();
    if (after == before) return;
    before = after;
    fn(data, size);
    after = heapHeld();
    if (after == before) return;
    std::fprintf(stderr, "==LEAK== a run of this input keeps %lld blocks (%lld bytes) of heap after its interpreter is gone\n",
                 after.blocks - before.blocks, after.bytes - before.bytes);
    std::abort();
}

}  // namespace kestrun::fuzz
