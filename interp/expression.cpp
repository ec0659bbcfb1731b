// Expression evaluation entry points used by the variable store (dimensions and indexes that are
// written as expressions).
#include "kestrun.h"

namespace kestrun {

bool Kestrun::evaluateIntegerText(const char*, std::int64_t&) {
    // The expression evaluator is not part of this build yet: such a dimension or index stops the
    // run as a malformed statement.
    errorCode = 1;
    return false;
}

}  // namespace kestrun
