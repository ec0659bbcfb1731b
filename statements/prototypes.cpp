// The prototype statement (DECLARE). Its internal form attaches a parameter template to a
// subroutine label; its external form first declares a function of a DLL (a label that records
// the library, entry name, calling convention and return type, with the library loaded), then
// attaches the template the same way.
#include <cstdlib>
#include <cstring>

#include "declaration_items.h"
#include "flow_lines.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

namespace {

constexpr std::size_t kEntryNameMax = 29;
constexpr std::size_t kLibraryNameMax = sizeof(Variable::libraryName) - 1;
constexpr std::size_t kParameterListMax = 255;
constexpr std::uint32_t kSingleStringRoom = 255;

// Parameters that get no storage in the template: they share their argument's.
bool takesNoStorage(int type) {
    switch (type) {
        case TypeString: case TypeFile: case TypeWindow: case TypeDialog: case TypeBFile:
        case TypePointer: case TypeUser:
            return true;
        default:
            return false;
    }
}

// Creates one template parameter after head from its text "name:type". The type name runs from
// after the colon (blanks skipped) to the next blank; one that is none of the twenty type names
// makes a USER_0 parameter. Bracketed names are array parameters. Parameters without storage
// carry isBorrowed; a STRING written without brackets gets the shape of a single string. No
// colon or no name: 1; a name used twice: 9.
bool declareParameter(Kestrun& k, Variable* head, const char* text) {
    const char* begin = skipBlanks(text);
    const char* colon = std::strchr(begin, ':');
    if (!colon) return refuseWith(k, 1);
    const char* nameEnd = colon;
    while (nameEnd > begin && isWhite(static_cast<unsigned char>(nameEnd[-1]))) --nameEnd;
    char name[kArgSlotSize];
    const std::size_t nameLength = static_cast<std::size_t>(nameEnd - begin);
    if (nameLength == 0 || nameLength >= sizeof name) return refuseWith(k, 1);
    std::memcpy(name, begin, nameLength);
    name[nameLength] = '\0';

    const char* typeBegin = skipBlanks(colon + 1);
    std::size_t typeLength = 0;
    while (typeBegin[typeLength] && !isBlank(static_cast<unsigned char>(typeBegin[typeLength]))) ++typeLength;
    const int named = builtinTypeOf(typeBegin, typeLength);
    const int type = named < 0 ? TypeUser : named;
    const bool bracketed = std::strchr(name, '[') != nullptr;
    // An ISTRING needs a size to exist as a variable; as a parameter without brackets it only
    // has to refuse every value (62), so it is made without storage and given its type after.
    const bool sizeless = type == TypeIString && !bracketed;
    const bool noStorage = bracketed || sizeless || takesNoStorage(type);

    k.errorCode = 0;
    Variable* p = k.createVariable(name, static_cast<std::uint8_t>(sizeless ? TypeSystem : type), noStorage ? 0 : 1, head);
    if (!p) return false;
    p->type = static_cast<std::uint8_t>(type);
    p->frameMarker = 1;
    if (noStorage) p->isBorrowed = 1;
    if (type == TypeString && !bracketed) {
        p->rowLength = 1;
        p->dims[0] = kSingleStringRoom;
    }
    return true;
}

// Makes the parameter template of label from the list text between the prototype's parentheses:
// the template head goes to label->child first, then the list is split at its top-level commas
// by the statement parser (as the arguments of a DIM line, in the second Statement) and each
// part declared in order. A DLL function records the number of parameters in rowLength. A list
// over 255 characters: 1.
bool declareTemplate(Kestrun& k, Variable* label, const char* list) {
    Variable* head = static_cast<Variable*>(std::calloc(1, sizeof(Variable)));
    if (!head) return refuseWith(k, 2);
    head->frameMarker = 1;
    label->child = head;

    char line[4 + kParameterListMax + 1];
    const std::size_t length = std::strlen(list);
    if (length > kParameterListMax) return refuseWith(k, 1);
    std::memcpy(line, "\xFF\xE1\xE5 ", 4);
    std::memcpy(line + 4, list, length + 1);
    Statement* st = k.spareStatement;
    if (!st) return refuseWith(k, 2);
    if (k.parseStatement(st, line) != 0) return false;
    if (label->isExternal) label->rowLength = st->argCount;
    for (int i = 0; i < st->argCount; ++i)
        if (!declareParameter(k, head, st->args[i])) return false;
    return true;
}

// The external form's new label: a LABEL_0 without storage among the globals (also when a
// subroutine runs), marked external, with its entry name (cut to 29 characters) held in storage
// of its own, the calling convention (a "!" before the library name: cdecl) and the library name
// (cut to 79 characters). The library is loaded now and stays loaded (53 when it cannot be). The
// return type is none (99), or the third argument: a type name, or the token of the function of
// code 107 meaning INT (55 for anything else).
bool declareExternal(Kestrun& k, Statement* st, const char* name, const char* entry, const char* library,
                     Variable*& label) {
    k.errorCode = 0;
    label = k.createVariable(name, TypeLabel, 0, k.savedGlobals());
    if (!label) return false;
    label->isExternal = 1;
    if (entry && *entry) {
        std::uint8_t* text = static_cast<std::uint8_t*>(std::calloc(kEntryNameMax + 1, 1));
        if (!text) return refuseWith(k, 2);
        std::strncpy(reinterpret_cast<char*>(text), entry, kEntryNameMax);
        label->data = text;
        label->count = kEntryNameMax + 1;
    }
    if (*library == '!') {
        label->callStyle = 1;
        ++library;
    }
    std::strncpy(label->libraryName, library, kLibraryNameMax);
    label->libraryName[kLibraryNameMax] = '\0';
    if (!k.host.loadLibrary(label->libraryName)) return refuseWith(k, 53);

    label->aux = kNoResult;
    k.errorCode = 0;
    if (st->argCount > 2) {
        char typeName[kArgSlotSize];
        if (!copyTrimmed(st->args[2], typeName, sizeof typeName)) return refuseWith(k, 55);
        const int type = std::strcmp(typeName, "\xFF\xE6\xEB") == 0 ? TypeInt : builtinTypeOf(typeName, std::strlen(typeName));
        if (type < 0) return refuseWith(k, 55);
        label->aux = type;
    }
    return true;
}

}  // namespace

// DECLARE. Internal form: one argument, the prototype "name(p1:type, p2:type...)", for an
// existing label (the lookup's error, 10, when the name does not exist). External form: argument
// 0 the library name (a STRING, else 14), 1 the prototype, whose name may be followed by "|",
// one more character and the entry name, 2 the optional return type; a name that does not exist
// yet becomes a DLL function (declareExternal). Without arguments nothing happens. A prototype
// without both parentheses is 1. A name that is no label is left alone; a label that has a
// template already is 51; otherwise the template is made (declareTemplate).
Statement* Kestrun::CmdDeclareParams(Statement* st) {
    if (st->argCount == 0) return st;
    const bool external = st->argCount >= 2;
    char library[kLibraryNameMax + 2] = "";
    if (external) {
        ArgValue value;
        if (!getArg(value, st, 0, TypeString)) return failStatement(*this, 14);
        const TextView text = textOf(*this, value);
        const std::size_t length = text.length < sizeof library - 1 ? text.length : sizeof library - 1;
        std::memcpy(library, text.text, length);
        library[length] = '\0';
    }

    char prototype[kArgSlotSize * 2];
    if (!copyTrimmed(st->args[external ? 1 : 0], prototype, sizeof prototype)) return failStatement(*this, 1);
    char* open = std::strchr(prototype, '(');
    char* close = open ? std::strchr(open + 1, ')') : nullptr;
    if (!close) return failStatement(*this, 1);
    *open = '\0';
    *close = '\0';
    const char* entry = nullptr;
    if (char* bar = std::strchr(prototype, '|')) {
        *bar = '\0';
        entry = bar[1] ? bar + 2 : bar + 1;
    }
    char name[kArgSlotSize];
    if (!copyTrimmed(prototype, name, sizeof name) || !name[0]) return failStatement(*this, 1);

    Variable* label = findVariable(name, nullptr, true);
    if (!label) {
        if (!external) return nullptr;
        if (!declareExternal(*this, st, name, entry, library, label)) return nullptr;
    }
    if (label->type != TypeLabel) return st;
    if (label->child) return failStatement(*this, 51);
    return declareTemplate(*this, label, open + 1) ? st : nullptr;
}

}  // namespace kestrun
