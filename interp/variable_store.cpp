// The variable store: creation, lookup with indexes, members and dereference, and release of
// Variables together with the windows, dialogs and files they own.
#include <cstdlib>
#include <cstring>

#include "kestrun.h"
#include "records.h"
#include "text_util.h"

namespace kestrun {

namespace {

constexpr std::size_t kMaxName = 30;
// The largest storage block a program may ask for; anything larger is out of memory (error 2).
constexpr std::uint64_t kMaxStorageBytes = 0x7FFFFFFFu;

// Operator characters that make an index an expression ("(" and the constant token included).
bool isIndexOperator(unsigned char c) {
    return c == 0xFE || (c != '\0' && std::strchr("*+-<>|&=~^/(@%", c) != nullptr);
}

bool containsIndexOperator(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (isIndexOperator(*p)) return true;
    return false;
}

// Position of the first '[' outside double quotes, or null.
const char* findOpenBracket(const char* text) {
    bool quoted = false;
    for (const char* p = text; *p; ++p) {
        if (*p == '"') quoted = !quoted;
        else if (*p == '[' && !quoted) return p;
    }
    return nullptr;
}

// Trims blanks at both ends of [begin, end) in place; returns the new begin and writes a zero
// at the new end.
char* trimInPlace(char* begin, char* end) {
    while (begin < end && isBlank(static_cast<unsigned char>(*begin))) ++begin;
    while (end > begin && isBlank(static_cast<unsigned char>(end[-1]))) --end;
    *end = '\0';
    return begin;
}

bool namesEqual(const char* stored, const char* wanted, std::size_t wantedLength) {
    if (toUpperAscii(stored[0]) != toUpperAscii(wanted[0])) return false;
    return equalsNoCase(stored, std::strlen(stored), wanted, wantedLength);
}

// Calls release(object) for every non-null handle slot of a WINDOW, DIALOG, FILE or BFILE variable, clearing
// the slot first so the object is never reachable from the variable once it is gone.
template <typename Release>
void forEachHeldObject(Variable* v, std::uint8_t* first, Release release) {
    for (std::uint32_t i = 0; first && i < v->count; ++i) {
        void* object;
        std::memcpy(&object, first + 4 * i, sizeof object);
        if (!object) continue;
        std::memset(first + 4 * i, 0, sizeof object);
        release(object);
    }
}

}  // namespace

// ---- Creation --------------------------------------------------------------------------------------

Variable* Kestrun::createVariable(const char* name, std::uint8_t type, std::uint32_t elementCount,
                                  Variable* chain) {
    // Name and optional dimension text.
    const char* bracket = findOpenBracket(name);
    std::size_t nameLength = bracket ? static_cast<std::size_t>(bracket - name) : std::strlen(name);
    if (nameLength > kMaxName) nameLength = kMaxName;
    if (type == TypeIString && !bracket) {
        errorCode = 44;
        return nullptr;
    }

    Variable* last = chain ? chain : &builtinStdin;
    for (Variable* v = last; v; v = v->next) {
        if (equalsNoCase(v->name, std::strlen(v->name), name, nameLength)) {
            errorCode = 9;
            return nullptr;
        }
        last = v;
    }

    Variable* v = static_cast<Variable*>(std::calloc(1, sizeof(Variable)));
    if (!v) {
        errorCode = 2;
        return nullptr;
    }
    std::memcpy(v->name, name, nameLength);
    v->type = type;

    auto fail = [&](std::uint8_t code) -> Variable* {
        std::free(v);
        errorCode = code;
        return nullptr;
    };

    std::uint64_t count = elementCount;
    if (type == TypeString) {
        v->capacity = 255;
        v->rowLength = 255;
        if (count) count = 255;
    }
    if (count == 0) {
        if (bracket || type == TypeString) v->isArray = 1;
    } else {
        if (bracket) {
            // Up to three dimensions between '[' and the next ']'.
            const char* close = std::strchr(bracket + 1, ']');
            if (!close) return fail(1);
            char dimText[kArgSlotSize * 4];
            const std::size_t dimLength = static_cast<std::size_t>(close - bracket - 1);
            if (dimLength >= sizeof dimText) return fail(1);
            std::memcpy(dimText, bracket + 1, dimLength);
            dimText[dimLength] = '\0';
            char* cursor = dimText;
            for (int d = 0; d < 3 && cursor; ++d) {
                char* comma = std::strchr(cursor, ',');
                char* end = comma ? comma : cursor + std::strlen(cursor);
                char* value = trimInPlace(cursor, end);
                cursor = comma ? comma + 1 : nullptr;
                const unsigned char first = static_cast<unsigned char>(value[0]);
                std::int64_t dim = 0;
                if (first == '(' || first == '@' || isLetter(first) || first == 0xFF) {
                    if (!evaluateIntegerText(value, dim)) {
                        std::free(v);
                        return nullptr;
                    }
                } else {
                    dim = std::strtoll(value, nullptr, 0);
                }
                if (dim == 0) return fail(45);
                if (dim < 0 || static_cast<std::uint64_t>(dim) > kMaxStorageBytes) return fail(2);
                v->dims[d] = static_cast<std::uint32_t>(dim);
                count *= static_cast<std::uint64_t>(dim);
                if (count > kMaxStorageBytes) return fail(2);
            }
        }
        if (type == TypeIString) {
            v->dims[0] += 1;
            count += 1;
            v->rowLength = 1;
            v->capacity = static_cast<std::int32_t>(v->dims[0]);
        }
        const std::uint64_t bytes = count * kVarTypes[type].width;
        if (bytes > kMaxStorageBytes) return fail(2);
        std::uint8_t* block = static_cast<std::uint8_t*>(std::calloc(bytes ? static_cast<std::size_t>(bytes) : 1, 1));
        if (!block) return fail(2);
        v->data = block;
        if (bracket) {
            v->base = block;
            v->isArray = 1;
        }
        v->count = static_cast<std::uint32_t>(count);
        if (type == TypeString && !bracket) {
            v->rowLength = 1;
            v->dims[0] = 255;
            v->base = block;
            v->isArray = 1;
        }
        if (type == TypeIString) v->type = TypeString;
    }

    // Link at the end of the chain searched above.
    v->prev = last;
    last->next = v;
    if (!chain) lastVariable = v;
    return v;
}

// ---- Lookup ----------------------------------------------------------------------------------------

Variable* Kestrun::findWindowVariable(Variable* chainStart) {
    const std::uint32_t wanted = constants[kWindowConstant];
    for (Variable* v = chainStart; v; v = v->next) {
        if (v->type != TypeWindow || !v->count) continue;
        std::uint8_t* first = v->isArray ? v->base : v->data;
        for (std::uint32_t i = 0; i < v->count; ++i) {
            std::uint32_t object;
            std::memcpy(&object, first + 4 * i, 4);
            if (object != 0 && object == wanted) {
                v->data = first + 4 * i;
                return v;
            }
        }
    }
    return nullptr;
}

// Addresses the element that indexText (the text after '[') names; false with errorCode set.
bool Kestrun::addressElement(Variable* v, char* indexText) {
    char* close = std::strchr(indexText, ']');
    if (!close) {
        errorCode = 1;
        return false;
    }
    char buffer[kArgSlotSize * 4];
    const std::size_t length = static_cast<std::size_t>(close - indexText);
    if (length >= sizeof buffer) {
        errorCode = 1;
        return false;
    }
    std::memcpy(buffer, indexText, length);
    buffer[length] = '\0';

    std::int64_t index[3] = {0, 0, 0};
    int given = 0;
    char* cursor = buffer;
    while (cursor && given < 3) {
        char* comma = std::strchr(cursor, ',');
        char* value = trimInPlace(cursor, comma ? comma : cursor + std::strlen(cursor));
        cursor = comma ? comma + 1 : nullptr;
        const unsigned char first = static_cast<unsigned char>(value[0]);
        if (containsIndexOperator(value)) {
            if (!evaluateIntegerText(value, index[given])) return false;
        } else if (isDigit(first) || first == '-') {
            index[given] = std::strtoll(value, nullptr, 0);
        } else {
            Variable* named = findVariable(value, nullptr, false);
            if (!named) return false;
            if (named->type != TypeInt) {
                errorCode = 14;
                return false;
            }
            std::int32_t n;
            std::memcpy(&n, named->data, 4);
            index[given] = n;
        }
        ++given;
    }

    const bool singleString = v->type == TypeString && v->rowLength == 1;
    for (int i = 0; i < given; ++i) {
        // A single string takes further indexes as a length; they do not move the address.
        if (singleString && i > 0) continue;
        if (index[i] < 0 || index[i] >= static_cast<std::int64_t>(v->dims[i])) {
            errorCode = 7;
            return false;
        }
    }

    const std::uint64_t d0 = v->dims[0], d1 = v->dims[1];
    std::uint64_t element = static_cast<std::uint64_t>(index[0]);
    if (!singleString) {
        if (given == 2) element += static_cast<std::uint64_t>(index[1]) * d0;
        if (given == 3) element += (static_cast<std::uint64_t>(index[1]) + static_cast<std::uint64_t>(index[2]) * d1) * d0;
    }
    if (v->type == TypeString) {
        v->data = v->base + element * static_cast<std::uint32_t>(v->rowLength);
        if (singleString) v->capacity = given == 1 ? 1 : static_cast<std::int32_t>(d0 - index[0]);
    } else {
        v->data = v->base + element * kVarTypes[v->type].width;
    }
    return true;
}

Variable* Kestrun::findVariable(char* text, Variable* chainStart, bool allowCall) {
    // The caller's text stays untouched: the lookup works on a bounded copy.
    char work[kArgSlotSize * 4];
    const std::size_t textLength = std::strlen(text);
    if (textLength >= sizeof work) {
        errorCode = 1;
        return nullptr;
    }
    std::memcpy(work, text, textLength + 1);

    // Member access: cut at the first '.' outside quotes and brackets.
    char* member = nullptr;
    if (textLength > 1) {
        bool quoted = false;
        int depth = 0;
        for (char* p = work; *p; ++p) {
            if (*p == '"') quoted = !quoted;
            else if (quoted) continue;
            else if (*p == '[') ++depth;
            else if (*p == ']') --depth;
            else if (*p == '.' && depth == 0) {
                *p = '\0';
                member = p + 1;
                break;
            }
        }
    }

    char* name = work;
    const bool dereference = *name == '#';
    if (dereference) ++name;

    char* indexText = nullptr;
    if (std::strlen(name) > 1) {
        if (char* open = std::strchr(name, '[')) {
            *open = '\0';
            indexText = open + 1;
        }
    }

    if (static_cast<unsigned char>(name[0]) == 0xFE && static_cast<unsigned char>(name[1]) == 0xE4 &&
        static_cast<unsigned char>(name[2]) == 0xE8 && name[3] == '\0') {
        Variable* found = findWindowVariable(chainStart ? chainStart : &builtinStdout);
        if (!found && savedGlobals()) found = findWindowVariable(savedGlobals());
        return found;
    }

    std::size_t nameLength = 0;
    while (name[nameLength] && !isBlank(static_cast<unsigned char>(name[nameLength]))) ++nameLength;

    Variable* found = nullptr;
    if (nameLength) {
        for (Variable* v = chainStart ? chainStart : &builtinStdout; v; v = v->next) {
            if (namesEqual(v->name, name, nameLength)) {
                found = v;
                break;
            }
        }
    }
    if (found && dereference) found = found->target;

    if (!found && !chainStart && savedGlobals()) {
        std::memcpy(work, text, textLength + 1);
        found = findVariable(work, savedGlobals(), false);
        if (found) return found;
    }

    if (!found) {
        if (errorCode == 0) errorCode = 10;
        // Only a name that is not there may be a call; an index that failed keeps its own error.
        if (!allowCall || errorCode != 10) return nullptr;
        errorCode = 0;
        Statement* st = newStatement(kMaxArgs);
        if (!st) {
            errorCode = 2;
            return nullptr;
        }
        std::memcpy(work, text, textLength + 1);
        Variable* result = nullptr;
        if (parseStatement(st, work) != 0) {
            errorCode = 10;
        } else if (dispatch(st)) {
            result = resultVariableFor(st->resultType);
        }
        freeStatement(st);
        return result;
    }

    if (found->type == TypeString && found->rowLength == 1) found->capacity = static_cast<std::int32_t>(found->dims[0]);
    if (found->isArray) {
        if (!indexText) found->data = found->base;
        else if (!addressElement(found, indexText)) return nullptr;
    }

    if (member && found->type == TypeUser && found->data) {
        Variable* members;
        std::memcpy(&members, found->data, sizeof members);
        return findVariable(member, members, true);
    }
    return found;
}

Variable* Kestrun::resultVariableFor(std::int32_t resultType) const {
    switch (resultType) {
        case TypeString: return resultString;
        case TypeInt:
        case TypeUInt: return resultInt;
        case TypeFloat: return resultFloat;
        case TypeDouble: return resultDouble;
        case TypePointer: return resultPointer;
        case TypeInt64:
        case TypeUInt64: return resultInt64;
        default: return nullptr;
    }
}

// ---- Release ---------------------------------------------------------------------------------------

void Kestrun::releaseVariableResources(Variable* v) {
    // Borrowed storage (a parameter bound by reference) belongs to the caller's Variable.
    if (v->frameMarker || v->isBorrowed) return;
    std::uint8_t* first = v->isArray ? v->base : v->data;
    switch (v->type) {
        case TypeWindow:
            forEachHeldObject(v, first, [this](void* object) {
                if (!liveObjects.remove(object)) return;
                objectList.remove(object);
                constants[kWindowConstant] = 0;
                host.deleteWindowObject(object);
            });
            break;
        case TypeDialog:
            forEachHeldObject(v, first, [this](void* object) {
                if (!liveObjects.remove(object)) return;
                objectList.remove(object);
                host.deleteDialogObject(object);
            });
            break;
        case TypeFile:
        case TypeBFile:
            if (v->type == TypeFile && v->isStatic) break;
            forEachHeldObject(v, first, [this](void* stream) { closeStream(stream); });
            break;
        case TypeUser:
            if (!v->count || !first) break;
            for (std::uint32_t i = 0, n = elementCount(v); i < n && i < v->count; ++i) {
                Variable* members;
                std::memcpy(&members, first + 4 * i, sizeof members);
                if (members) freeVariableChain(members, false);
                std::memset(first + 4 * i, 0, sizeof members);
            }
            break;
        case TypeLabel:
            if (v->child) freeVariableChain(v->child, false);
            v->child = nullptr;
            break;
        default:
            break;
    }
}

void Kestrun::freeVariableChain(Variable* v, bool stopAtFrameMarker) {
    if (!v) return;
    Variable* newest = v;
    while (newest->next) newest = newest->next;

    for (Variable* p = newest;; p = p->prev) {
        releaseVariableResources(p);
        if (p == v) break;
    }

    for (Variable* p = newest; p;) {
        Variable* older = p == v ? nullptr : p->prev;
        if (stopAtFrameMarker && p->frameMarker) {
            p->next = nullptr;
            return;
        }
        if (!p->isStatic) {
            if (p->count && !p->isBorrowed) std::free(p->isArray && p->base ? p->base : p->data);
            if (p->prev && p->prev->next == p) p->prev->next = nullptr;
            if (lastVariable == p) lastVariable = p->prev;
            std::free(p);
        }
        p = older;
    }
}

}  // namespace kestrun
