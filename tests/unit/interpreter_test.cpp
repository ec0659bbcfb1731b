// The interpreter object: tables, control stack, statements, the run loop and the error report.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core_harness.h"

namespace kestrun::test {
namespace {

TEST(ConstantTable, HoldsTheLanguageValues) {
    RecordingHost host;
    Kestrun k(host);
    struct Case {
        int index;
        std::uint32_t value;
    } cases[] = {
        {0, 0},           {5, 0x20000},     {12, 0x80000000u}, {17, 0xC00000},  {23, 515},
        {30, 32772},      {49, 15},         {70, 0},           {72, 0},         {213, 4294967294u},
        {219, 4294967295u}, {237, static_cast<std::uint32_t>(-108)}, {245, 1794}, {490, 32783}, {497, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(k.constants[c.index], c.value) << c.index;
}

TEST(HandlerTable, NoOpCodesPassAndUnknownCodesStopWithError1) {
    RecordingHost host;
    Kestrun k(host);
    Statement* st = k.newStatement(kMaxArgs);
    ASSERT_NE(st, nullptr);
    for (int code : {7, 35, 57, 67, 75, 140, 156, 167, 169, 170, 172, 177, 179, 183, 218, 228, 237, 239, 247}) {
        st->code = static_cast<std::uint16_t>(code);
        k.errorCode = 0;
        EXPECT_EQ(k.dispatch(st), st) << code;
        EXPECT_EQ(k.errorCode, 0) << code;
    }
    for (int code : {249, 250, 4000}) {
        st->code = static_cast<std::uint16_t>(code);
        k.errorCode = 0;
        EXPECT_EQ(k.dispatch(st), nullptr) << code;
        EXPECT_EQ(k.errorCode, 1) << code;
    }
    k.freeStatement(st);
}

TEST(ControlStack, HoldsExactly4096Entries) {
    RecordingHost host;
    Kestrun k(host);
    ASSERT_TRUE(k.initialise());
    EXPECT_EQ(k.popControl(), 0);  // empty
    for (int i = 1; i <= kControlStackSize; ++i) ASSERT_EQ(k.pushControl(i), 1) << i;
    EXPECT_EQ(k.pushControl(4097), 0);
    EXPECT_EQ(k.popControl(), 4096);
    EXPECT_EQ(k.pushControl(7), 1);
    EXPECT_EQ(k.popControl(), 7);
}

TEST(Statements, CarveArgumentSlotsFromOneBlock) {
    RecordingHost host;
    Kestrun k(host);
    Statement* st = k.newStatement(3);
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->args[1] - st->args[0], 256);
    EXPECT_EQ(st->args[2] - st->args[0], 512);
    EXPECT_EQ(st->args[3], nullptr);
    EXPECT_EQ(st->resultType, kNoResult);
    k.freeStatement(st);
    EXPECT_EQ(k.newStatement(26), nullptr);
}

TEST(Initialise, CreatesTheResultVariables) {
    RecordingHost host;
    Kestrun k(host);
    ASSERT_TRUE(k.initialise());
    struct Case {
        const char* name;
        Variable* expected;
        std::uint8_t type;
    } cases[] = {
        {"SYSTEM_FLOAT0", k.resultFloat, TypeFloat},   {"SYSTEM_INT0", k.resultInt, TypeInt},
        {"system_int64", k.resultInt64, TypeInt64},    {"SYSTEM_DOUBLE0", k.resultDouble, TypeDouble},
        {"SYSTEM_STRING0", k.resultString, TypeString}, {"SYSTEM_POINTER0", k.resultPointer, TypePointer},
        {"DECIMAL_PREC", &k.builtinDecimalPrec, TypeSystem}, {"SYSTEM_STDOUT0", &k.builtinStdout, TypeFile},
    };
    for (const Case& c : cases) {
        char name[40];
        std::strcpy(name, c.name);
        Variable* v = k.findVariable(name, nullptr, false);
        EXPECT_EQ(v, c.expected) << c.name;
        ASSERT_NE(v, nullptr) << c.name;
        EXPECT_EQ(v->type, c.type) << c.name;
    }
    EXPECT_EQ(k.resultString->count, 65536u);
    EXPECT_EQ(k.resultString->capacity, 65536);
    EXPECT_EQ(k.decimalPrecision, 2);
    EXPECT_EQ(k.whiteWindowClass.size() > 0, true);
    // A second initialise starts over without leaking or duplicating the variables.
    ASSERT_TRUE(k.initialise());
    EXPECT_NE(k.resultString, nullptr);
}

TEST(ErrorBox, TextAndCaptionAreExact) {
    char text[256];
    formatErrorText(text, sizeof text, 12, 9);
    EXPECT_STREQ(text, "An error has occured\nLine number: 12\nPlease contact the program vendor\n9");
    EXPECT_STREQ(kErrorCaption, "Error");
}

// Programs with their expected outcome: error code and 1-based line of the box (0 = no box).
struct ProgramCase {
    const char* name;
    const char* source;
    int error;
    int line;
};

class RunLoop : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(RunLoop, EndsAsExpected) {
    const ProgramCase& c = GetParam();
    RunResult r = runSource(c.source);
    EXPECT_EQ(r.errorCode, c.error);
    EXPECT_EQ(r.line, c.error ? c.line : 0);
    EXPECT_EQ(r.ranClean, c.error == 0);
    EXPECT_EQ(r.boxes.size(), c.error ? 1u : 0u);
    if (c.error && !r.boxes.empty()) {
        char text[256];
        formatErrorText(text, sizeof text, static_cast<unsigned>(c.line), static_cast<unsigned>(c.error));
        EXPECT_EQ(r.boxes[0].text, text);
        EXPECT_EQ(r.boxes[0].caption, "Error");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Programs, RunLoop,
    ::testing::Values(
        ProgramCase{"Empty", "", 0, 0},
        ProgramCase{"OnlyComments", "' one\n; two\n   ' three\n", 0, 0},
        ProgramCase{"OnlyBlanks", "\n  \n\t\n", 0, 0},
        // A failing statement (key polling takes at most one argument: error 1) stops the run
        // with its code on its line.
        ProgramCase{"FailingStatementOnLine12", "' 1\n' 2\n\n' 4\n' 5\n' 6\n' 7\n' 8\n' 9\n' 10\n' 11\nINKEY 1, 2\n", 1, 12},
        ProgramCase{"FirstLine", "INKEY 1, 2\n", 1, 1},
        // Statements split from one source line report that line.
        ProgramCase{"SplitLine", "' 1\nstart: :: INKEY 1, 2\n", 1, 2},
        ProgramCase{"LabelOnlyRunsNothing", "start:\nagain:\n", 0, 0},
        ProgramCase{"CallOfUnknownName", "' 1\nnowhere\n", 1, 2},
        // The body of "here" starts with the call of "here": it recurses until the stack is full.
        ProgramCase{"CallOfLabelRecursesUntilStackIsFull", "here:\nhere\n", 34, 2},
        ProgramCase{"UnbalancedParentheses", "' 1\n' 2\nPRINT (1, 2\n", 18, 3},
        // Names keep 30 characters: a longer label is not found under its full name at run time,
        // and creating it again collides with the one the label pass made.
        ProgramCase{"LongLabelRedefined", "' 1\nLABEL a_label_name_of_thirty_one_chars\n", 9, 2},
        ProgramCase{"LabelDefinedTwice", "LABEL twice\nLABEL twice\n", 0, 0},
        ProgramCase{"AssignmentsThenDivisionByZero",
                    "TYPE point\n  DIM x : INT\n  DIM y : FLOAT\nENDTYPE\nDIM p : point\nDIM c : CHAR\nDIM a[5] : INT\n"
                    "n = 42\nf = 2.5\ns$ = \"text\"\nc = \"A\"\na[3] = n + 1\np.x = a[3] * 2\np.y = f / 2\n"
                    "d = 5 / 0\nn = 1\n",
                    8, 15}),
    [](const ::testing::TestParamInfo<ProgramCase>& info) { return std::string(info.param.name); });

TEST(RunLoop, SourceLinesCountCrLfSegmentsOnly) {
    // A CR LF, B LF, C CR LF: A is line 1, B and C line 2.
    struct Case {
        const char* image;
        int line;
    } cases[] = {
        // Code 39 (key polling) with two arguments fails with error 1.
        {"\xFF\xE2\xE7 1, 2\r\n", 1},
        {"x:\r\n\xFF\xE2\xE7 1, 2\n", 2},
        {"x:\r\ny:\n\xFF\xE2\xE7 1, 2\r\n", 2},
        {"' c\n' d\n\xFF\xE2\xE7 1, 2\r\n", 3},      // comments count even when they end with LF
        {"  \r\n\t\n  \n\xFF\xE2\xE7 1, 2\r\n", 2},  // blank CR LF counts, blank LF does not
    };
    for (const Case& c : cases) {
        RunResult r = runImage(c.image);
        EXPECT_EQ(r.errorCode, 1) << c.image;
        EXPECT_EQ(r.line, c.line) << c.image;
    }
}

TEST(RunLoop, HandlerReturningNullWithoutErrorEndsSilently) {
    RecordingHost host;
    TestKestrun k(host);
    std::string image = "start:\r\n";
    std::vector<std::uint8_t> buffer(image.begin(), image.end());
    buffer.push_back(0);
    k.programImage = buffer.data();
    ASSERT_TRUE(k.initialise());
    k.handlers[23] = &Kestrun::CmdNoOp;
    EXPECT_TRUE(k.run());
    EXPECT_FALSE(k.reported);
    EXPECT_TRUE(host.boxes.empty());
}

#ifdef KESTRUN_STEP_BUDGET
// The sanitizer tree's bound on a run: an endless loop, a subroutine that calls itself from a
// loop, and a record array whose members would take longer than the budget all end with error 1
// once the steps are spent; a program within the budget runs as usual.
TEST(StepBudget, EndsRunsThatWouldNotEnd) {
    struct Case {
        const char* source;
        bool spent;
    } cases[] = {
        {"i = 0\nagain:\ni = i + 1\nGOTO again\n", true},
        {"DECLARE f(n : INT)\nagain:\nx = f(1)\nGOTO again\nSUB f\n  RETURN n\n", true},
        {"TYPE t\n  DIM a : INT\nENDTYPE\nDIM many[1000000] : t\n", true},
        {"FOR i, 1, 10\nNEXT i\n", false},
    };
    for (const Case& c : cases) {
        std::string image = imageOf(c.source);
        if (image.empty() || image.back() != '\0') image.push_back('\0');
        RecordingHost host;
        TestKestrun k(host);
        k.programImage = reinterpret_cast<std::uint8_t*>(&image[0]);
        ASSERT_TRUE(k.initialise());
        k.stepBudget = 1000;
        EXPECT_EQ(k.run(), !c.spent) << c.source;
        EXPECT_EQ(k.stepBudgetSpent, c.spent) << c.source;
        EXPECT_EQ(k.reportedCode, c.spent ? 1 : 0) << c.source;
    }
}
#endif

TEST(ReportError, DestroysOpenWindowsAndReleasesTheConsoleFirst) {
    RecordingHost host;
    TestKestrun k(host);
    int a, b;
    k.objectList.addTail(&a);
    k.objectList.addTail(&b);
    k.errorCode = 0;
    k.reportError();
    EXPECT_TRUE(host.boxes.empty());
    k.errorCode = 14;
    k.reportError();
    EXPECT_EQ(host.destroyedWindows, (std::vector<void*>{&a, &b}));
    EXPECT_EQ(host.consoleReleases, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "An error has occured\nLine number: 1\nPlease contact the program vendor\n14");
}

}  // namespace
}  // namespace kestrun::test
