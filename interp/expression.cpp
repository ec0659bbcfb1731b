// The expression evaluator's entry points: evaluateExpression, which evaluates the innermost
// parenthesised level again and again and writes a marker for each computed value in its place,
// and evaluateIntegerText for dimensions and indexes written as expressions. The working state of
// each nesting depth is kept here.
#include <cstdlib>
#include <cstring>

#include "expression_internal.h"
#include "numeric.h"

namespace kestrun {

// ---- Context and text pool -------------------------------------------------------------------------

bool Kestrun::ExpressionContext::reserveText(std::size_t length, std::uint32_t& offset) {
    const std::size_t needed = poolSize + length + 1;
    if (needed < poolSize || needed > 0x7FFFFFFFu) return false;
    if (needed > poolCapacity) {
        std::size_t grown = poolCapacity ? poolCapacity : 4096;
        while (grown < needed) grown *= 2;
        char* p = static_cast<char*>(std::realloc(pool, grown));
        if (!p) return false;
        pool = p;
        poolCapacity = grown;
    }
    offset = static_cast<std::uint32_t>(poolSize);
    pool[poolSize + length] = '\0';
    poolSize = needed;
    return true;
}

bool Kestrun::ExpressionContext::storeText(const char* text, std::size_t length, ExpressionValue& value,
                                           ValueKind kind) {
    std::uint32_t offset;
    if (!reserveText(length, offset)) return false;
    std::memcpy(pool + offset, text, length);
    value.kind = kind;
    value.negated = false;
    value.number = 0;
    value.offset = offset;
    value.length = static_cast<std::uint32_t>(length);
    return true;
}

Kestrun::ExpressionContextCache::~ExpressionContextCache() {
    for (int i = 0; i < count; ++i) {
        ExpressionContext* cx = items[i];
        if (!cx) continue;
        std::free(cx->pool);
        if (cx->statement) {
            // The same release as Kestrun::freeStatement, which needs no interpreter state.
            std::free(cx->statement->argBlock);
            std::free(cx->statement);
        }
        std::free(cx);
    }
    std::free(items);
}

// Returns the context of depth expressionDepth and counts the depth as entered; contexts are
// created the first time a depth is reached. Null (depth unchanged) when memory runs out.
Kestrun::ExpressionContext* Kestrun::enterExpressionDepth() {
    ExpressionContextCache& cache = expressionContexts;
    if (expressionDepth >= cache.count) {
        const int wanted = cache.count ? cache.count * 2 : 8;
        auto** grown = static_cast<ExpressionContext**>(
            std::realloc(cache.items, static_cast<std::size_t>(wanted) * sizeof(ExpressionContext*)));
        if (!grown) return nullptr;
        for (int i = cache.count; i < wanted; ++i) grown[i] = nullptr;
        cache.items = grown;
        cache.count = wanted;
    }
    ExpressionContext*& slot = cache.items[expressionDepth];
    if (!slot) {
        slot = static_cast<ExpressionContext*>(std::calloc(1, sizeof(ExpressionContext)));
        if (!slot) return nullptr;
    }
    ++expressionDepth;
    return slot;
}

namespace {

// Leaves the depth entered by enterExpressionDepth on every path out of an evaluation.
template <typename Leave>
struct DepthGuard {
    Leave leave;
    ~DepthGuard() { leave(); }
};
template <typename Leave>
DepthGuard<Leave> makeDepthGuard(Leave leave) {
    return DepthGuard<Leave>{leave};
}

// The last "(" of text that is outside double quotes and outside brackets, or null. Parentheses
// inside brackets belong to an index expression, which the variable store evaluates with the
// name; leaving them in place keeps markers out of index texts.
char* findInnermostOpen(char* text) {
    char* found = nullptr;
    bool quoted = false;
    int brackets = 0;
    for (char* p = text; *p; ++p) {
        const char c = *p;
        if (c == '"') quoted = !quoted;
        else if (quoted) continue;
        else if (c == '[') ++brackets;
        else if (c == ']') { if (brackets > 0) --brackets; }
        else if (c == '(' && brackets == 0) found = p;
    }
    return found;
}

// Reads the value of a Variable by its type: a STRING gives a text, every other type a number.
// CHAR is a signed byte; INT64 and UINT64 are read as signed; types that hold a handle or an
// address give their stored 32-bit word, unsigned, or 0 without storage.
bool readVariable(Kestrun::ExpressionContext& cx, const Variable* v, Kestrun::ExpressionValue& value) {
    const std::uint8_t* p = v->data;
    value.kind = ValueKind::Number;
    value.number = 0;
    if (v->type == TypeString) {
        std::size_t length = 0;
        if (p) {
            const std::size_t limit = v->capacity > 0 ? static_cast<std::size_t>(v->capacity) : 0;
            const void* zero = std::memchr(p, 0, limit);
            length = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - p) : limit;
        }
        const bool negated = value.negated;
        if (!cx.storeText(reinterpret_cast<const char*>(p ? p : reinterpret_cast<const std::uint8_t*>("")),
                          length, value, ValueKind::String))
            return false;
        value.negated = negated;
        return true;
    }
    if (!p) return true;
    switch (v->type) {
        case TypeChar: value.number = static_cast<std::int8_t>(*p); break;
        case TypeInt: { std::int32_t n; std::memcpy(&n, p, 4); value.number = n; break; }
        case TypeWord: { std::uint16_t n; std::memcpy(&n, p, 2); value.number = n; break; }
        case TypeUInt: { std::uint32_t n; std::memcpy(&n, p, 4); value.number = n; break; }
        case TypeFloat: { float f; std::memcpy(&f, p, 4); value.number = f; break; }
        case TypeDouble: { double d; std::memcpy(&d, p, 8); value.number = d; break; }
        case TypeInt64:
        case TypeUInt64: { std::int64_t n; std::memcpy(&n, p, 8); value.number = static_cast<double>(n); break; }
        default: { std::uint32_t n; std::memcpy(&n, p, 4); value.number = n; break; }
    }
    return true;
}

}  // namespace

// ---- Names ------------------------------------------------------------------------------------------

// Resolves the name held in value (current scope, then the globals, with the call fallback) and
// replaces it by the Variable's value. A label, subroutine or external function is called with no
// arguments and its result taken. A pending minus negates a number. False with errorCode set.
bool Kestrun::resolveNameValue(ExpressionContext& cx, ExpressionValue& value) {
    const bool negated = value.negated;
    Variable* v = findVariable(cx.textOf(value), nullptr, true);
    if (!v) {
        if (errorCode) return false;
        // The name was a function that ran through the call fallback and gave no result.
        value.kind = ValueKind::Number;
        value.number = 0;
        value.negated = false;
        return true;
    }
    if (v->type == TypeLabel) {
        // Called the way a program line holding just the name would be.
        if (!cx.statement && !(cx.statement = newStatement(kMaxArgs))) {
            errorCode = 2;
            return false;
        }
        if (!buildCallStatement(cx, cx.textOf(value), value.length, "", cx.statement)) return false;
        if (!runCallStatement(cx, cx.statement, value)) return false;
    } else if (!readVariable(cx, v, value)) {
        errorCode = 2;
        return false;
    }
    if (value.kind == ValueKind::Number && negated) value.number = -value.number;
    value.negated = false;
    return true;
}

// ---- Evaluation -------------------------------------------------------------------------------------

// Evaluates text (at most 1023 characters) on a private copy: the innermost parenthesised level
// is evaluated and replaced by one marker per comma-separated result, until the level without
// a "(" has been evaluated. Returns the number; a string result goes to SYSTEM_STRING0 (cut to
// its capacity) with stringResult set. On error: errorCode set and 0 returned.
double Kestrun::evaluateExpression(const char* text) {
    stringResult = 0;
    if (!text) text = "";
    std::size_t length = 0;
    while (length <= kExpressionTextMax && text[length]) ++length;
    if (length > kExpressionTextMax) {
        errorCode = 1;
        return 0;
    }

    ExpressionContext* found = enterExpressionDepth();
    if (!found) {
        errorCode = 2;
        return 0;
    }
    auto guard = makeDepthGuard([this] { leaveExpressionDepth(); });
    ExpressionContext& cx = *found;
    std::memcpy(cx.copy, text, length + 1);
    cx.numberCount = 0;
    cx.textCount = 0;
    cx.poolSize = 0;

    ExpressionLevel level;
    for (;;) {
        char* open = findInnermostOpen(cx.copy);
        if (!evaluateLevel(cx, open ? open : cx.copy, level)) return 0;
        if (!open) break;

        // Markers for the results, then blanks up to and including the level's ")".
        char* close = level.end;
        const std::size_t span = static_cast<std::size_t>(close - open) + 1;
        const std::size_t markerBytes = level.resultCount ? 2u * static_cast<std::size_t>(level.resultCount) : 2u;
        if (markerBytes > span) {
            errorCode = 1;
            return 0;
        }
        char* out = open;
        if (level.resultCount == 0) {
            *out++ = static_cast<char>(kMarkEmpty);
            *out++ = 1;
        }
        for (int i = 0; i < level.resultCount; ++i) {
            const ExpressionValue& r = level.results[i];
            if (r.kind == ValueKind::Number) {
                if (cx.numberCount >= kExpressionNumbers) {
                    errorCode = 32;
                    return 0;
                }
                cx.numbers[cx.numberCount++] = r.number;
                *out++ = static_cast<char>(kMarkNumber);
                *out++ = static_cast<char>(cx.numberCount);
            } else {
                if (cx.textCount >= kExpressionTexts) {
                    errorCode = 32;
                    return 0;
                }
                cx.texts[cx.textCount++] = r;
                *out++ = static_cast<char>(r.kind == ValueKind::String ? kMarkString : kMarkName);
                *out++ = static_cast<char>(cx.textCount);
            }
        }
        while (out <= close) *out++ = ' ';
    }

    if (level.resultCount == 0) return 0;
    if (level.resultCount > 1) {
        // A list of values where one value is wanted (the statement parser splits arguments at
        // top-level commas, so only a malformed value text gets here).
        errorCode = 1;
        return 0;
    }
    ExpressionValue result = level.results[0];
    if (result.kind == ValueKind::Name && !resolveNameValue(cx, result)) return 0;
    if (result.kind == ValueKind::Number) {
        stringResult = 0;
        return result.number;
    }

    // A string: into SYSTEM_STRING0 from its first byte, cut to the variable's capacity.
    Variable* target = resultString;
    std::uint8_t* base = target ? (target->base ? target->base : target->data) : nullptr;
    if (!base || target->dims[0] == 0) {
        errorCode = 1;
        return 0;
    }
    std::size_t n = result.length;
    if (n > target->dims[0] - 1) n = target->dims[0] - 1;
    std::memcpy(base, cx.textOf(result), n);
    base[n] = 0;
    target->data = base;
    target->capacity = static_cast<std::int32_t>(target->dims[0]);
    stringResult = 1;
    return 0;
}

// Evaluates text and truncates the value toward zero. A string value is not a number: error 19.
bool Kestrun::evaluateIntegerText(const char* text, std::int64_t& value) {
    const double d = evaluateExpression(text);
    if (errorCode) return false;
    if (stringResult) {
        stringResult = 0;
        errorCode = 19;
        return false;
    }
    value = truncToInt64(d);
    return true;
}

}  // namespace kestrun
