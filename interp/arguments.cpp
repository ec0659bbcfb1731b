// Argument evaluation: the one service through which handlers read their arguments. It evaluates
// an argument by its kind, fills every view of the value and checks the wanted type.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "kestrun.h"
#include "numeric.h"
#include "text_util.h"

namespace kestrun {

namespace {

bool containsOutsideQuotes(const char* text, char wanted) {
    bool quoted = false;
    for (const char* p = text; *p; ++p) {
        if (*p == '"') quoted = !quoted;
        else if (*p == wanted && !quoted) return true;
    }
    return false;
}

void setIntegerViews(ArgValue& a, std::int64_t value, bool wide) {
    a.int64Value = value;
    a.intValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    const double d = wide ? static_cast<double>(value) : static_cast<double>(a.intValue);
    a.doubleValue = d;
    a.floatValue = roundToFloat(d);
}

void setFromDouble(ArgValue& a, double d) {
    a.doubleValue = d;
    a.floatValue = roundToFloat(d);
    a.int64Value = truncToInt64(d);
    a.intValue = truncToInt32(d);
}

std::uint32_t readWord(const std::uint8_t* p) {
    std::uint32_t w = 0;
    if (p) std::memcpy(&w, p, 4);
    return w;
}

bool isNumericType(std::uint8_t t) {
    switch (t) {
        case TypeChar: case TypeInt: case TypeFloat: case TypeWord: case TypeDouble:
        case TypeInt64: case TypeUInt64: case TypeUInt: return true;
        default: return false;
    }
}

}  // namespace

ArgValue* Kestrun::getArg(ArgValue& a, Statement* st, int i, int wanted) {
    std::memset(&a, 0, sizeof a);
    if (i < 0 || i >= st->argCount) {
        errorCode = 56;
        return nullptr;
    }
    char* text = skipBlanks(st->args[i]);

    switch (st->argKinds[i]) {
        case ArgNumber: {
            if (containsOutsideQuotes(text, '.')) {
                setFromDouble(a, std::strtod(text, nullptr));
                a.valueType = TypeFloat;
            } else if (containsOutsideQuotes(text, 'x')) {
                const std::uint32_t u = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 0));
                a.int64Value = u;
                a.intValue = static_cast<std::int32_t>(u);
                a.doubleValue = static_cast<double>(a.intValue);
                a.floatValue = roundToFloat(a.doubleValue);
                a.valueType = TypeInt;
            } else {
                const std::int64_t v = std::strtoll(text, nullptr, 10);
                const bool fits = v >= INT32_MIN && v <= INT32_MAX;
                setIntegerViews(a, v, !fits);
                a.valueType = fits ? TypeInt : TypeInt64;
            }
            if (wanted == TypeWindow || wanted == WantWindowOrDialog) {
                a.valueType = TypeWindow;
                a.object = static_cast<std::uint32_t>(a.intValue);
            }
            break;
        }
        case ArgString: {
            char* close = std::strrchr(text, '"');
            if (text[0] != '"' || close == text) {
                errorCode = 1;
                return nullptr;
            }
            *close = '\0';
            a.text = text + 1;
            a.valueType = TypeString;
            break;
        }
        case ArgVariable: {
            Variable* v = findVariable(text, nullptr, true);
            if (!v) {
                if (errorCode == 0) errorCode = 1;
                return nullptr;
            }
            a.variable = v;
            a.address = v->data;
            a.valueType = v->type;
            const std::uint8_t* p = v->data;
            switch (v->type) {
                case TypeString:
                    a.text = reinterpret_cast<char*>(v->data);
                    break;
                case TypeChar:
                    a.charValue = p ? *p : 0;
                    setIntegerViews(a, a.charValue, false);
                    break;
                case TypeInt: {
                    setIntegerViews(a, static_cast<std::int32_t>(readWord(p)), false);
                    break;
                }
                case TypeWord: {
                    std::uint16_t w = 0;
                    if (p) std::memcpy(&w, p, 2);
                    setIntegerViews(a, w, false);
                    break;
                }
                case TypeUInt: {
                    const std::uint32_t u = readWord(p);
                    setIntegerViews(a, u, true);
                    break;
                }
                case TypeFloat: {
                    float f = 0;
                    if (p) std::memcpy(&f, p, 4);
                    setFromDouble(a, f);
                    a.floatValue = f;
                    break;
                }
                case TypeDouble: {
                    double d = 0;
                    if (p) std::memcpy(&d, p, 8);
                    setFromDouble(a, d);
                    break;
                }
                case TypeInt64:
                case TypeUInt64: {
                    std::int64_t q = 0;
                    if (p) std::memcpy(&q, p, 8);
                    setIntegerViews(a, q, true);
                    break;
                }
                case TypeMemory:
                    a.object = readWord(p);
                    a.text = reinterpret_cast<char*>(a.object);
                    if (wanted == TypeString) a.valueType = TypeString;
                    break;
                case TypeLabel:
                    errorCode = 1;
                    return nullptr;
                default:
                    a.object = readWord(p);
                    break;
            }
            break;
        }
        case ArgExpression: {
            const double d = evaluateExpression(text);
            if (errorCode) return nullptr;
            if (stringResult) {
                a.text = reinterpret_cast<char*>(resultString->data);
                a.valueType = TypeString;
                break;
            }
            setFromDouble(a, d);
            a.valueType = TypeDouble;
            const unsigned char* u = reinterpret_cast<const unsigned char*>(text);
            if (u[0] == 0xFE && u[1] == 0xE4 && u[2] == 0xE8) {
                if (Variable* w = findVariable(text, nullptr, false)) {
                    a.valueType = TypeWindow;
                    a.object = readWord(w->data);
                    a.address = w->data;
                    a.variable = w;
                } else {
                    errorCode = 0;
                    a.valueType = TypeWindow;
                    a.object = static_cast<std::uint32_t>(a.intValue);
                }
            }
            break;
        }
        default:
            errorCode = 1;
            return nullptr;
    }

    if (errorCode == 0) {
        switch (wanted) {
            case WantAny: break;
            case WantAnyNumber:
                if (!isNumericType(a.valueType)) errorCode = 19;
                break;
            case TypeInt:
                if (a.valueType != TypeInt && a.valueType != TypeUInt) errorCode = 20;
                break;
            case WantWindowOrDialog:
                if (a.valueType != TypeWindow && a.valueType != TypeDialog) errorCode = 14;
                break;
            default:
                if (a.valueType != wanted) errorCode = 14;
                break;
        }
    }
    return errorCode == 0 ? &a : nullptr;
}

}  // namespace kestrun
