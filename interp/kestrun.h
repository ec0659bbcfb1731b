// The interpreter: the Kestrun object with its tables and run loop, and the records it works on
// (Statement, Variable, VarType). One Kestrun object runs one program per process.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>

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
    std::uint8_t isDesignated;  // a pointer has designated it (designate()): its release clears pointers
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

// ---- Fetched arguments -------------------------------------------------------------------------

// Wanted types beyond the twenty VarTypes.
constexpr int WantAnyNumber = 20;
constexpr int WantAny = 21;
constexpr int WantWindowOrDialog = 25;

// Every view of one fetched argument. Cleared at the start of every fetch.
struct ArgValue {
    std::int32_t intValue;
    float floatValue;
    double doubleValue;
    Variable* variable;      // the Variable that supplied the value (variables only)
    char* text;              // string view
    std::uintptr_t object;   // stored word of handle-like types
    std::uint8_t* address;   // addressed element of variable
    std::int64_t int64Value;
    std::uint8_t charValue;
    std::uint8_t valueType;
};

// ---- Record types ------------------------------------------------------------------------------

// One record-type definition (a TYPE ... ENDTYPE block), kept in Kestrun::typeList in definition
// order. Its body lines are parsed again for every instance; a lookup finds the first definition
// of a name.
struct TypeDef {
    char name[17];            // at most 16 characters, compared without regard to case
    std::int32_t firstLine;   // LineTable index of the first body line (the line after the head)
    std::int32_t lastLine;    // LineTable index of the last body line (the line before the end)
    std::int32_t packing;     // alignment limit of the type's values in DLL structures
    TypeDef* prev;
    TypeDef* next;
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

    // Reads argument i of st into out, checked against the wanted type (a VarType or one of the
    // Want codes). Returns &out, or null with errorCode set.
    ArgValue* getArg(ArgValue& out, Statement* st, int i, int wanted);

    // ---- Expression evaluator (members) ----
    // Computes the value of an expression text. A string result is left in SYSTEM_STRING0 with
    // stringResult set. On error errorCode is set and 0 is returned.
    double evaluateExpression(const char* text);

    // Working state of one evaluation; one is kept per nesting depth (a function called from an
    // expression may evaluate expressions of its own). Defined in expression_internal.h.
    struct ExpressionContext;
    // One computed value of an evaluation: a number, a string or an unresolved name.
    struct ExpressionValue;
    // The comma-separated results of one level and where the level ended.
    struct ExpressionLevel;

private:
    // Evaluates the level that starts at start (a "(" or the start of the whole text) into level.
    // False with errorCode set on failure.
    bool evaluateLevel(ExpressionContext& cx, char* start, ExpressionLevel& level);
    // Fills st for a call of the name [name, name + nameLength) with the markers that start at
    // markers as its arguments. Returns the position after the consumed markers, or null with
    // errorCode set.
    const char* buildCallStatement(ExpressionContext& cx, const char* name, std::size_t nameLength,
                                   const char* markers, Statement* st);
    // Runs a built call and turns its result into value (a number, or a string for resultType 0).
    bool runCallStatement(ExpressionContext& cx, Statement* st, ExpressionValue& value);
    // Resolves a name operand to a number or a string (a label or subroutine is called).
    bool resolveNameValue(ExpressionContext& cx, ExpressionValue& value);
    // The context of the next nesting depth, created on first use; null when memory runs out.
    ExpressionContext* enterExpressionDepth();
    void leaveExpressionDepth() { --expressionDepth; }

    // The contexts of every depth reached so far, kept for the life of the interpreter so that an
    // evaluation allocates nothing once its depth has been used.
    struct ExpressionContextCache {
        ExpressionContextCache() = default;
        ExpressionContextCache(const ExpressionContextCache&) = delete;
        ExpressionContextCache& operator=(const ExpressionContextCache&) = delete;
        ~ExpressionContextCache();
        ExpressionContext** items = nullptr;
        int count = 0;
    };
    ExpressionContextCache expressionContexts;
    int expressionDepth = 0;

public:
    // ---- end of expression evaluator members ----

    // Variable store.
    Variable* createVariable(const char* name, std::uint8_t type, std::uint32_t elementCount, Variable* chain);
    Variable* findVariable(char* name, Variable* chainStart, bool allowCall);
    void freeVariableChain(Variable* v, bool stopAtFrameMarker);
    Variable* resultVariableFor(std::int32_t resultType) const;

    // Record operations on USER_0 values (records.cpp). A record is reached through the head of
    // its member list; the members follow the head.
    // Copies the source record into the target record member by member (records.cpp has the
    // rules). False with errorCode 11 at the first pair that cannot be copied.
    bool copyRecord(Variable* targetHead, Variable* sourceHead);

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
    TypeDef* typeList = nullptr;
    char* scratchText = nullptr;
    PtrList scopeStack;
    SymbolList symbols;
    PtrList objectList;
    // Every window and dialog object and every file stream the program created and has not
    // released yet. Release acts only on these, so a handle that two variables share, or a number
    // stored where a handle belongs, is never freed twice or freed at all.
    PtrList liveObjects;
    PtrList openStreams;
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

#ifdef KESTRUN_STEP_BUDGET
    // Sanitizer and fuzz builds only: a bound of their own on every run, so that a program that
    // loops forever (or builds records without end) ends. A step is one parsed line or one
    // dispatched statement; run() gives each run stepBudget steps. Once they are spent every
    // parse and dispatch fails with error 1, and stepBudgetSpent tells that it was the bound.
    std::uint64_t stepBudget = KESTRUN_STEP_BUDGET;
    std::uint64_t stepsLeft = KESTRUN_STEP_BUDGET;
    bool stepBudgetSpent = false;
    // Takes one step; false with errorCode 1 when none is left.
    bool spendStep() {
        if (stepsLeft == 0) {
            stepBudgetSpent = true;
            errorCode = 1;
            return false;
        }
        --stepsLeft;
        return true;
    }
#endif

    std::FILE* builtinStreams[2] = {nullptr, nullptr};  // storage of SYSTEM_STDOUT0 and SYSTEM_STDIN0

    // The start of the current scope: the Variable after DECIMAL_PREC.
    Variable* scopeStart() const { return builtinDecimalPrec.next; }
    // The global chain while a subroutine runs (the oldest saved scope start), else null.
    Variable* savedGlobals() const { return scopeStack.empty() ? nullptr : static_cast<Variable*>(scopeStack.head()); }

    // Evaluates text with the expression evaluator and truncates the value to an integer.
    // False with errorCode set when the text is not a valid numeric expression.
    bool evaluateIntegerText(const char* text, std::int64_t& value);

    // ---- Control flow and subroutines (members) ----
    // ControlStack frames are two entries: a line index, then the marker of the construct that
    // pushed it.
    static constexpr std::int32_t MarkCall = 90000;
    static constexpr std::int32_t MarkSelect = 90001;
    static constexpr std::int32_t MarkRepeat = 90002;
    static constexpr std::int32_t MarkCondLoop = 90003;
    // Machine stack that nested subroutine calls may take below the outermost active call. A call
    // that would go deeper fails with error 34, as a full ControlStack does, so that recursion
    // through unusual paths (calls inside deeply nested expressions or conditionals) ends with an
    // error instead of a crashed process. The engine's stack reserve (startup/CMakeLists.txt)
    // holds this budget plus room for the statement below the deepest call.
    static constexpr std::size_t kCallStackBudget = 12u * 1024u * 1024u;

    // Pushes a two-entry frame; false (nothing left pushed) when the ControlStack cannot take both.
    bool pushFrame(std::int32_t line, std::int32_t marker);
    // Runs lines from currentLine as the run loop does, with body as the Statement, until a
    // return statement has run (gives body), or a handler stops, an error is set or the lines run
    // out (gives null).
    Statement* runNestedLines(Statement* body);
    // Releases the variables of a subroutine scope that starts at first (its parameters, or its
    // first local), together with the scope head the parameters hang from. Pointers outside the
    // scope that designated one of its variables lose their targets first.
    void releaseScope(Variable* first);

    // Working storage of control flow kept per nesting depth: the Statement of each call depth's
    // nested run loop and the text copy of each single-line conditional depth. Created the first
    // time a depth is reached and kept for the life of the interpreter, so running lines
    // allocates nothing once a depth has been used (flow_depth_cache.cpp).
    struct FlowDepthCache {
        FlowDepthCache() = default;
        FlowDepthCache(const FlowDepthCache&) = delete;
        FlowDepthCache& operator=(const FlowDepthCache&) = delete;
        ~FlowDepthCache();
        // The Statement of call depth depth; null when memory runs out.
        Statement* body(int depth);
        // A text buffer of at least size bytes for conditional depth depth; null when memory runs
        // out.
        char* text(int depth, std::size_t size);

        Statement** bodies = nullptr;
        int bodyCount = 0;
        char** texts = nullptr;
        std::size_t* textSizes = nullptr;
        int textCount = 0;
    };
    FlowDepthCache flowCache;
    int callDepth = 0;            // nested run loops of subroutine calls now active
    int conditionalDepth = 0;     // single-line conditionals now running their inner statement
    std::uintptr_t callStackOrigin = 0;  // stack position of the outermost active call
    std::size_t callStackBudget = kCallStackBudget;
    // ---- end of control flow and subroutine members ----

    // ---- Console and printing (members) ----
    // Opens the console through the host and marks it open (consoleOpen = 1).
    void openConsole();
    // Opens the console unless the program has it open already.
    void ensureConsole() {
        if (!consoleOpen) openConsole();
    }
    // True when window is a window or dialog object the program created and still has.
    bool isLiveObject(const void* window) const;
    // ---- end of console members ----

    // ---- Declarations, user types and run-time functions (members) ----
    // Destroys one variable (DELETE, FREEPOINTER): the interpreter's own variables, and a variable
    // whose storage (or a member's) a parameter of an active call shares by reference, fail with
    // 21, a WINDOW or DIALOG that still holds its object with 22. Record members are released, the
    // record is unlinked from its chain (or from the anonymous variables), every pointer that
    // designated it or one of its members loses its target, and its storage is freed unless
    // borrowed. Open files and memory blocks stay as they are. False with errorCode set.
    bool destroyVariable(Variable* v);
    // Every pointer of the program (the current scope, the saved scopes, the anonymous variables,
    // their record members and parameter templates) that designates dead or one of its record
    // members loses its target; its value becomes 0.
    void forgetPointersTo(const Variable* dead);
    // Before a scope that starts at first is freed: forgetPointersTo for each of its variables
    // that a pointer ever designated (itself or a record member, isDesignated). Variables no
    // pointer ever designated cost one look each, so releasing the scope of a call stays linear
    // in its own variables.
    void forgetPointersIntoScope(const Variable* first);
    // Frees the anonymous variables that ALLOCATE made and FREEPOINTER did not destroy.
    void releaseAnonymousVariables();
    // The random generator: state = state * 214013 + 2531011 (mod 2^32); a draw is bits 16 to 30
    // of the new state (0 to 32767). Seeding sets the state and throws one draw away.
    void seedRandom(std::uint32_t seed);
    std::int32_t nextRandom();
    // Runs the one-argument numeric function of st's code (95 to 113) on the double view of its
    // argument and leaves the value in SYSTEM_DOUBLE0.
    Statement* runNumericFunction(Statement* st);

    std::uint32_t randomState = 0;
    // Variables made by ALLOCATE, reachable only through pointers.
    PtrList anonymousVariables;
    // Work text of the joins and the picture formatter, made on first use and kept for the life of
    // the interpreter; busy while a handler builds its result in it (runtime/text_work.h).
    std::unique_ptr<char[]> textWork;
    bool textWorkBusy = false;
    // ---- end of declaration and run-time function members ----

    // ---- Memory blocks and the clock (members) ----
    // The blocks that MEMALLOC made and nothing has freed yet (memory_blocks.cpp). Blocks are
    // resized, freed and measured only through this list: an address that a MEMORY variable still
    // holds after another variable sharing it freed it, or a number a program stored in a MEMORY
    // variable, is never freed or resized, and no copy goes past a block's allocation. Blocks
    // still live when the program ends are freed by releaseProgram.
    PtrList liveBlocks;
    // The allocated size of the live block at address block; 0 when block is no live block.
    std::uint32_t memoryBlockSize(const void* block) const;
    // Frees every live block.
    void releaseMemoryBlocks();
    // The calendar time the date and time functions read (runtime/date_time.cpp): std::time,
    // unless a test sets a clock of its own here.
    std::time_t (*readClock)() = nullptr;
    // ---- end of memory block and clock members ----

    // ---- Library calls (members) ----
    // Storage of record members whose address a library function replaced during a call. It is
    // kept, not freed, until the interpreter goes: a pointer of the program may still hold an
    // address inside it.
    struct ReplacedStorage {
        ReplacedStorage() = default;
        ReplacedStorage(const ReplacedStorage&) = delete;
        ReplacedStorage& operator=(const ReplacedStorage&) = delete;
        ~ReplacedStorage();
        PtrList blocks;
    };
    ReplacedStorage dllReplacedStorage;
    // ---- end of library call members ----

    // ---- Files and directories (members) ----
    // The stream in the FILE or BFILE slot at slot, when it is one the program opened and has not
    // closed, or one of the built-in standard streams; null otherwise (an empty slot, a stream
    // already closed through another variable that shared it).
    std::FILE* openStreamAt(const std::uint8_t* slot) const;
    // Registers a stream the program opened, so that release closes it.
    bool registerStream(std::FILE* stream);
    // Closes stream when it is registered and forgets it; false (nothing closed) otherwise.
    bool closeStream(void* stream);
    // Readies stream for a read or a write: the C library needs a positioning between output
    // and input on one stream, so one is made when the direction changes.
    void prepareStream(std::FILE* stream, bool forWrite);
    // Forgets the direction of stream's last transfer (after a positioning).
    void forgetStreamDirection(std::FILE* stream);
    // Pushes what the program wrote to every open stream down to the system. The run does this
    // when it ends, before any error box, so no data waits in a buffer while the box is shown.
    void flushOpenStreams();
    // Ends and frees every directory search the program left open.
    void releaseFileFinders();

    // Streams whose last transfer was a write, and those whose last transfer was a read.
    PtrList streamsLastWritten;
    PtrList streamsLastRead;
    // The program's open directory searches (CFileFinder objects, files_system/file_finder.h);
    // the program knows each by a number that is never 0 and never reused in a run.
    PtrList fileFinders;
    std::uint32_t lastSearchHandle = 0;
    // ---- end of files and directories members ----

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
