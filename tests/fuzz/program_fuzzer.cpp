// Fuzz target: a whole program image, through the line passes and the run loop of a fresh
// interpreter.
#include "fuzz_host.h"

namespace {

void runImage(const std::uint8_t* data, std::size_t size) {
    kestrun::fuzz::FuzzEngine fuzz;
    fuzz.runProgram(data, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestrun::fuzz::runWithoutLeaks(data, size, runImage);
    return 0;
}
