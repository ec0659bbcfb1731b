// Fuzz target: one expression text, evaluated in an interpreter that has run the prelude (so
// names, arrays, records and subroutines exist to be reached).
#include <string>

#include "fuzz_host.h"

namespace {

void evaluate(const std::uint8_t* data, std::size_t size) {
    kestrun::fuzz::FuzzEngine fuzz;
    fuzz.runPrelude();
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz.engine.errorCode = 0;
    fuzz.engine.evaluateExpression(text.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestrun::fuzz::runWithoutLeaks(data, size, evaluate);
    return 0;
}
