#include "fuzz_host.h"

#include <sanitizer/allocator_interface.h>

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

}  // namespace

bool SilentHost::registerWindowClasses(TextBuffer& white, TextBuffer& workspace) {
    white.assign("KestrunWhite");
    workspace.assign("KestrunWorkspace");
    return true;
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
    preludeImage();  // made once, before any measurement
    std::size_t before = __sanitizer_get_current_allocated_bytes();
    fn(data, size);
    std::size_t after = __sanitizer_get_current_allocated_bytes();
    if (after == before) return;
    before = after;
    fn(data, size);
    after = __sanitizer_get_current_allocated_bytes();
    if (after == before) return;
    std::fprintf(stderr, "==LEAK== a run of this input keeps %ld bytes of heap after its interpreter is gone\n",
                 static_cast<long>(after) - static_cast<long>(before));
    std::abort();
}

}  // namespace kestrun::fuzz
