// Subroutine calls and returns. A call pushes a call frame, opens a scope of its own for the
// parameters and everything the body creates, binds the arguments and runs the body in a nested
// run loop until a return statement ends it; the return leaves its value in a result variable.
#include <cstring>

#include "call_scope.h"
#include "flow_lines.h"
#include "records.h"
#include "results.h"

namespace kestrun {

namespace {

// Stores a returned value into the result variable of its type and sets resultType: STRING
// (bounded copy) 0; CHAR, INT, WORD, UINT their integer view 2; FLOAT 3; DOUBLE 14; POINTER its
// value and target 16; INT64 and UINT64 their 64 bits 17 or 18. Other types give no result.
Statement* storeReturnValue(Kestrun& k, Statement* st, const ArgValue& a) {
    switch (a.valueType) {
        case TypeString: {
            const TextView text = textOf(k, a);
            return setStringResult(k, st, text.text, text.length);
        }
        case TypeChar:
        case TypeInt:
        case TypeWord:
        case TypeUInt:
            return setIntResult(k, st, a.intValue);
        case TypeDouble:
            return setDoubleResult(k, st, a.doubleValue);
        case TypeFloat:
            return setFloatResult(k, st, a.floatValue);
        case TypePointer: {
            if (!k.resultPointer || !k.resultPointer->data) return failStatement(k, 2);
            const std::uint32_t word = static_cast<std::uint32_t>(a.object);
            std::memcpy(k.resultPointer->data, &word, sizeof word);
            designate(k.resultPointer, a.variable ? a.variable->target : nullptr);
            st->resultType = TypePointer;
            return st;
        }
        case TypeInt64:
        case TypeUInt64:
            return setInt64Result(k, st, a.int64Value, a.valueType);
        default:
            return st;
    }
}

}  // namespace

Statement* Kestrun::runNestedLines(Statement* body) {
    for (;;) {
        if (currentLine >= lineCount) return nullptr;
        char* line = lines[currentLine];
        Statement* result = body;
        bool ran = false;
        if (line[0] != '\0') {
            if (parseStatement(body, line) == 0) {
                errorCode = 0;
                result = dispatch(body);
                ran = true;
            } else {
                result = nullptr;
            }
        }
        ++currentLine;
        if (errorCode != 0 || result == nullptr) return nullptr;
        if (ran && body->code == CodeReturn) return body;
    }
}

void Kestrun::releaseScope(Variable* first) {
    if (!first) return;
    Variable* head = first->prev;
    const bool hasHead = head && head != &builtinDecimalPrec && head->frameMarker && head->next == first;
    forgetPointersIntoScope(first);
    freeVariableChain(hasHead ? head : first, false);
}

// GOSUB, and every call of a subroutine by name (from a line, from an expression, from event
// delivery). Argument 0 names the subroutine (after a dollar sign: a STRING variable holding the
// name); arguments 1.. are bound to its parameters (call_scope.h has the rules).
//  1. A call frame (the calling line, MarkCall) is pushed: 34 when the ControlStack is full, and
//     also when the calls active below would take more machine stack than callStackBudget.
//  2. The name is resolved (12 missing, 14 not a subroutine). The caller's scope start is saved
//     on scopeStack, the parameters are copied and bound in the caller's scope; a binding that
//     fails frees the copies and takes the saved entry back, so the callers up the stack restore
//     their own scopes.
//  3. The new scope (the parameters, then whatever the body creates) becomes current, and the
//     body runs in a nested run loop from the line after the label with this depth's Statement,
//     until a return statement has run.
//  4. The result type of the return reaches st; the callee's scope is released (pointers that
//     designated its variables lose their targets, SYSTEM_POINTER0 included; resources of its
//     locals go first; storage shared with the caller is never freed) and the caller's restored.
// After a return, currentLine is back at the calling line and st is returned. A body that failed,
// ended the program or ran past the last line gives null, with currentLine on the line that
// stopped it, so the error report names that line.
Statement* Kestrun::CmdCallSub(Statement* st) {
    if (st->argCount < 1) return failStatement(*this, 1);

    const char stackMark = 0;
    const std::uintptr_t position = reinterpret_cast<std::uintptr_t>(&stackMark);
    if (callDepth == 0) callStackOrigin = position;
    const std::uintptr_t used = callStackOrigin > position ? callStackOrigin - position : position - callStackOrigin;
    if (used > callStackBudget) return failStatement(*this, 34);
    DepthGuard depth(callDepth);

    const std::uint32_t entryLine = currentLine;
    if (!pushFrame(static_cast<std::int32_t>(entryLine), MarkCall)) return failStatement(*this, 34);
    Variable* label = resolveLabel(*this, st->args[0]);
    if (!label) return nullptr;

    if (!scopeStack.addTail(scopeStart())) return failStatement(*this, 2);
    Variable* head = nullptr;
    if (label->child && label->child->next) {
        head = makeParameterScope(*this, label->child);
        if (!head || !bindArguments(*this, st, head)) {
            if (head) freeVariableChain(head, false);
            scopeStack.removeTail();
            return nullptr;
        }
    }
    Statement* body = flowCache.body(callDepth - 1);
    if (!body) {
        if (head) freeVariableChain(head, false);
        scopeStack.removeTail();
        return failStatement(*this, 2);
    }

    Variable* const first = head ? head->next : nullptr;
    builtinDecimalPrec.next = first;
    lastVariable = &builtinDecimalPrec;
    for (Variable* v = first; v; v = v->next) lastVariable = v;

    currentLine = static_cast<std::uint32_t>(label->capacity) + 1;
    body->resultType = kNoResult;
    Statement* const ended = runNestedLines(body);
    st->resultType = body->resultType;

    // The callee's scope goes with the head of its parameters; a body that deleted every
    // parameter left the head on its own.
    Variable* const callee = scopeStart();
    const bool headInScope = head && callee && callee->prev == head;
    releaseScope(callee);
    if (head && !headInScope) freeVariableChain(head, false);
    Variable* const saved = static_cast<Variable*>(scopeStack.removeTail());
    builtinDecimalPrec.next = saved;
    lastVariable = &builtinDecimalPrec;
    for (Variable* v = saved; v; v = v->next) lastVariable = v;

    if (!ended) {
        --currentLine;
        return nullptr;
    }
    currentLine = entryLine;
    return st;
}

// RETURN: ends the subroutine whose nested run loop runs this statement. The value (argument 0,
// any type) is fetched first, while this call's frame and line are still in place: so a value
// that calls subroutines keeps this call counted on the ControlStack (a recursion through return
// values ends with 34 instead of running the machine stack out), and an error in it names the
// return line. Then frames are popped down to the nearest call frame (selection and loop frames
// on the way are dropped; none at all is error 35), its calling line becomes the current line,
// and the value goes to the result variable of its type (storeReturnValue).
Statement* Kestrun::CmdReturn(Statement* st) {
    ArgValue value;
    const bool hasValue = st->argCount > 0;
    if (hasValue && !getArg(value, st, 0, WantAny)) return nullptr;

    std::int32_t marker;
    do {
        marker = popControl();
        if (marker != MarkCall) popControl();
    } while (marker > 89999 && marker != MarkCall);
    if (marker != MarkCall) return failStatement(*this, 35);
    currentLine = static_cast<std::uint32_t>(popControl());
    return hasValue ? storeReturnValue(*this, st, value) : st;
}

}  // namespace kestrun
