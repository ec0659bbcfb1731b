// The expression evaluator: precedence and operators, numbers, strings, constants and named
// numbers, variables of every type, calls of functions, labels and subroutines (with handlers
// installed by the test), the per-evaluation limits and nested evaluations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "core_harness.h"

namespace kestrun::test {
namespace {

// The function token of a command code, as the compiler writes it.
std::string token(int code) {
    return std::string{static_cast<char>(0xFF), static_cast<char>(0xE0 + code / 16), static_cast<char>(0xE0 + code % 16)};
}
// The constant token of a ConstantTable index.
std::string constant(int index) {
    return std::string{static_cast<char>(0xFE), static_cast<char>(0xE0 + index / 16), static_cast<char>(0xE0 + index % 16)};
}

constexpr int kSum = 200;     // sum of its numeric arguments, DOUBLE
constexpr int kJoin = 201;    // its string arguments joined, STRING
constexpr int kTyped = 202;   // a fixed value of the result type the test chooses
constexpr int kFail = 203;    // fails with error 77
constexpr int kEval = 204;    // evaluates its string argument as an expression, DOUBLE
constexpr int kRecord = 205;  // records its arguments, returns their count as INT

// An interpreter with function handlers of its own, reached through the HandlerTable.
struct EvalKestrun : Kestrun {
    explicit EvalKestrun(Host& h) : Kestrun(h) {}

    struct Arg {
        std::string text;
        int kind;
        bool operator==(const Arg& o) const { return text == o.text && kind == o.kind; }
        friend void PrintTo(const Arg& a, std::ostream* os) { *os << "{" << a.text << ", " << a.kind << "}"; }
    };

    void record(Statement* st) {
        lastCode = st->code;
        lastArgs.clear();
        for (int i = 0; i < st->argCount; ++i) lastArgs.push_back({st->args[i], st->argKinds[i]});
        ++calls;
    }
    void setDouble(Statement* st, double d) {
        std::memcpy(resultDouble->data, &d, 8);
        st->resultType = TypeDouble;
    }

    Statement* CmdSum(Statement* st) {
        record(st);
        double sum = 0;
        ArgValue a;
        for (int i = 0; i < st->argCount; ++i) {
            if (!getArg(a, st, i, WantAnyNumber)) return nullptr;
            sum += a.doubleValue;
        }
        setDouble(st, sum);
        return st;
    }
    Statement* CmdJoin(Statement* st) {
        record(st);
        std::string joined;
        ArgValue a;
        for (int i = 0; i < st->argCount; ++i) {
            if (!getArg(a, st, i, TypeString)) return nullptr;
            joined += a.text;
        }
        std::memcpy(resultString->data, joined.c_str(), joined.size() + 1);
        st->resultType = TypeString;
        return st;
    }
    Statement* CmdTyped(Statement* st) {
        record(st);
        const std::int32_t i32 = -3;
        const float f = 2.5f;
        const double d = 1.25;
        const std::uint32_t pointer = 0xFFFFFFFEu;
        const std::int64_t i64 = -(std::int64_t{1} << 40);
        switch (typedResult) {
            case TypeString: std::strcpy(reinterpret_cast<char*>(resultString->data), "typed"); break;
            case TypeInt: case TypeUInt: std::memcpy(resultInt->data, &i32, 4); break;
            case TypeFloat: std::memcpy(resultFloat->data, &f, 4); break;
            case TypeDouble: std::memcpy(resultDouble->data, &d, 8); break;
            case TypePointer: std::memcpy(resultPointer->data, &pointer, 4); break;
            case TypeInt64: case TypeUInt64: std::memcpy(resultInt64->data, &i64, 8); break;
            default: break;
        }
        st->resultType = typedResult;
        return st;
    }
    Statement* CmdFail(Statement* st) {
        record(st);
        errorCode = 77;
        return nullptr;
    }
    Statement* CmdEval(Statement* st) {
        ArgValue a;
        if (!getArg(a, st, 0, TypeString)) return nullptr;
        const std::string inner = a.text;
        const double d = evaluateExpression(inner.c_str());
        if (errorCode) return nullptr;
        setDouble(st, d);
        return st;
    }
    Statement* CmdRecord(Statement* st) {
        record(st);
        const std::int32_t n = st->argCount;
        std::memcpy(resultInt->data, &n, 4);
        st->resultType = TypeInt;
        return st;
    }

    std::int32_t typedResult = kNoResult;
    int lastCode = -1;
    std::vector<Arg> lastArgs;
    int calls = 0;
};

class Expr : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(k.initialise());
        k.handlers[kSum] = static_cast<Kestrun::Handler>(&EvalKestrun::CmdSum);
        k.handlers[kJoin] = static_cast<Kestrun::Handler>(&EvalKestrun::CmdJoin);
        k.handlers[kTyped] = static_cast<Kestrun::Handler>(&EvalKestrun::CmdTyped);
        k.handlers[kFail] = static_cast<Kestrun::Handler>(&EvalKestrun::CmdFail);
        k.handlers[kEval] = static_cast<Kestrun::Handler>(&EvalKestrun::CmdEval);
        k.handlers[kRecord] = static_cast<Kestrun::Handler>(&EvalKestrun::CmdRecord);
        // Subroutine calls and external function calls land in the recorder.
        k.handlers[44] = static_cast<Kestrun::Handler>(&EvalKestrun::CmdRecord);
        k.handlers[120] = static_cast<Kestrun::Handler>(&EvalKestrun::CmdRecord);
    }

    struct Outcome {
        double value;
        bool isString;
        std::string text;
        int error;
    };
    Outcome eval(const std::string& text) {
        k.errorCode = 0;
        Outcome o{};
        o.value = k.evaluateExpression(text.c_str());
        o.error = k.errorCode;
        o.isString = k.stringResult != 0;
        if (o.isString) o.text = reinterpret_cast<const char*>(k.resultString->data);
        return o;
    }

    template <typename T>
    Variable* make(const std::string& name, std::uint8_t type, T value) {
        k.errorCode = 0;
        Variable* v = k.createVariable(name.c_str(), type, 1, nullptr);
        EXPECT_NE(v, nullptr) << name;
        if (v) std::memcpy(v->data, &value, sizeof value);
        return v;
    }
    Variable* makeString(const std::string& name, const std::string& value) {
        k.errorCode = 0;
        const bool fixed = name.find('[') != std::string::npos;
        Variable* v = k.createVariable(name.c_str(), fixed ? TypeIString : TypeString, 1, nullptr);
        EXPECT_NE(v, nullptr) << name;
        if (v) std::memcpy(v->data, value.c_str(), value.size() + 1);
        return v;
    }

    RecordingHost host;
    EvalKestrun k{host};
};

// ---- Numbers and operators -------------------------------------------------------------------------

TEST_F(Expr, NumericExpressions) {
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {"2+3*4", 14},
        {"(2+3)*4", 20},
        {"2^3^2", 64},  // left associative
        {"-2^2", 4},    // the minus belongs to the operand
        {"10-4-3", 3},
        {"8/4/2", 1},
        {"2*-3", -6},
        {"- -3", 3},
        {"-(2+3)", -5},
        {"((((7))))", 7},
        {"(1+2)*(3+4)", 21},
        {"1 + (2 * (3 + 4)) - 5", 10},
        {"7 % 3", 1},
        {"7.9 % 3", 1},   // operands truncated to integers
        {"-7 % 3", -1},
        {"1 < 2 & 3 > 4", 0},
        {"1 = 1 | 0", 1},
        {"6 || 3", 5},    // exclusive or
        {"4294967295 || 0", -1},  // cut to a signed 32-bit result
        {"12 & 10", 8},
        {"12 | 3", 15},
        {"1 + 2 = 3", 1},
        {"7 <> 7", 0},
        {"7 ~ 8", 1},
        {"2 <= 2", 1},
        {"3 >= 4", 0},
        {"3 > 2 = 1", 1},
        {"1.5 + 1", 2.5},
        {".5 * 4", 2},
        {"2 ^ 0.5", std::sqrt(2.0)},
        {"&H1F", 31},
        {"&hff + 1", 256},
        {"0x1F", 31},
        {"0xFFFFFFFF", 4294967295.0},
        {"0x1FFFFFFFF", 4294967295.0},  // saturates at 32 bits
        {"9223372036854775807", 9223372036854775807.0},
        {"", 0},
        {"()", 0},
        {"+5", 5},
    };
    for (const auto& c : cases) {
        const Outcome o = eval(c.text);
        EXPECT_EQ(o.error, 0) << c.text;
        EXPECT_FALSE(o.isString) << c.text;
        EXPECT_DOUBLE_EQ(o.value, c.value) << c.text;
    }
}

TEST_F(Expr, ErrorsStopTheEvaluationWithZero) {
    const struct {
        std::string text;
        int error;
    } cases[] = {
        {"5 / 0", 8},
        {"5 % 0", 8},
        {"5 % 0.5", 8},       // the divisor truncates to 0
        {"(1 - 1) * 3 + 4 / (2 - 2)", 8},
        {"\"a\" + 1", 1},
        {"1 + \"a\"", 1},
        {"\"a\" * \"b\"", 1},
        {"\"abc", 1},         // no closing quote
        {"1 +", 1},           // nothing after the operator
        {"1 2", 1},           // two values without an operator
        {"1 ! 2", 1},         // an operator no level knows
        {"(1 + 2", 18},
        {"1 + 2)", 18},
        {"nothing + 1", 10},
        {"nothing", 10},
        {"@nothing", 24},
        {"@nothing + 1", 24},
    };
    for (const auto& c : cases) {
        const Outcome o = eval(c.text);
        EXPECT_EQ(o.error, c.error) << c.text;
        EXPECT_EQ(o.value, 0) << c.text;
        EXPECT_FALSE(o.isString) << c.text;
    }
}

TEST_F(Expr, LargestRemainderDoesNotOverflow) {
    const Outcome o = eval("-9223372036854775807 - 1 % -1");
    EXPECT_EQ(o.error, 0);
    // "%" binds tighter: 1 % -1 is 0.
    EXPECT_DOUBLE_EQ(o.value, -9223372036854775807.0);
    make("low", TypeInt64, INT64_MIN);
    const Outcome r = eval("low % -1");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.value, 0);
}

TEST_F(Expr, ConstantsAreReadUnsigned) {
    const struct {
        int index;
        double value;
    } cases[] = {{219, 4294967295.0}, {213, 4294967294.0}, {6, 9}, {12, 2147483648.0}, {496, 15}, {497, 0}};
    for (const auto& c : cases) {
        const Outcome o = eval(constant(c.index));
        EXPECT_EQ(o.error, 0) << c.index;
        EXPECT_DOUBLE_EQ(o.value, c.value) << c.index;
    }
    EXPECT_DOUBLE_EQ(eval(constant(6) + " + 1").value, 10);
    k.constants[3] = 77;  // an event slot written by event delivery
    EXPECT_DOUBLE_EQ(eval("(" + constant(3) + ")").value, 77);
    // A constant token cut short is malformed.
    EXPECT_EQ(eval(std::string{static_cast<char>(0xFE), static_cast<char>(0xE1)}).error, 1);
}

TEST_F(Expr, NamedNumbers) {
    ASSERT_TRUE(k.symbols.define("BIG", 3, -1));
    ASSERT_TRUE(k.symbols.define("A_1", 3, 40));
    EXPECT_DOUBLE_EQ(eval("@big").value, 4294967295.0);
    EXPECT_DOUBLE_EQ(eval("@A_1 + 2").value, 42);
    EXPECT_DOUBLE_EQ(eval("(@a_1)*2").value, 80);
    EXPECT_EQ(eval("@A_2").error, 24);
}

// ---- Strings ------------------------------------------------------------------------------------------

TEST_F(Expr, StringExpressions) {
    const struct {
        std::string text;
        bool isString;
        std::string result;  // the string, or the number written as text
    } cases[] = {
        {"\"ab\" + \"cd\"", true, "abcd"},
        {"\"ab\" + \"cd\" + \"ef\"", true, "abcdef"},
        {"(\"x\")", true, "x"},
        {"\"\"", true, ""},
        {"\"(\" + \")\"", true, "()"},
        {"\"a, b\"", true, "a, b"},
        {"-\"neg\"", true, "neg"},
        {"\"a\" < \"b\"", false, "1"},
        {"\"b\" < \"a\"", false, "0"},
        {"\"ab\" = \"ab\"", false, "1"},
        {"\"A\" = \"a\"", false, "0"},  // case-sensitive
        {"\"ab\" < \"abc\"", false, "1"},
        {"\"b\" >= \"b\"", false, "1"},
        {"\"a\" <> \"b\"", false, "1"},
        {"\"a\" + \"b\" = \"ab\"", false, "1"},  // "+" binds tighter than "="
        {"\"a\" = \"a\" & \"b\" = \"c\"", false, "0"},
    };
    for (const auto& c : cases) {
        const Outcome o = eval(c.text);
        EXPECT_EQ(o.error, 0) << c.text;
        EXPECT_EQ(o.isString, c.isString) << c.text;
        if (c.isString) EXPECT_EQ(o.text, c.result) << c.text;
        else EXPECT_EQ(std::to_string(static_cast<int>(o.value)), c.result) << c.text;
    }
    // A numeric evaluation after a string one clears the flag.
    EXPECT_TRUE(eval("\"s\"").isString);
    EXPECT_FALSE(eval("1").isString);
}

TEST_F(Expr, LongStringResultIsCutToTheResultVariable) {
    makeString("s[40000]", std::string(40000, 'x'));
    makeString("t[40000]", std::string(40000, 'y'));
    const Outcome o = eval("s + t");
    ASSERT_EQ(o.error, 0);
    ASSERT_TRUE(o.isString);
    EXPECT_EQ(o.text.size(), 65535u);
    EXPECT_EQ(o.text, std::string(40000, 'x') + std::string(25535, 'y'));
    // The long values themselves compare whole, past the cut.
    makeString("u[80001]", std::string(40000, 'x') + std::string(40000, 'y') + "z");
    EXPECT_DOUBLE_EQ(eval("s + t < u").value, 1);
}

// ---- Variables ----------------------------------------------------------------------------------------

TEST_F(Expr, VariablesOfEveryType) {
    make("i", TypeInt, std::int32_t{-5});
    make("u", TypeUInt, std::uint32_t{4000000000u});
    make("w", TypeWord, std::uint16_t{65535});
    make("c", TypeChar, std::uint8_t{0xC8});  // a signed byte: -56
    make("f", TypeFloat, 2.5f);
    make("d", TypeDouble, -0.125);
    make("q", TypeInt64, -(std::int64_t{1} << 40));
    make("uq", TypeUInt64, std::uint64_t{0xFFFFFFFFFFFFFFFFull});  // read as signed: -1
    make("m", TypeMemory, std::uint32_t{0xFFFFFFF0u});  // a stored word, unsigned
    makeString("s", "hello");
    const struct {
        std::string name;
        double value;
    } cases[] = {
        {"i", -5}, {"u", 4000000000.0}, {"w", 65535}, {"c", -56}, {"f", 2.5},
        {"d", -0.125}, {"q", -1099511627776.0}, {"uq", -1}, {"m", 4294967280.0},
    };
    for (const auto& c : cases) {
        // Alone (resolved at the end) and next to an operator (resolved in its level).
        Outcome o = eval(c.name);
        EXPECT_EQ(o.error, 0) << c.name;
        EXPECT_DOUBLE_EQ(o.value, c.value) << c.name;
        o = eval(c.name + " * 2");
        EXPECT_EQ(o.error, 0) << c.name;
        EXPECT_DOUBLE_EQ(o.value, c.value * 2) << c.name;
        EXPECT_DOUBLE_EQ(eval("-" + c.name).value, -c.value) << c.name;
        EXPECT_DOUBLE_EQ(eval("-(" + c.name + ")").value, -c.value) << c.name;
    }
    Outcome o = eval("s");
    EXPECT_TRUE(o.isString);
    EXPECT_EQ(o.text, "hello");
    o = eval("s + \"!\"");
    EXPECT_EQ(o.text, "hello!");
    EXPECT_DOUBLE_EQ(eval("s = \"hello\"").value, 1);
    o = eval("s[1]");  // one character of a string
    EXPECT_EQ(o.text, "e");
    EXPECT_DOUBLE_EQ(eval("DECIMAL_PREC + 1").value, 3);
}

TEST_F(Expr, ArrayElementsWithIndexExpressions) {
    k.errorCode = 0;
    Variable* a = k.createVariable("arr[5]", TypeInt, 1, nullptr);
    ASSERT_NE(a, nullptr);
    for (std::int32_t i = 0; i < 5; ++i) reinterpret_cast<std::int32_t*>(a->base)[i] = i * 10;
    make("two", TypeInt, std::int32_t{2});
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {"arr[1] * 2", 20},
        {"arr[two+1]", 30},
        {"arr[(two+1)*1] + 1", 31},  // parentheses inside brackets stay with the index
        {"(arr[(1)])", 10},
        {"arr[two] + arr[two + 2]", 60},
    };
    for (const auto& c : cases) {
        const Outcome o = eval(c.text);
        EXPECT_EQ(o.error, 0) << c.text;
        EXPECT_DOUBLE_EQ(o.value, c.value) << c.text;
    }
    EXPECT_EQ(eval("arr[5] + 1").error, 7);
    EXPECT_EQ(eval("arr[(5)]").error, 7);
}

// ---- Calls --------------------------------------------------------------------------------------------

TEST_F(Expr, CallsPassArgumentsAsTheHandlerExpectsThem) {
    make("v", TypeInt, std::int32_t{4});
    makeString("s", "str");
    const Outcome o = eval(token(kRecord) + "(1, 2.5, \"x\", v, -v, v + 1, s, -1)");
    ASSERT_EQ(o.error, 0);
    EXPECT_DOUBLE_EQ(o.value, 8);  // the recorder returns the argument count
    EXPECT_EQ(k.lastCode, kRecord);
    const std::vector<EvalKestrun::Arg> want = {
        {"1", ArgNumber},   {"2.5000000000000000", ArgNumber}, {"\"x\"", ArgString}, {"v", ArgVariable},
        {"-v", ArgExpression}, {"5", ArgNumber},               {"s", ArgVariable},     {"-1", ArgNumber},
    };
    EXPECT_EQ(k.lastArgs, want);

    // A computed number reaches the handler as the same double, however small or large.
    const struct {
        std::string text;
        double value;
    } numbers[] = {
        {"1/3", 1.0 / 3}, {"0.000000000000000000001", 1e-21}, {"10^30", 1e30}, {"0 - 10^300 * 1.5", -1.5e300},
        {"2^53 + 0.5", 9007199254740992.0}, {"0 - 2^62", -4611686018427387904.0},
    };
    for (const auto& n : numbers) {
        const Outcome r = eval(token(kSum) + "(" + n.text + ")");
        EXPECT_EQ(r.error, 0) << n.text;
        EXPECT_EQ(r.value, n.value) << n.text;
    }

    // The handler reads them back with the argument service.
    EXPECT_DOUBLE_EQ(eval(token(kSum) + "(1, 2.5, v, -v, 0.25)").value, 3.75);
    EXPECT_EQ(eval(token(kJoin) + "(\"a\", s, \"c\")").text, "astrc");
    // No arguments: an empty list.
    EXPECT_DOUBLE_EQ(eval(token(kRecord) + "()").value, 0);
    EXPECT_TRUE(k.lastArgs.empty());
    EXPECT_DOUBLE_EQ(eval(token(kRecord) + " ( ) + 1").value, 1);
}

TEST_F(Expr, CallResultsOfEveryType) {
    const struct {
        std::int32_t type;
        double value;
    } cases[] = {
        {TypeInt, -3}, {TypeUInt, 4294967293.0} /* the same 32 bits, unsigned */, {TypeFloat, 2.5}, {TypeDouble, 1.25},
        {TypePointer, -2}, {TypeInt64, -1099511627776.0}, {TypeUInt64, -1099511627776.0},
        {kNoResult, 0},
    };
    for (const auto& c : cases) {
        k.typedResult = c.type;
        Outcome o = eval(token(kTyped) + "(1)");
        EXPECT_EQ(o.error, 0) << c.type;
        EXPECT_DOUBLE_EQ(o.value, c.value) << c.type;
        o = eval("2 * " + token(kTyped) + "(1)");
        EXPECT_DOUBLE_EQ(o.value, 2 * c.value) << c.type;
        o = eval("-" + token(kTyped) + "(1)");
        EXPECT_DOUBLE_EQ(o.value, -c.value) << c.type;
    }
    k.typedResult = TypeString;
    Outcome o = eval(token(kTyped) + "(1)");
    EXPECT_TRUE(o.isString);
    EXPECT_EQ(o.text, "typed");
    o = eval(token(kTyped) + "(1) + \"!\"");
    EXPECT_EQ(o.text, "typed!");
    // A string-returning function in a comparison compares its string.
    EXPECT_DOUBLE_EQ(eval(token(kTyped) + "(1) = \"typed\"").value, 1);
    EXPECT_DOUBLE_EQ(eval("\"typed\" = " + token(kTyped) + "(1)").value, 1);
    EXPECT_DOUBLE_EQ(eval(token(kJoin) + "(\"a\", \"b\") < " + token(kJoin) + "(\"a\", \"c\")").value, 1);
    EXPECT_EQ(eval(token(kTyped) + "(1) + 1").error, 1);
}

TEST_F(Expr, NestedCallsAndArgumentLimits) {
    EXPECT_DOUBLE_EQ(eval(token(kSum) + "(" + token(kSum) + "(1, 2), 3 * " + token(kSum) + "(4))").value, 15);

    auto list = [](int n) {
        std::string s;
        for (int i = 1; i <= n; ++i) s += (i > 1 ? "," : "") + std::to_string(i);
        return s;
    };
    Outcome o = eval(token(kSum) + "(" + list(15) + ")");  // 14 commas
    EXPECT_EQ(o.error, 0);
    EXPECT_DOUBLE_EQ(o.value, 120);
    EXPECT_EQ(eval(token(kSum) + "(" + list(16) + ")").error, 16);

    // 14 operators in one level evaluate, the 15th is refused.
    std::string ops = "1";
    for (int i = 0; i < 14; ++i) ops += "+1";
    EXPECT_DOUBLE_EQ(eval(ops).value, 15);
    EXPECT_EQ(eval(ops + "+1").error, 16);
    EXPECT_DOUBLE_EQ(eval("(" + ops + ")+(" + ops + ")").value, 30);  // the limit is per level
}

TEST_F(Expr, FailingHandlerStopsTheEvaluation) {
    const Outcome o = eval("1 + " + token(kFail) + "(1) + " + token(kRecord) + "(2)");
    EXPECT_EQ(o.error, 77);
    EXPECT_EQ(o.value, 0);
    EXPECT_EQ(k.lastCode, kFail);  // nothing after the failing call ran
    // A handler that is not built yet stops with error 1.
    k.handlers[kSum] = &Kestrun::CmdNotBuilt;
    EXPECT_EQ(eval(token(kSum) + "(1)").error, 1);
}

TEST_F(Expr, LongStringArgumentReachesTheHandlerWhole) {
    makeString("s[300]", std::string(300, 'a'));
    const Outcome o = eval(token(kJoin) + "(s + \"b\", \"c\")");
    ASSERT_EQ(o.error, 0);
    EXPECT_EQ(o.text, std::string(300, 'a') + "bc");
    ASSERT_EQ(k.lastArgs.size(), 2u);
    EXPECT_EQ(k.lastArgs[1].text, "\"c\"");
}

TEST_F(Expr, LabelsSubroutinesAndExternalFunctions) {
    k.errorCode = 0;
    Variable* sub = k.createVariable("mysub", TypeLabel, 0, nullptr);
    Variable* ext = k.createVariable("extfn", TypeLabel, 0, nullptr);
    ASSERT_NE(sub, nullptr);
    ASSERT_NE(ext, nullptr);
    ext->isExternal = 1;
    make("v", TypeInt, std::int32_t{9});

    Outcome o = eval("mysub(1, v)");
    EXPECT_EQ(o.error, 0);
    EXPECT_EQ(k.lastCode, 44);
    EXPECT_EQ(k.lastArgs, (std::vector<EvalKestrun::Arg>{{"mysub", ArgVariable}, {"1", ArgNumber}, {"v", ArgVariable}}));
    EXPECT_DOUBLE_EQ(o.value, 3);

    o = eval("extfn(\"x\") * 2");
    EXPECT_EQ(k.lastCode, 120);
    EXPECT_EQ(k.lastArgs, (std::vector<EvalKestrun::Arg>{{"extfn", ArgVariable}, {"\"x\"", ArgString}}));
    EXPECT_DOUBLE_EQ(o.value, 4);

    // A subroutine used as a value, alone or next to an operator, is called without arguments.
    for (const std::string text : {"mysub", "mysub + 10", "(mysub) + 10"}) {
        k.lastArgs.clear();
        o = eval(text);
        EXPECT_EQ(o.error, 0) << text;
        EXPECT_EQ(k.lastCode, 44) << text;
        EXPECT_EQ(k.lastArgs, (std::vector<EvalKestrun::Arg>{{"mysub", ArgVariable}})) << text;
    }
    EXPECT_DOUBLE_EQ(eval("mysub + 10").value, 11);

    // Calling what is not callable.
    EXPECT_EQ(eval("v(1)").error, 1);
    EXPECT_EQ(eval("nothing(1)").error, 10);
}

TEST_F(Expr, FunctionTokenWithoutArgumentsIsCalledAsAValue) {
    k.typedResult = TypeInt;
    EXPECT_DOUBLE_EQ(eval(token(kTyped)).value, -3);
    EXPECT_DOUBLE_EQ(eval(token(kTyped) + " + 4").value, 1);
    EXPECT_EQ(k.lastCode, kTyped);
    k.typedResult = TypeString;
    EXPECT_EQ(eval(token(kTyped)).text, "typed");
    k.typedResult = kNoResult;  // a function without a value counts as 0
    const Outcome o = eval(token(kTyped) + " + 4");
    EXPECT_EQ(o.error, 0);
    EXPECT_DOUBLE_EQ(o.value, 4);
    EXPECT_EQ(eval(token(kFail) + " + 4").error, 77);
}

TEST_F(Expr, NestedEvaluationsKeepTheirOwnValues) {
    // The handler evaluates an expression of its own while the outer one holds computed values.
    const Outcome o = eval("(1+2) * " + token(kEval) + "(\"(4+5)*\" + \"(1+1)\") + (3) + " +
                           token(kSum) + "((10), " + token(kEval) + "(\"(7)\"))");
    ASSERT_EQ(o.error, 0);
    EXPECT_DOUBLE_EQ(o.value, 3 * 18 + 3 + 17);
    // A string result of the nested evaluation does not leak into the numeric outer result.
    makeString("inner", "\"q\" + \"r\"");
    const Outcome n = eval(token(kEval) + "(inner) + 1");
    EXPECT_EQ(n.error, 0);
    EXPECT_FALSE(n.isString);
    EXPECT_DOUBLE_EQ(n.value, 1);
}

// ---- Limits -------------------------------------------------------------------------------------------

TEST_F(Expr, ComputedValuesPerEvaluation) {
    auto nested = [](int depth, const std::string& inner) {
        return std::string(static_cast<std::size_t>(depth), '(') + inner + std::string(static_cast<std::size_t>(depth), ')');
    };
    make("v", TypeInt, std::int32_t{6});
    // Each parenthesised level leaves one computed value behind.
    EXPECT_DOUBLE_EQ(eval(nested(29, "1")).value, 1);
    EXPECT_EQ(eval(nested(30, "1")).error, 32);
    EXPECT_EQ(eval(nested(28, "\"s\"")).text, "s");
    EXPECT_EQ(eval(nested(29, "\"s\"")).error, 32);
    EXPECT_DOUBLE_EQ(eval(nested(28, "v")).value, 6);  // names share the string table
    EXPECT_EQ(eval(nested(29, "v")).error, 32);
    EXPECT_EQ(eval(nested(14, "\"s\"") + " + " + nested(15, "\"t\"")).error, 32);
    EXPECT_EQ(eval(nested(14, "\"s\"") + " + " + nested(14, "\"t\"")).text, "st");
}

TEST_F(Expr, TextLengthLimit) {
    EXPECT_DOUBLE_EQ(eval("1+" + std::string(1020, ' ') + "2").value, 3);  // 1023 characters
    const Outcome o = eval("1+" + std::string(1021, ' ') + "2");  // 1024 characters
    EXPECT_EQ(o.error, 1);
    EXPECT_EQ(o.value, 0);
}

TEST_F(Expr, IntegerTextForDimensionsAndIndexes) {
    std::int64_t value = 0;
    k.errorCode = 0;
    EXPECT_TRUE(k.evaluateIntegerText("(2+3)*2 + 0.9", value));
    EXPECT_EQ(value, 10);
    EXPECT_TRUE(k.evaluateIntegerText("-7.9", value));
    EXPECT_EQ(value, -7);
    EXPECT_FALSE(k.evaluateIntegerText("\"a\"", value));
    EXPECT_EQ(k.errorCode, 19);
    EXPECT_FALSE(k.stringResult);
    k.errorCode = 0;
    EXPECT_FALSE(k.evaluateIntegerText("1/0", value));
    EXPECT_EQ(k.errorCode, 8);

    // Through the variable store.
    ASSERT_TRUE(k.symbols.define("N", 1, 4));
    k.errorCode = 0;
    Variable* m = k.createVariable("m[(1+1), @N]", TypeInt, 1, nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->dims[0], 2u);
    EXPECT_EQ(m->dims[1], 4u);
}

// ---- In a program ----------------------------------------------------------------------------------

TEST(ExprProgram, AFailingExpressionStopsItsLine) {
    const struct {
        const char* source;
        int error;
        int line;
    } cases[] = {
        {"x = (2 + 3) * 4\ny = x / 0\n", 8, 2},
        {"s$ = \"a\" + \"b\"\nx = s$ + 1\n", 1, 2},
        {"x = 1 + @undefined\n", 24, 1},
        {"x = 2 ^ 3 ^ 2\ny = x % (x - 64)\n", 8, 2},
    };
    for (const auto& c : cases) {
        const RunResult r = runSource(c.source);
        ASSERT_TRUE(r.built) << c.source;
        EXPECT_EQ(r.errorCode, c.error) << c.source;
        EXPECT_EQ(r.line, c.line) << c.source;
    }
}

}  // namespace
}  // namespace kestrun::test
