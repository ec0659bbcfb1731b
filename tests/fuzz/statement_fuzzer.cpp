// Fuzz target: one line of the image form, parsed into a Statement and, when it parses, run
// through the handler table as the run loop would, in an interpreter that has run the prelude.
#include <vector>

#include "fuzz_host.h"

namespace {

void parseAndRun(const std::uint8_t* data, std::size_t size) {
    kestrun::fuzz::FuzzEngine fuzz;
    fuzz.runPrelude();
    std::vector<char> line(data, data + size);
    line.push_back('\0');
    kestrun::Kestrun& k = fuzz.engine;
    k.errorCode = 0;
    if (k.parseStatement(k.mainStatement, line.data()) != 0) return;
    k.errorCode = 0;
    k.dispatch(k.mainStatement);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestrun::fuzz::runWithoutLeaks(data, size, parseAndRun);
    return 0;
}
