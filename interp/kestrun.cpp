// Life cycle of the interpreter: construction, initialisation, the run loop, the error report
// and the release of everything a run allocated.
#include "kestrun.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace kestrun {

extern const std::uint32_t kInitialConstants[kConstantCount];
extern const Kestrun::Handler kHandlerTable[kHandlerCount];

const char kErrorCaption[] = "Error";

void formatErrorText(char* out, std::size_t outSize, unsigned lineNumber, unsigned code) {
    std::snprintf(out, outSize, "An error has occured\nLine number: %d\nPlease contact the program vendor\n%d",
                  static_cast<int>(lineNumber), static_cast<int>(code));
}

namespace {

void setBuiltin(Variable& v, const char* name, std::uint8_t type, void* slot) {
    std::memset(&v, 0, sizeof v);
    std::strncpy(v.name, name, sizeof v.name - 1);
    v.type = type;
    v.isStatic = 1;
    v.data = static_cast<std::uint8_t*>(slot);
}

}  // namespace

Kestrun::Kestrun(Host& h) : host(h) {
    std::memcpy(constants, kInitialConstants, sizeof constants);
    std::memcpy(handlers, kHandlerTable, sizeof handlers);
    builtinStreams[0] = stdout;
    builtinStreams[1] = stdin;
    setBuiltin(builtinStdout, "SYSTEM_STDOUT0", TypeFile, &builtinStreams[0]);
    setBuiltin(builtinStdin, "SYSTEM_STDIN0", TypeFile, &builtinStreams[1]);
    setBuiltin(builtinDecimalPrec, "DECIMAL_PREC", TypeSystem, &decimalPrecision);
    linkBuiltins();
}

Kestrun::~Kestrun() { releaseProgram(); }

void Kestrun::linkBuiltins() {
    builtinStdout.prev = nullptr;
    builtinStdout.next = &builtinStdin;
    builtinStdin.prev = &builtinStdout;
    builtinStdin.next = &builtinDecimalPrec;
    builtinDecimalPrec.prev = &builtinStdin;
    builtinDecimalPrec.next = nullptr;
    lastVariable = &builtinDecimalPrec;
}

void Kestrun::onRunStart() {}

// ---- Statements and the control stack ----------------------------------------------------------

Statement* Kestrun::newStatement(int n) {
    if (n < 0 || n > kMaxArgs) return nullptr;
    Statement* st = static_cast<Statement*>(std::calloc(1, sizeof(Statement)));
    if (!st) return nullptr;
    st->argBlock = static_cast<char*>(std::calloc(static_cast<std::size_t>(n) * kArgSlotSize + 1, 1));
    if (!st->argBlock) {
        std::free(st);
        return nullptr;
    }
    st->slots = static_cast<std::uint16_t>(n);
    for (int i = 0; i < n; ++i) st->args[i] = st->argBlock + kArgSlotSize * i;
    st->resultType = kNoResult;
    return st;
}

void Kestrun::freeStatement(Statement* st) {
    if (!st) return;
    std::free(st->argBlock);
    std::free(st);
}

int Kestrun::pushControl(std::int32_t value) {
    if (!controlStack || controlTop >= kControlStackSize) return 0;
    controlStack[controlTop++] = value;
    return 1;
}

std::int32_t Kestrun::popControl() {
    if (!controlStack || controlTop <= 0) return 0;
    return controlStack[--controlTop];
}

std::uint16_t Kestrun::currentLineNumber() const {
    if (currentLine == 0 || !lineNumbers || lineCount == 0) return 0;
    std::uint32_t index = currentLine - 1;
    if (index >= lineCount) index = lineCount - 1;  // a jump may leave currentLine past the end
    return lineNumbers[index];
}

// ---- Initialisation ------------------------------------------------------------------------------

bool Kestrun::createResultVariables() {
    struct ResultVariable {
        const char* name;
        std::uint8_t type;
        Variable** slot;
    };
    const ResultVariable wanted[] = {
        {"SYSTEM_FLOAT0", TypeFloat, &resultFloat},          {"SYSTEM_INT0", TypeInt, &resultInt},
        {"SYSTEM_INT64", TypeInt64, &resultInt64},           {"SYSTEM_DOUBLE0", TypeDouble, &resultDouble},
        {"SYSTEM_STRING0[65535]", TypeIString, &resultString}, {"SYSTEM_POINTER0", TypePointer, &resultPointer},
    };
    for (const ResultVariable& s : wanted) {
        *s.slot = createVariable(s.name, s.type, 1, nullptr);
        if (!*s.slot) return false;
    }
    return true;
}

bool Kestrun::initialise() {
    if (initialised) {
        releaseProgram();
        initialised = 0;
    }
    scratchText = static_cast<char*>(std::calloc(kScratchTextSize, 1));
    decimalPrecision = 2;
    mainStatement = newStatement(kMaxArgs);
    spareStatement = mainStatement ? newStatement(kMaxArgs) : nullptr;
    controlStack = static_cast<std::int32_t*>(std::calloc(kControlStackSize, sizeof(std::int32_t)));
    controlTop = 0;
    if (!scratchText || !mainStatement || !spareStatement || !controlStack || !createResultVariables()) {
        releaseProgram();
        return false;
    }
    seedRandom(static_cast<std::uint32_t>(std::time(nullptr) / 2));
    host.registerWindowClasses(whiteWindowClass, workspaceWindowClass);
    constants[kWindowConstant] = 0;
    initialised = 1;
    return true;
}

// ---- The run ---------------------------------------------------------------------------------------

bool Kestrun::run() {
    errorCode = 0;
#ifdef KESTRUN_STEP_BUDGET
    stepsLeft = stepBudget;
    stepBudgetSpent = false;
#endif
    host.prepareRunServices();
    if (!initialised || !programImage) return false;
    onRunStart();

    currentLine = 0;
    lineCount = 0;
    if (!prepareLines()) return errorCode == 0;

    initialised = 0;
    if (!indexLabels()) return false;
    initialised = 1;
    currentLine = 0;

    for (;;) {
        char* line = lines[currentLine];
        Statement* result = mainStatement;
        if (line[0] != '\0' && parseStatement(mainStatement, line) == 0) {
            errorCode = 0;
            result = dispatch(mainStatement);
        }
        ++currentLine;
        if (currentLine >= lineCount || errorCode != 0 || result == nullptr) break;
    }

    // Whatever ended the run, the program's files get their data before anything is shown.
    flushOpenStreams();
    reportError();
    consoleOpen = 0;
    return errorCode == 0;
}

void Kestrun::reportError() {
    if (errorCode == 0) return;
    objectList.forEach([this](void* object) { host.destroyObjectWindow(object); });
    host.releaseConsole();
    char text[256];
    formatErrorText(text, sizeof text, currentLineNumber() + 1u, errorCode);
    host.showErrorBox(text, kErrorCaption);
}

// ---- Release ---------------------------------------------------------------------------------------

void Kestrun::releaseProgram() {
    if (!scopeStack.empty()) {
        // The run stopped inside subroutine calls: the oldest saved scope is the global chain.
        // Each active call's scope goes with the head its parameters hang from, newest first,
        // and is the current scope while it goes, as at a return: the release walks the current
        // scope for pointers, which must not reach a scope already freed.
        releaseScope(scopeStart());
        Variable* globals = static_cast<Variable*>(scopeStack.removeHead());
        while (!scopeStack.empty()) {
            Variable* scope = static_cast<Variable*>(scopeStack.removeTail());
            builtinDecimalPrec.next = scope;
            releaseScope(scope);
        }
        builtinDecimalPrec.next = globals;
        if (globals) globals->prev = &builtinDecimalPrec;
    }

    freeStatement(mainStatement);
    mainStatement = nullptr;
    freeStatement(spareStatement);
    spareStatement = nullptr;
    std::free(scratchText);
    scratchText = nullptr;
    std::free(controlStack);
    controlStack = nullptr;
    controlTop = 0;
    std::free(lines);
    lines = nullptr;
    std::free(lineNumbers);
    lineNumbers = nullptr;
    lineCount = 0;

    freeVariableChain(&builtinStdout, false);
    linkBuiltins();
    resultString = resultInt = resultFloat = resultDouble = resultPointer = resultInt64 = nullptr;

    releaseAnonymousVariables();
    releaseTypeList();
    symbols.removeAll();
    objectList.removeAll();
    liveObjects.removeAll();
    // Streams no variable held any more still belong to the program: close them too.
    while (!openStreams.empty()) closeStream(openStreams.head());
    streamsLastWritten.removeAll();
    streamsLastRead.removeAll();
    builtinStreams[0] = stdout;
    builtinStreams[1] = stdin;
    releaseFileFinders();
    releaseMemoryBlocks();
}

}  // namespace kestrun
