// The interpreter: the Kestrun object with its tables and run loop, and the records it works on
// (Statement, Variable, VarType). One Kestrun object runs one program per process.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "containers.h"
#include "host.h"

namespace kestrun {

// ---- Types of variables ----------------------------------------------------------------------

enum VarType : std::uint8_t {
    TypeString = 0,
    TypeChar = 1,
    TypeInt = 2,
    TypeFloat = 3,
    TypeArray = 4,
    TypeMemory = 5,
    TypeFile = 6,
    TypeSystem = 7,
    TypeLabel = 8,
    TypeWindow = 9,
    TypeDialog = 10,
    TypeBFile = 11,
    TypeIString = 12,
    TypeWord = 13,
    TypeDouble = 14,
    TypeUser = 15,
    TypePointer = 16,
    TypeInt64 = 17,
    TypeUInt64 = 18,
    TypeUInt = 19,
};
constexpr int kVarTypeCount = 20;

// Language name, element width in bytes and print format of each VarType, indexed by code.
struct VarTypeInfo {
    const char* name;
    std::uint32_t width;
    const char* printFormat;
};
extern const VarTypeInfo kVarTypes[kVarTypeCount];

// A Statement's resultType when a handler produced no value.
constexpr std::int32_t kNoResult = 99;

// ---- Variables -------------------------------------------------------------------------------

struct Variable {
    char name[32];          // at most 30 characters, compared without regard to case
    Variable* prev;         // older neighbour in its chain
    Variable* next;         // newer neighbour in its chain
    Variable* child;        // LABEL_0: parameter template chain of a subroutine
    Variable* target;       // POINTER: the designated Variable
    std::uint8_t type;      // VarType
    std::int32_t capacity;  // STRING: bytes at the addressed position; LABEL_0: line index
    std::int32_t rowLength; // STRING: distance between strings of a string array, or 1
    std::int32_t aux;
    std::uint32_t count;    // elements allocated (strings: bytes)
    std::uint8_t* data;     // addressed element
    std::uint8_t* base;     // first element of an array
    std::uint8_t isStatic;
    std::uint8_t frameMarker;
    std::uint8_t isExternal;
    std::uint8_t isConstant;
    std::uint8_t isArray;
    std::uint8_t isBorrowed;
    std::uint8_t callStyle;
    char libraryName[80];
    std::uint32_t dims[3];
};

// ---- Statements ------------------------------------------------------------------------------

enum ArgKind : std::int32_t {
    ArgNumber = 0,
    ArgString = 1,
    ArgVariable = 2,
    ArgExpression = 3,
    ArgOther = 4,
};

constexpr int kMaxArgs = 25;
constexpr std::size_t kArgSlotSize = 256;

struct Statement {
    std::uint16_t code;
    std::uint16_t argCount;
    char* text;
    char* args[kMaxArgs];
    std::int32_t argKinds[kMaxArgs];
    std::int32_t resultType;
    std::int32_t toFile;
    char* argBlock;          // slots * 256 + 1 bytes
    std::uint16_t slots;     // argument buffers carved from argBlock
};

// ---- The interpreter -------------------------------------------------------------------------

constexpr int kConstantCount = 498;
constexpr int kHandlerCount = 250;
constexpr int kControlStackSize = 4096;
constexpr std::size_t kScratchTextSize = 65535;
constexpr int kWindowConstant = 72;   // event slot holding the window of the current event
constexpr int kFileStatusConstant = 70;

class Kestrun {
public:
    using Handler = Statement* (Kestrun::*)(Statement*);

    explicit Kestrun(Host& host);
    virtual ~Kestrun();
    Kestrun(const Kestrun&) = delete;
    Kestrun& operator=(const Kestrun&) = delete;

    // Shows the error box when errorCode is set; called once at the end of every run.
    virtual void reportError();
    // Called once when a run begins.
    virtual void onRunStart();

    // Allocates the run's statements, stacks and result variables. False when memory runs out.
    bool initialise();
    // Runs the program in programImage to its end. True when it ended without an error.
    bool run();
    // Frees everything a run allocated; safe to call more than once.
    void releaseProgram();

    // A Statement with n argument buffers of 256 bytes carved from one block; null when memory
    // runs out (then releaseProgram has run).
    Statement* newStatement(int n);
    void freeStatement(Statement* st);

    // ControlStack: push gives 1, or 0 when 4096 entries are held; pop gives 0 when empty.
    int pushControl(std::int32_t value);
    std::int32_t popControl();

    // 0-based source line of the line before currentLine (the one being executed).
    std::uint16_t currentLineNumber() const;

    // Line image passes, run once before the first statement.
    bool prepareLines();
    bool indexLabels();

    // Fills st from one line of the LineTable; 0 on success, 1 with errorCode set on failure.
    int parseStatement(Statement* st, char* line);

    // Variable store.
    Variable* createVariable(const char* name, std::uint8_t type, std::uint32_t elementCount, Variable* chain);
    Variable* findVariable(char* name, Variable* chainStart, bool allowCall);
    void freeVariableChain(Variable* v, bool stopAtFrameMarker);
    Variable* resultVariableFor(std::int32_t resultType) const;

    // Handlers.
#define KESTRUN_DECLARE_HANDLER(name) Statement* name(Statement* st);
#include "handler_decls.inc"
#undef KESTRUN_DECLARE_HANDLER
    Statement* CmdNoOp(Statement* st);
    Statement* CmdNotBuilt(Statement* st);
    Statement* CmdInvalidCode(Statement* st);

    // Calls the handler of st's code through the table (codes past the table stop with error 1).
    Statement* dispatch(Statement* st);

    // ---- State (public for handlers in other files and for tests) ----
    Host& host;
    TextBuffer programDirectory;
    std::uint32_t constants[kConstantCount];
    int initialised = 0;
    int stringResult = 0;
    int consoleOpen = 0;
    int autoDeclare = 1;
    std::int32_t decimalPrecision = 2;
    Variable* resultString = nullptr;
    Variable* resultInt = nullptr;
    Variable* resultFloat = nullptr;
    Variable* resultDouble = nullptr;
    Variable* resultPointer = nullptr;
    Variable* resultInt64 = nullptr;
    Variable* lastVariable = nullptr;
    Variable builtinStdout{};
    Variable builtinStdin{};
    Variable builtinDecimalPrec{};
    void* typeList = nullptr;
    char* scratchText = nullptr;
    PtrList scopeStack;
    SymbolList symbols;
    PtrList objectList;
    std::uint8_t* programImage = nullptr;
    std::uint16_t* lineNumbers = nullptr;
    std::uint32_t lineCount = 0;
    std::uint32_t currentLine = 0;
    char** lines = nullptr;
    std::uint8_t errorCode = 0;
    Statement* mainStatement = nullptr;
    Statement* spareStatement = nullptr;
    std::int32_t* controlStack = nullptr;
    int controlTop = 0;
    void* outputWindow = nullptr;
    TextBuffer whiteWindowClass;
    TextBuffer workspaceWindowClass;
    Handler handlers[kHandlerCount];

    std::FILE* builtinStreams[2] = {nullptr, nullptr};  // storage of SYSTEM_STDOUT0 and SYSTEM_STDIN0

    // The start of the current scope: the Variable after DECIMAL_PREC.
    Variable* scopeStart() const { return builtinDecimalPrec.next; }
    // The global chain while a subroutine runs (the oldest saved scope start), else null.
    Variable* savedGlobals() const { return scopeStack.empty() ? nullptr : static_cast<Variable*>(scopeStack.head()); }

    // Evaluates text with the expression evaluator and truncates the value to an integer.
    // False with errorCode set when the text is not a valid numeric expression.
    bool evaluateIntegerText(const char* text, std::int64_t& value);

private:
    void linkBuiltins();
    bool createResultVariables();
    void releaseTypeList();
    void releaseVariableResources(Variable* v);
    Variable* findWindowVariable(Variable* chainStart);
    bool addressElement(Variable* v, char* indexText);
};

// Formats the text of the error box into out (at most outSize bytes including the terminator).
void formatErrorText(char* out, std::size_t outSize, unsigned lineNumber, unsigned code);
extern const char kErrorCaption[];

}  // namespace kestrun
