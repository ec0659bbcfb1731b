// Calls of functions in dynamic libraries (a label declared by the external form of DECLARE) and
// the release of a library. A call turns its arguments into 32-bit words by the declared
// parameter types, calls the entry point through the thunk (dll_thunk.h), copies structures
// back into their records and stores the declared kind of result.
#include <cstring>
#include <new>

#include "dll_struct_layout.h"
#include "dll_thunk.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

namespace {

// Longest module name FREELIBRARY passes on (the system's path limit).
constexpr std::size_t kLongestModuleName = 259;

// What one call builds and must undo afterwards: the words, one structure buffer at most per
// argument, and the copies of long string results passed as arguments.
struct DllCallWork {
    std::uint32_t words[kMaxDllWords];
    std::uint32_t wordCount = 0;
    DllStructBuffer structs[kMaxArgs];
    int structCount = 0;
    char* keptTexts[kMaxArgs];
    int keptCount = 0;

    DllCallWork() = default;
    DllCallWork(const DllCallWork&) = delete;
    DllCallWork& operator=(const DllCallWork&) = delete;
    ~DllCallWork() {
        for (int i = 0; i < structCount; ++i) releaseDllStruct(structs[i]);
        for (int i = 0; i < keptCount; ++i) delete[] keptTexts[i];
    }
};

bool refuse(Kestrun& k, std::uint8_t code) {
    k.errorCode = code;
    return false;
}

// Appends one word; more than kMaxDllWords cannot be passed: 57.
bool addWord(Kestrun& k, DllCallWork& work, std::uint32_t word) {
    if (work.wordCount >= kMaxDllWords) return refuse(k, 57);
    work.words[work.wordCount++] = word;
    return true;
}

bool addAddress(Kestrun& k, DllCallWork& work, const void* address) {
    return addWord(k, work, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address)));
}

bool addDouble(Kestrun& k, DllCallWork& work, double value) {
    std::uint32_t halves[2];
    std::memcpy(halves, &value, sizeof value);
    return addWord(k, work, halves[0]) && addWord(k, work, halves[1]);
}

bool isNumericArgument(int type) {
    switch (type) {
        case TypeInt: case TypeFloat: case TypeWord: case TypeDouble: case TypeInt64: case TypeUInt64: case TypeUInt:
            return true;
        default:
            return false;
    }
}

bool isNumericParameter(int type) {
    switch (type) {
        case TypeInt: case TypeFloat: case TypeWord: case TypeDouble: case TypeUInt: return true;
        default: return false;
    }
}

// The text to pass for a STRING argument. A variable's own storage and a literal's text are
// passed as they are. The result of a string expression lives in SYSTEM_STRING0, which the next
// string expression of the same call would overwrite, so it is copied: into the argument's own
// slot of the Statement (its expression text is no longer needed) when it fits, else into a
// copy that the call frees. Null when memory runs out.
const char* stringArgumentText(Kestrun& k, Statement* st, int i, const ArgValue& a, DllCallWork& work) {
    if (a.variable || !k.resultString || a.text != reinterpret_cast<char*>(k.resultString->data)) return a.text;
    const TextView text = textOf(k, a);
    char* copy;
    if (text.length < kArgSlotSize && i < st->slots) {
        copy = st->argBlock + kArgSlotSize * static_cast<std::size_t>(i);
    } else {
        copy = new (std::nothrow) char[text.length + 1];
        if (!copy) return nullptr;
        work.keptTexts[work.keptCount++] = copy;
    }
    std::memcpy(copy, text.text, text.length);
    copy[text.length] = '\0';
    return copy;
}

// The words of a numeric argument (INT, FLOAT, WORD, DOUBLE, INT64, UINT64, UINT) for a numeric
// parameter (INT, FLOAT, WORD, DOUBLE, UINT). An array parameter takes the address of the
// addressed element of an array variable (anything else: 14). A DOUBLE parameter always takes
// the two words of the value as a double, so that the words after it stay where the function
// looks for them; a FLOAT parameter given a FLOAT or DOUBLE value takes the float's bits; every
// other pairing passes the value's 32-bit integer view (an INT for a FLOAT parameter keeps its
// bits unchanged).
bool addNumber(Kestrun& k, DllCallWork& work, const ArgValue& a, const Variable* param) {
    if (param->isBorrowed) {
        if (!a.variable || !a.variable->isArray) return refuse(k, 14);
        return addAddress(k, work, a.address);
    }
    if (param->type == TypeDouble) return addDouble(k, work, a.doubleValue);
    if (param->type == TypeFloat && (a.valueType == TypeFloat || a.valueType == TypeDouble)) {
        std::uint32_t bits;
        std::memcpy(&bits, &a.floatValue, sizeof bits);
        return addWord(k, work, bits);
    }
    return addWord(k, work, static_cast<std::uint32_t>(a.intValue));
}

// A record argument: the address of a new structure buffer that holds the addressed element.
bool addStructure(Kestrun& k, DllCallWork& work, const ArgValue& a) {
    Variable* head = nullptr;
    if (a.address) std::memcpy(&head, a.address, sizeof head);
    DllStructBuffer& buffer = work.structs[work.structCount];
    const bool built = buildDllStruct(k, head, a.variable ? a.variable->aux : 8, buffer);
    if (buffer.bytes) ++work.structCount;
    return built && addAddress(k, work, buffer.bytes);
}

// Fetches argument i and appends its words, by its type and the declared parameter (null when
// the prototype declares fewer parameters). Pairings that cannot be passed: 57.
bool marshalArgument(Kestrun& k, Statement* st, int i, const Variable* param, DllCallWork& work) {
    ArgValue a;
    if (!k.getArg(a, st, i, WantAny)) return false;
    const int declared = param ? param->type : -1;
    switch (a.valueType) {
        case TypeString: {
            if (declared != TypeString) return refuse(k, 57);
            const char* text = stringArgumentText(k, st, i, a, work);
            if (!text) return refuse(k, 2);
            return addAddress(k, work, text);
        }
        case TypeUser:
            return addStructure(k, work, a);
        case TypeMemory:
            if (param && declared != TypeMemory) return refuse(k, 57);
            return addWord(k, work, static_cast<std::uint32_t>(a.object));
        case TypeWindow:
        case TypeDialog:
            if (declared != TypeInt && declared != a.valueType) return refuse(k, 57);
            return addWord(k, work, dllWindowHandle(k, a.object));
        case TypePointer:
            if (declared != TypePointer) return refuse(k, 57);
            return addWord(k, work, static_cast<std::uint32_t>(a.object));
        default:
            if (!isNumericArgument(a.valueType)) return refuse(k, 57);
            if (declared == TypePointer) {
                if (!a.variable) return refuse(k, 14);
                return addAddress(k, work, a.address);
            }
            if (!isNumericParameter(declared)) return refuse(k, 57);
            return addNumber(k, work, a, param);
    }
}

// Length of the text a function returned, reading at most the capacity of SYSTEM_STRING0.
std::size_t returnedTextLength(const char* text) {
    std::size_t n = 0;
    while (n < kResultTextLength && text[n]) ++n;
    return n;
}

// Stores the call's result by the declared return type: STRING the returned text (a null
// address gives the empty text); CHAR, WORD and INT the low 8, 16 or 32 bits of eax as an INT
// result, UINT eax as UINT; FLOAT and DOUBLE the value the function left on the x87 stack (0
// when it left none); INT64 and UINT64 edx:eax; POINTER eax as the value of SYSTEM_POINTER0,
// designating no variable. Any other type stores nothing and only becomes the resultType.
Statement* storeResult(Kestrun& k, Statement* st, std::int32_t type, const DllCallFrame& frame) {
    const double real = frame.hasFloatResult ? frame.floatResult : 0.0;
    switch (type) {
        case TypeString: {
            const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(frame.eax));
            if (!text) text = "";
            return setStringResult(k, st, text, returnedTextLength(text));
        }
        case TypeChar: return setIntResult(k, st, static_cast<std::int32_t>(frame.eax & 0xFFu));
        case TypeWord: return setIntResult(k, st, static_cast<std::int32_t>(frame.eax & 0xFFFFu));
        case TypeInt: return setIntResult(k, st, static_cast<std::int32_t>(frame.eax));
        case TypeUInt:
            if (!setIntResult(k, st, static_cast<std::int32_t>(frame.eax))) return nullptr;
            st->resultType = TypeUInt;
            return st;
        case TypeFloat: return setFloatResult(k, st, static_cast<float>(real));
        case TypeDouble: return setDoubleResult(k, st, real);
        case TypeInt64:
        case TypeUInt64:
            return setInt64Result(k, st, static_cast<std::int64_t>((std::uint64_t{frame.edx} << 32) | frame.eax),
                                  static_cast<std::uint8_t>(type));
        case TypePointer:
            if (!setPointerResult(k, st, nullptr, 0)) return nullptr;
            std::memcpy(k.resultPointer->data, &frame.eax, sizeof frame.eax);
            return st;
        default:
            st->resultType = type;
            return st;
    }
}

}  // namespace

// CALLDLL (also every call of a declared library function, in a line or inside an expression).
// Argument 0 names a label declared by the external DECLARE (lookup errors; another variable:
// 14); the arguments after it must be as many as the declared parameters, unless none were
// declared (56); for a function without parameters a single blank argument (a line call written
// "f()") counts as none. The library is loaded for the call (53) and the entry found by its alias or the
// function's name (54). The arguments are marshalled in order (marshalArgument); the first that
// fails stops marshalling and nothing is called. The function is called with the declared
// convention; if it moved the stack pointer by a different amount than that convention implies
// (its real parameter count or convention differ from the prototype), the stack pointer is put
// back and the call fails with 67 instead of leaving the engine to crash later. Structures are
// copied back whether or not the call was made, and the library reference is given back.
Statement* Kestrun::CmdCallDll(Statement* st) {
    if (st->argCount == 0) return failStatement(*this, 56);
    errorCode = 0;
    Variable* function = findVariable(skipBlanks(st->args[0]), nullptr, false);
    if (!function) return failStatement(*this, errorCode ? errorCode : 10);
    errorCode = 0;
    if (function->type != TypeLabel || !function->isExternal) return failStatement(*this, 14);
    int argumentCount = st->argCount - 1;
    // A line call written with empty parentheses, f(), reaches here with one blank argument.
    if (function->rowLength == 0 && argumentCount == 1 && st->argKinds[1] == ArgOther && !*skipBlanks(st->args[1]))
        argumentCount = 0;
    if (function->rowLength != 0 && function->rowLength != argumentCount) return failStatement(*this, 56);

    void* library = host.loadLibrary(function->libraryName);
    if (!library) return failStatement(*this, 53);
    const char* entryName = function->data && function->data[0] ? reinterpret_cast<const char*>(function->data)
                                                                : function->name;
    const void* entry = host.findProcedure(library, entryName);
    Statement* result = st;
    {
        DllCallWork work;
        if (!entry) {
            result = failStatement(*this, 54);
        } else {
            const Variable* param = function->child ? function->child->next : nullptr;
            for (int i = 1; i <= argumentCount && result; ++i) {
                if (!marshalArgument(*this, st, i, param, work)) result = nullptr;
                if (param) param = param->next;
            }
        }
        if (result) {
            DllCallFrame frame;
            frame.words = work.words;
            frame.wordCount = work.wordCount;
            frame.entry = entry;
            frame.callerPops = function->callStyle ? 1 : 0;
            if (callDllEntry(frame) != 0) result = failStatement(*this, 67);
            else result = storeResult(*this, st, function->aux, frame);
        }
        for (int i = 0; i < work.structCount; ++i) copyBackDllStruct(*this, work.structs[i]);
    }
    host.releaseLibrary(library);
    return result;
}

// FREELIBRARY: exactly one STRING argument, the library's name (56 otherwise, or the fetch's
// error); a module of that name loaded in the process gives back one reference. A name longer
// than a path can be names no module: nothing is released (a cut name could name another one).
Statement* Kestrun::CmdFreeLibrary(Statement* st) {
    if (!checkArgCount(*this, st, 1, 1, 56)) return nullptr;
    ArgValue name;
    if (!getArg(name, st, 0, TypeString)) return nullptr;
    const TextView text = textOf(*this, name);
    char library[kLongestModuleName + 1];
    if (text.length > kLongestModuleName) return st;
    std::memcpy(library, text.text, text.length);
    library[text.length] = '\0';
    host.releaseLoadedModule(library);
    return st;
}

}  // namespace kestrun
