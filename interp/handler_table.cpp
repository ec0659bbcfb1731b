// The handler of every CommandCode, generated from the keyword table. Codes without a keyword
// are no-ops; handlers not written yet stop the run with error 1; 249 is never a valid code.
#include "kestrun.h"

namespace kestrun {

extern const Kestrun::Handler kHandlerTable[kHandlerCount];
const Kestrun::Handler kHandlerTable[kHandlerCount] = {
#define KESTRUN_HANDLER(code, name) &Kestrun::name,
#include "handler_table.inc"
#undef KESTRUN_HANDLER
};

Statement* Kestrun::CmdNoOp(Statement* st) { return st; }

Statement* Kestrun::CmdNotBuilt(Statement*) {
    errorCode = 1;
    return nullptr;
}

Statement* Kestrun::CmdInvalidCode(Statement*) {
    errorCode = 1;
    return nullptr;
}

Statement* Kestrun::dispatch(Statement* st) {
#ifdef KESTRUN_STEP_BUDGET
    if (!spendStep()) return nullptr;
#endif
    if (st->code >= kHandlerCount) return CmdInvalidCode(st);
    return (this->*handlers[st->code])(st);
}

}  // namespace kestrun
