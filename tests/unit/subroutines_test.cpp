// Subroutines: calls with parameter templates, binding by value and by reference, local scopes,
// return values, recursion and its limits, and the prototype statement in both forms.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core_harness.h"
#include "program_case.h"
#include "engine_fixture.h"

namespace kestrun::test {
namespace {

using SubCase = ProgramValuesCase;

class SubPrograms : public ::testing::TestWithParam<SubCase> {};

TEST_P(SubPrograms, EndAsExpected) { expectProgramOutcome(GetParam()); }

std::string caseName(const ::testing::TestParamInfo<SubCase>& info) { return programCaseName(info); }

const char* const kMissing = "<missing>";

// The recursion that every later program leans on.
const char kFactorialAndFibonacci[] =
    "DECLARE fact(n:INT)\n"
    "DECLARE fib(n:INT)\n"
    "f = fact(10)\n"
    "g = fib(20)\n"
    "END\n"
    "SUB fact\n"
    "IF n < 2 THEN RETURN 1 ELSE RETURN n * fact(n - 1)\n"
    "SUB fib\n"
    "IF n < 2 THEN RETURN n\n"
    "RETURN fib(n - 1) + fib(n - 2)\n";

INSTANTIATE_TEST_SUITE_P(
    Recursion, SubPrograms,
    ::testing::Values(
        SubCase{"FactorialAndFibonacci", kFactorialAndFibonacci, 0, 0, {{"f", "3628800"}, {"g", "6765"}}},
        // A recursion through line calls, through return values and through a single-line
        // conditional: each ends when the ControlStack holds 2048 call frames.
        SubCase{"EndlessLineCalls", "GOSUB f\nEND\nSUB f\nGOSUB f\n", 34, 4, {}},
        SubCase{"EndlessThroughReturnValues", "d = 0\nDECLARE f(n:INT)\nx = f(1)\nEND\nSUB f\nd = n\nRETURN f(n + 1)\n", 34, 7,
                {{"d", "2048"}}},
        SubCase{"EndlessThroughConditional",
                "d = 0\nDECLARE f(n:INT)\nx = f(1)\nEND\nSUB f\nd = n\nIF n > 0 THEN RETURN f(n + 1) ELSE RETURN 0\n", 34, 7,
                {{"d", "2048"}}},
        // A return value inside a selection and two loops: their frames go with the return, or
        // the 3000 calls would fill the ControlStack.
        SubCase{"ReturnDropsBlockFrames",
                "FOR i, 1, 3000\nx = f()\nNEXT i\nEND\nSUB f\nSELECT 1\nCASE 1\nDO\nWHILE 1\nRETURN 5\nWEND\nUNTIL\nENDSELECT\n",
                0, 0, {{"x", "5"}}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Binding, SubPrograms,
    ::testing::Values(
        SubCase{"StringVariableByReference", "DECLARE shout(s:STRING)\nt$ = \"hi\"\nshout(t$)\nEND\nSUB shout\ns = s + \"!\"\nRETURN\n",
                0, 0, {{"t$", "hi!"}}},
        SubCase{"StringLiteralByValue",
                "seen$ = \"\"\nDECLARE shout(s:STRING)\nshout(\"hi\")\nEND\nSUB shout\ns = s + \"!\"\nseen$ = s\nRETURN\n", 0, 0,
                {{"seen$", "hi!"}}},
        // One string of a string array is the string the body sees and changes.
        SubCase{"StringArrayElement",
                "DIM names[3] : STRING\nnames[1] = \"b\"\nDECLARE shout(s:STRING)\nshout(names[1])\nEND\nSUB shout\n"
                "s = s + \"!\"\nRETURN\n",
                0, 0, {{"names[1]", "b!"}, {"names[0]", ""}}},
        // SYSTEM_STRING0 holds the result of the last string function: given as an argument it is
        // a value, or later string work in the body would change the parameter.
        SubCase{"StringResultByValue",
                "seen$ = \"\"\nDECLARE keep(s:STRING)\nz$ = \"a\" + \"b\"\nkeep(SYSTEM_STRING0)\nEND\nSUB keep\n"
                "t$ = \"x\" + \"y\"\nseen$ = s\nRETURN\n",
                0, 0, {{"seen$", "ab"}}},
        SubCase{"IntByValue", "x = 5\nseen = 0\nDECLARE bump(v:INT)\nbump(x)\nEND\nSUB bump\nv = v + 1\nseen = v\nRETURN\n", 0,
                0, {{"x", "5"}, {"seen", "6"}}},
        SubCase{"ConversionsByParameterType",
                "DIM w : DOUBLE\nDIM q : INT64\nseen = 0\nDECLARE f(a:INT, b:FLOAT, c:DOUBLE, d:INT64, e:WORD)\n"
                "f(2.9, 3, 7, 2.5, 65537)\nEND\nSUB f\nw = a + b + c\nq = d\nseen = e\nRETURN\n",
                0, 0, {{"w", "12"}, {"q", "2"}, {"seen", "1"}}},
        // A line call with empty parentheses passes no argument, however they are written.
        SubCase{"EmptyParenthesesAreNoArgument",
                "seen = 1\nDECLARE g(a:INT)\ng()\nseen = seen + 1\ng( )\nEND\nSUB g\nseen = seen * 10 + a\nRETURN\n", 0, 0,
                {{"seen", "110"}}},
        SubCase{"MissingArgumentsAreZeroExtrasUnused",
                "seen = 1\nDECLARE f(a:INT, b:FLOAT)\nf(7)\nDECLARE g(a:INT)\ng(1, 1 / 0)\nEND\nSUB f\nseen = a * 100 + b\nRETURN\n"
                "SUB g\nRETURN\n",
                0, 0, {{"seen", "700"}}},
        SubCase{"ArraySharesStorage", "DIM m[3] : INT\nDECLARE setm(v[]:INT)\nsetm(m)\nEND\nSUB setm\nv[1] = 7\nRETURN\n", 0, 0,
                {{"m[1]", "7"}}},
        SubCase{"ArrayRefusesScalar", "x = 1\nDECLARE setm(v[]:INT)\nsetm(x)\nEND\nSUB setm\nRETURN\n", 14, 3, {}},
        SubCase{"ArrayRefusesValue", "DECLARE setm(v[]:INT)\nsetm(1)\nEND\nSUB setm\nRETURN\n", 14, 2, {}},
        SubCase{"ArrayRefusesOtherType", "DIM m[3] : WORD\nDECLARE setm(v[]:INT)\nsetm(m)\nEND\nSUB setm\nRETURN\n", 14, 3,
                {}},
        SubCase{"IntRefusesString", "DECLARE f(a:INT)\nf(\"x\")\nEND\nSUB f\nRETURN\n", 14, 2, {}},
        SubCase{"FloatRefusesWide", "DECLARE f(a:FLOAT)\nf(5000000000)\nEND\nSUB f\nRETURN\n", 14, 2, {}},
        SubCase{"CharTakesNoValue", "DECLARE f(c:CHAR)\nf(1)\nEND\nSUB f\nRETURN\n", 62, 2, {}},
        // A binding that fails in a nested call leaves every scope as it was for the report.
        SubCase{"FailureInNestedCall",
                "keep = 5\nDECLARE g(a:INT)\nGOSUB f\nEND\nSUB f\nmine = 1\ng(\"x\")\nRETURN\nSUB g\nRETURN\n", 14, 7,
                {{"keep", "5"}, {"mine", kMissing}}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Scope, SubPrograms,
    ::testing::Values(
        SubCase{"GlobalVisibleInside", "g = 3\nGOSUB f\nEND\nSUB f\ng = g + 1\nRETURN\n", 0, 0, {{"g", "4"}}},
        SubCase{"ParameterHidesGlobal", "x = 3\nDECLARE f(x:INT)\nf(9)\nEND\nSUB f\nx = x + 1\nRETURN\n", 0, 0, {{"x", "3"}}},
        SubCase{"LocalsGoAtReturn", "GOSUB f\nEND\nSUB f\nmine = 1\nRETURN\n", 0, 0, {{"mine", kMissing}}},
        SubCase{"CallersLocalsInvisible", "GOSUB a\nEND\nSUB a\nmine = 1\nGOSUB b\nRETURN\nSUB b\ny = mine\nRETURN\n", 10, 8, {}},
        // A recursive body sees its own parameter at each depth.
        SubCase{"EachDepthItsOwnParameter",
                "DECLARE down(n:INT)\ntrail = 0\ndown(3)\nEND\nSUB down\nIF n > 0 THEN down(n - 1)\ntrail = trail * 10 + n\nRETURN\n",
                0, 0, {{"trail", "123"}}}),
    caseName);

// A pointer to something of a subroutine's scope loses its target when the scope goes: reading
// through it then fails with 10 as through a pointer that never had one, instead of reading freed
// memory. Pointers to what outlives the call keep theirs.
INSTANTIATE_TEST_SUITE_P(
    PointersIntoScope, SubPrograms,
    ::testing::Values(
        SubCase{"NeverSet", "DIM n : INT\nDIM p : POINTER\nn = #p + 0\n", 10, 3, {}},
        SubCase{"ToLocal",
                "DIM n : INT\nDIM p : POINTER\nGOSUB f\nn = #p + 0\nEND\nSUB f\nDIM x : INT\nx = 5\np = x\nRETURN\n", 10,
                4, {}},
        SubCase{"ToMemberOfLocalRecord",
                "TYPE rec\nDIM v : INT\nENDTYPE\nDIM n : INT\nDIM p : POINTER\nGOSUB f\nn = #p + 0\nEND\n"
                "SUB f\nDIM r : rec\nr.v = 5\np = r.v\nRETURN\n",
                10, 7, {}},
        SubCase{"ToParameter",
                "DIM n : INT\nDIM p : POINTER\nDECLARE f(a:INT)\nf(3)\nn = #p + 0\nEND\nSUB f\np = a\nRETURN\n", 10, 5, {}},
        // Returned from the callee through SYSTEM_POINTER0, and copied from it by the caller.
        SubCase{"ReturnedToLocal",
                "DIM n : INT\nDIM q : POINTER\nq = f()\nn = #q + 0\nEND\n"
                "SUB f\nDIM x : INT\nDIM lp : POINTER\nx = 5\nlp = x\nRETURN lp\n",
                10, 4, {}},
        SubCase{"ToGlobalKept", "DIM n : INT\nDIM p : POINTER\ng = 4\nGOSUB f\nn = #p + 0\nEND\nSUB f\np = g\nRETURN\n",
                0, 0, {{"n", "4"}}},
        // A run that stops inside nested calls releases each call's scope, the pointed-at ones too.
        SubCase{"StopInsideNestedCalls",
                "DIM p : POINTER\nGOSUB a\nEND\nSUB a\nDIM x : INT\np = x\nGOSUB b\nRETURN\n"
                "SUB b\nDIM y : INT\nDIM q : POINTER\nq = y\nz = 1 / 0\nRETURN\n",
                8, 13, {}},
        // A nested call's return leaves the caller's locals, and the pointers to them, alone.
        SubCase{"ToCallersLocalKept",
                "DIM n : INT\nDIM p : POINTER\nGOSUB a\nEND\n"
                "SUB a\nDIM x : INT\nx = 7\np = x\nGOSUB b\nn = #p + 0\nRETURN\nSUB b\nDIM y : INT\nRETURN\n",
                0, 0, {{"n", "7"}}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    CallAndReturn, SubPrograms,
    ::testing::Values(
        SubCase{"ReturnValues",
                "s$ = fs()\ni = fi()\nf = ff()\nd = fd()\nEND\nSUB fs\nRETURN \"abc\"\nSUB fi\nRETURN 7\nSUB ff\nRETURN 2.5\n"
                "SUB fd\nRETURN 1 + 0.25\n",
                0, 0,
                {{"s$", "abc"}, {"i", "7"}, {"f", "2.5"}, {"d", "1.25"}, {"SYSTEM_INT0", "7"}, {"SYSTEM_FLOAT0", "2.5"},
                 {"SYSTEM_DOUBLE0", "1.25"}}},
        SubCase{"ReturnWithoutValueIsZero", "x = 9\nx = f()\nEND\nSUB f\nRETURN\n", 0, 0, {{"x", "0"}}},
        SubCase{"ReturnOutsideCall", "RETURN\n", 35, 1, {}},
        SubCase{"ReturnValueErrorNamesReturnLine", "x = f()\nEND\nSUB f\nRETURN 1 / 0\n", 8, 4, {}},
        SubCase{"ThroughStringVariable", "seen = 0\nwho$ = \"f\"\nGOSUB $who$\nEND\nSUB f\nseen = 1\nRETURN\n", 0, 0,
                {{"seen", "1"}}},
        SubCase{"MissingName", "GOSUB nowhere\n", 12, 1, {}},
        SubCase{"NotASubroutine", "x = 1\nGOSUB x\n", 14, 2, {}},
        SubCase{"WithoutName", "GOSUB\n", 1, 1, {}},
        SubCase{"EndInsideBody", "GOSUB f\nr = 1\nEND\nSUB f\nEND\n", 0, 0, {{"r", kMissing}}},
        SubCase{"BodyRunsPastLastLine", "GOSUB f\nr = 1\nEND\nSUB f\ns = 1\n", 0, 0, {{"r", kMissing}}},
        SubCase{"ErrorInBodyNamesItsLine", "GOSUB f\nEND\nSUB f\nx = 1\nGOTO nowhere\n", 12, 5, {}},
        // A jump out of the body keeps running in the call until a return.
        SubCase{"JumpOutOfBody", "r = 0\nGOSUB f\nr = r + 10\nEND\nback:\nr = r + 1\nRETURN\nSUB f\nGOTO back\n", 0, 0,
                {{"r", "11"}}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Prototype, SubPrograms,
    ::testing::Values(
        SubCase{"NameDoesNotExist", "DECLARE nosuch(a:INT)\n", 10, 1, {}},
        SubCase{"WithoutParentheses", "SUB f\nDECLARE f\n", 1, 2, {}},
        SubCase{"ParameterWithoutColon", "SUB f\nDECLARE f(a)\n", 1, 2, {}},
        SubCase{"ParameterNamedTwice", "SUB f\nDECLARE f(a:INT, a:INT)\n", 9, 2, {}},
        SubCase{"SecondPrototype", "SUB f\nDECLARE f(a:INT)\nDECLARE f(b:INT)\n", 51, 3, {}},
        SubCase{"NameOfOtherVariableIgnored", "x = 1\nDECLARE x(a:INT)\nr = 1\n", 0, 0, {{"r", "1"}}},
        SubCase{"LibraryNotLoadable", "DECLARE \"nosuch.dll\", f(a:INT)\n", 53, 1, {}},
        SubCase{"LibraryNameNotString", "DECLARE 5, f(a:INT)\n", 14, 1, {}}),
    caseName);

// Calls nested through unusual paths are stopped by the machine-stack budget before the stack
// runs out: with a small budget the recursion fails with 34 well before 2048 calls.
TEST(SubroutineStack, BudgetStopsDeepCalls) {
    const ReadResult r = runAndRead("d = 0\nDECLARE f(n:INT)\nx = f(1)\nEND\nSUB f\nd = n\nRETURN f(n + 1)\n", {"d"},
                                    [](TestKestrun& k) { k.callStackBudget = 16 * 1024; });
    EXPECT_EQ(r.errorCode, 34);
    EXPECT_EQ(r.line, 7);
    const int depth = std::stoi(r.values[0]);
    EXPECT_GT(depth, 1);
    EXPECT_LT(depth, 2048);
}

// Direct calls on an interpreter that keeps its program after the run, as event delivery makes
// them: a Statement naming the subroutine goes to the call handler.
class Calls : public EngineFixture {
protected:
    // Calls name as a line holding just the name; the error code.
    int callByName(const std::string& name) {
        const std::uint32_t before = k.currentLine;
        const int error = runLine(name);
        if (error == 0) {
            EXPECT_EQ(k.currentLine, before) << name;
        }
        return error;
    }
};

TEST_F(Calls, ReturnTypeNamesTheResultVariable) {
    ASSERT_EQ(runProgram("DIM c : CHAR\nDIM w : WORD\nDIM u : UINT\nDIM big : INT64\nDIM ubig : UINT64\nDIM p : POINTER\n"
                         "c = \"A\" :: w = 7 :: u = 4000000000 :: big = 5000000000 :: ubig = 6 :: p = w\nEND\n"
                         "SUB rs\nRETURN \"abc\"\nSUB ri\nRETURN 7\nSUB rf\nRETURN 2.5\nSUB rd\nRETURN 0.5 + 1\n"
                         "SUB rc\nRETURN c\nSUB rw\nRETURN w\nSUB ru\nRETURN u\nSUB rbig\nRETURN big\nSUB rubig\nRETURN ubig\n"
                         "SUB rp\nRETURN p\nSUB rnone\nRETURN\n"),
              0);
    struct Case {
        const char* name;
        std::int32_t resultType;
    } cases[] = {
        {"rs", TypeString}, {"ri", TypeInt},     {"rf", TypeFloat},     {"rd", TypeDouble},   {"rc", TypeInt},
        {"rw", TypeInt},    {"ru", TypeInt},     {"rbig", TypeInt64},   {"rubig", TypeUInt64}, {"rp", TypePointer},
        {"rnone", kNoResult},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(callByName(c.name), 0) << c.name;
        EXPECT_EQ(resultType(), c.resultType) << c.name;
    }
    ASSERT_EQ(callByName("rc"), 0);
    EXPECT_EQ(intResult(), 65);
    ASSERT_EQ(callByName("ru"), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(intResult()), 4000000000u);
    ASSERT_EQ(callByName("rs"), 0);
    EXPECT_EQ(stringResult(), "abc");
    ASSERT_EQ(callByName("rp"), 0);
    EXPECT_EQ(k.resultPointer->target, find("w"));
}

TEST_F(Calls, ExternalPrototypeDeclaresALibraryFunction) {
    host.loadableLibraries = {"user32.dll", "msvcrt.dll"};
    ASSERT_EQ(runProgram("DECLARE \"user32.dll\", MsgBox|AMessageBoxA(w:INT, t:STRING, c:STRING, f:INT), INT\n"
                         "DECLARE \"!msvcrt.dll\", crand(), FIX\n"
                         "DECLARE \"msvcrt.dll\", quiet()\n"),
              0);
    Variable* box = find("MsgBox");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->type, TypeLabel);
    EXPECT_TRUE(box->isExternal);
    EXPECT_STREQ(box->libraryName, "user32.dll");
    EXPECT_STREQ(reinterpret_cast<const char*>(box->data), "MessageBoxA");
    EXPECT_EQ(box->callStyle, 0);
    EXPECT_EQ(box->aux, TypeInt);
    EXPECT_EQ(box->rowLength, 4);

    // The template: an INT with storage of its own, STRINGs sharing their argument's.
    struct Param {
        const char* name;
        std::uint8_t type;
        bool borrowed;
    } params[] = {{"w", TypeInt, false}, {"t", TypeString, true}, {"c", TypeString, true}, {"f", TypeInt, false}};
    ASSERT_NE(box->child, nullptr);
    Variable* p = box->child->next;
    for (const Param& expected : params) {
        ASSERT_NE(p, nullptr) << expected.name;
        EXPECT_STREQ(p->name, expected.name);
        EXPECT_EQ(p->type, expected.type) << expected.name;
        EXPECT_EQ(p->isBorrowed != 0, expected.borrowed) << expected.name;
        EXPECT_TRUE(p->frameMarker) << expected.name;
        p = p->next;
    }
    EXPECT_EQ(p, nullptr);

    // A "!" asks for the cdecl convention; the token of FIX names INT; no type: no result.
    Variable* cdeclFunction = find("crand");
    ASSERT_NE(cdeclFunction, nullptr);
    EXPECT_EQ(cdeclFunction->callStyle, 1);
    EXPECT_STREQ(cdeclFunction->libraryName, "msvcrt.dll");
    EXPECT_EQ(cdeclFunction->aux, TypeInt);
    EXPECT_EQ(cdeclFunction->rowLength, 0);
    ASSERT_NE(find("quiet"), nullptr);
    EXPECT_EQ(find("quiet")->aux, kNoResult);
    EXPECT_EQ(host.libraryRequests, (std::vector<std::string>{"user32.dll", "msvcrt.dll", "msvcrt.dll"}));

    // A declared function is no line to jump or call to.
    EXPECT_EQ(runLine("GOTO MsgBox"), 14);
    EXPECT_EQ(runLine("GOSUB MsgBox"), 14);
}

TEST_F(Calls, ExternalPrototypeErrors) {
    host.loadableLibraries = {"k.dll"};
    struct Case {
        const char* line;
        int error;
    } cases[] = {
        {"DECLARE \"k.dll\", f(a:INT), NOSUCHTYPE", 55},
        {"DECLARE \"k.dll\", g", 1},
        {"DECLARE \"missing.dll\", h(a:INT)", 53},
    };
    for (const Case& c : cases) EXPECT_EQ(runLine(c.line), c.error) << c.line;
}

TEST_F(Calls, ExternalPrototypeInsideSubroutineDeclaresAGlobal) {
    host.loadableLibraries = {"k.dll"};
    ASSERT_EQ(runProgram("GOSUB setup\nEND\nSUB setup\nDECLARE \"k.dll\", later(a:INT)\nRETURN\n"), 0);
    Variable* later = find("later");
    ASSERT_NE(later, nullptr);
    EXPECT_TRUE(later->isExternal);
}

TEST_F(Calls, InternalTemplateKeepsParameterShapes) {
    ASSERT_EQ(runProgram("SUB f\nDECLARE f(a:INT, s:STRING, v[]:INT, r:point, h:FILE, m:MEMORY)\n"), 0);
    Variable* f = find("f");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->isExternal);
    struct Param {
        const char* name;
        std::uint8_t type;
        bool borrowed;
        bool array;
    } params[] = {{"a", TypeInt, false, false},  {"s", TypeString, true, true}, {"v", TypeInt, true, true},
                  {"r", TypeUser, true, false},  {"h", TypeFile, true, false},  {"m", TypeMemory, false, false}};
    Variable* p = f->child->next;
    for (const Param& expected : params) {
        ASSERT_NE(p, nullptr) << expected.name;
        EXPECT_STREQ(p->name, expected.name);
        EXPECT_EQ(p->type, expected.type) << expected.name;
        EXPECT_EQ(p->isBorrowed != 0, expected.borrowed) << expected.name;
        EXPECT_EQ(p->isArray != 0, expected.array) << expected.name;
        EXPECT_EQ(p->count != 0, !expected.borrowed) << expected.name;
        p = p->next;
    }
    EXPECT_EQ(p, nullptr);
}

}  // namespace
}  // namespace kestrun::test
