// The console statements in process: programs run against the recording host, which collects
// what they print, feeds them their input and records what they do to the console screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core_harness.h"

namespace kestrun::test {

namespace {

// One interpreter per test with a variable of every printable type already declared:
//   n INT 5, u UINT 4000000000, w WORD 65535, f FLOAT 2.5, g FLOAT 3, d DOUBLE 2.5, e DOUBLE 3,
//   big INT64 9000000000, ubig UINT64 18000000000000000000, c CHAR 'A', s STRING "x".
class ConsoleProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(k.initialise());
        declare("n", TypeInt, std::int32_t{5});
        declare("u", TypeUInt, std::uint32_t{4000000000u});
        declare("w", TypeWord, std::uint16_t{65535});
        declare("f", TypeFloat, 2.5f);
        declare("g", TypeFloat, 3.0f);
        declare("d", TypeDouble, 2.5);
        declare("e", TypeDouble, 3.0);
        declare("big", TypeInt64, std::int64_t{9000000000});
        declare("ubig", TypeUInt64, std::uint64_t{18000000000000000000u});
        declare("c", TypeChar, 'A');
        std::strcpy(reinterpret_cast<char*>(declare("s", TypeString, '\0')->data), "x");
    }

    template <typename T>
    Variable* declare(const char* name, std::uint8_t type, T value) {
        Variable* v = k.createVariable(name, type, 1, nullptr);
        EXPECT_NE(v, nullptr) << name;
        if (v) std::memcpy(v->data, &value, sizeof value);
        return v;
    }

    // Runs source with input as standard input; the code of the error box, 0 when none.
    int run(const std::string& source, const std::string& input = "") {
        host.consoleInput = input;
        image = imageOf(source);
        image.push_back('\0');
        k.programImage = reinterpret_cast<std::uint8_t*>(&image[0]);
        k.run();
        return k.reported ? k.reportedCode : 0;
    }

    // Parses one source line into the main Statement (for handlers called by hand).
    Statement* parse(const std::string& source) {
        std::string built = imageOf(source);
        while (!built.empty() && (built.back() == '\0' || built.back() == '\n' || built.back() == '\r'))
            built.pop_back();
        lineText.assign(built.begin(), built.end());
        lineText.push_back('\0');
        k.errorCode = 0;
        EXPECT_EQ(k.parseStatement(k.mainStatement, lineText.data()), 0) << source;
        return k.mainStatement;
    }

    RecordingHost host;
    TestKestrun k{host};
    std::string image;
    std::vector<char> lineText;
};

// A program, its standard input, and exactly what it must print, with the error code it ends
// with (0 for none).
struct OutputCase {
    const char* name;
    const char* source;
    const char* input;
    const char* output;
    int error;
};

class ConsoleOutput : public ConsoleProgram, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(ConsoleOutput, PrintsExactly) {
    const OutputCase& c = GetParam();
    EXPECT_EQ(run(c.source, c.input), c.error);
    EXPECT_EQ(host.consoleOutput, c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Print, ConsoleOutput,
    ::testing::Values(
        OutputCase{"IntThenString", "PRINT n, s", "", "5 x\n", 0},
        OutputCase{"UInt", "PRINT u", "", "4000000000 \n", 0},
        OutputCase{"WordHasNoBlank", "PRINT w, w", "", "6553565535\n", 0},
        OutputCase{"FloatWithFraction", "PRINT f", "", " 2.50\n", 0},
        OutputCase{"FloatWithoutFraction", "PRINT g", "", "3 \n", 0},
        OutputCase{"DoubleWithFraction", "PRINT d", "", " 2.50\n", 0},
        OutputCase{"DoubleWithoutFraction", "PRINT e", "", "3 \n", 0},
        OutputCase{"DecimalPrecision", "DECIMAL_PREC = 4\nPRINT d, f\nDECIMAL_PREC = 0\nPRINT 7 / 4", "",
                   " 2.5000 2.5000\n 2\n", 0},
        OutputCase{"Int64", "PRINT big", "", "9000000000 \n", 0},
        OutputCase{"UInt64", "PRINT ubig", "", "18000000000000000000 \n", 0},
        OutputCase{"Char", "PRINT c, c", "", "AA\n", 0},
        OutputCase{"Literals", "PRINT \"a\", 1.5, 7, \"b\"", "", "a 1.507 b\n", 0},
        OutputCase{"Expressions", "PRINT \"a\" + \"b\", 7 / 2, 6 / 2", "", "ab 3.503 \n", 0},
        // A whole number beyond the 64-bit range prints its digits, not a wrapped integer.
        OutputCase{"HugeWholeNumber", "PRINT 100000000000 * 1000000000", "", "100000000000000000000 \n", 0},
        OutputCase{"TrailingCommaKeepsTheLine", "PRINT \"a\",\nPRINT \"b\", \nPRINT \"c\"", "", "abc\n", 0},
        OutputCase{"EmptyPrintEndsALine", "PRINT\nPRINT \"x\"", "", "\nx\n", 0},
        OutputCase{"EmptyArgumentPrintsNothing", "PRINT \"a\", , \"b\"", "", "ab\n", 0},
        OutputCase{"FailingArgumentPrintsNothing", "PRINT \"a\", nosuch", "", "", 10},
        // Input.
        OutputCase{"PromptOnTheSameLine", "name$ = \"\"\nINPUT \"Name? \", name$\nPRINT \"Hi \", name$", "Ada\n",
                   "Name? Hi Ada\n", 0},
        OutputCase{"HexadecimalInput", "INPUT n\nPRINT n", "0x10\n", "16 \n", 0},
        OutputCase{"OctalInput", "INPUT n\nPRINT n", "010\n", "8 \n", 0},
        OutputCase{"IntSaturates", "INPUT n\nPRINT n", "99999999999\n", "2147483647 \n", 0},
        OutputCase{"UIntKeepsItsRange", "INPUT u\nPRINT u\nINPUT u\nPRINT u", "3000000000\n-1\n",
                   "3000000000 \n4294967295 \n", 0},
        OutputCase{"WordKeepsSixteenBits", "INPUT w\nPRINT w", "70000\n", "4464\n", 0},
        OutputCase{"FloatAndDouble", "INPUT f\nINPUT d\nPRINT f, d", "2.25\n-0.5\n", " 2.25 -0.50\n", 0},
        OutputCase{"Int64AndUInt64", "INPUT big\nINPUT ubig\nPRINT big, ubig", "-9000000000\n18000000000000000001\n",
                   "-9000000000 18000000000000000001 \n", 0},
        OutputCase{"CharTakesTheFirst", "INPUT c\nPRINT c", "Zed\n", "Z\n", 0},
        OutputCase{"CrLfLineEnd", "INPUT s\nPRINT s, \"|\"", "Ada\r\n", "Ada|\n", 0},
        OutputCase{"LastLineWithoutLineEnd", "INPUT s\nPRINT s", "abc", "abc\n", 0},
        OutputCase{"EmptyLineIsNotTheEnd", "INPUT s\nPRINT s, \"|\"", "\n", "|\n", 0},
        OutputCase{"EndOfInputIs13", "INPUT n\nPRINT \"never\"", "", "", 13},
        OutputCase{"EndOfInputAfterPromptIs13", "INPUT \"? \", n", "", "? ", 13},
        OutputCase{"TargetOfNoTypedValueIs14", "INPUT SYSTEM_STDOUT0", "1\n", "", 14},
        OutputCase{"UnknownTargetIs10", "INPUT nosuch", "1\n", "", 10},
        OutputCase{"NoTargetIs56", "INPUT", "", "", 56},
        OutputCase{"PromptWithoutTargetIs56", "INPUT \"? \"", "", "", 56},
        // Text functions.
        OutputCase{"NumberText", "PRINT STR(7), STR(2.5), STR(-3)", "", " 7 2.50 -3\n", 0},
        OutputCase{"NumberTextBeyond32Bits", "PRINT STR(3000000000)", "", " 3000000000\n", 0},
        OutputCase{"NumberTextOfAString", "PRINT STR(s)", "", "", 19},
        OutputCase{"RepeatChar", "PRINT REPEATCHAR(3, 65), REPEATCHAR(2, \"xy\"), REPEATCHAR(0, 65), \"|\"", "",
                   "AAAxx|\n", 0},
        OutputCase{"RepeatCharOfAnotherType", "PRINT REPEATCHAR(2, u)", "", "", 14},
        OutputCase{"Spaces", "PRINT SPACES(3), \"x\", SPACES(-2), \"|\"", "", "   x|\n", 0},
        OutputCase{"FindText", "PRINT INSTR(\"hello\", \"lo\"), INSTR(5, \"hello\", \"lo\"), INSTR(0, \"hello\", \"l\")", "",
                   "4 0 3 \n", 0},
        OutputCase{"FindTextPastTheEnd", "PRINT INSTR(9, \"hello\", \"l\"), INSTR(\"hello\", \"z\")", "", "0 0 \n", 0},
        OutputCase{"FindTextOfANumber", "PRINT INSTR(\"hello\", 1)", "", "", 14},
        OutputCase{"FindTextWrongCount", "PRINT INSTR(\"hello\")", "", "", 56}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

// A long input line keeps its first 254 characters; the rest of it is dropped, so the next input
// reads the next line.
TEST_F(ConsoleProgram, LongInputLineIsCutAndItsRestDropped) {
    const std::string longLine(300, 'y');
    EXPECT_EQ(run("t$ = \"\"\nINPUT s\nINPUT t$", longLine + "\nnext\n"), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(k.findVariable(&std::string("s")[0], nullptr, false)->data)),
              std::string(254, 'y'));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(k.findVariable(&std::string("t$")[0], nullptr, false)->data)), "next");
}

// A printed line longer than the print buffer is cut to it (65533 characters and the line end).
TEST_F(ConsoleProgram, LongPrintedLineIsCut) {
    EXPECT_EQ(run("PRINT SPACES(40000), SPACES(40000), \"x\""), 0);
    EXPECT_EQ(host.consoleOutput, std::string(65533, ' ') + "\n");
}

TEST_F(ConsoleProgram, RepeatCountIsCutToTheResultCapacity) {
    EXPECT_EQ(run("SPACES 70000"), 0);
    EXPECT_EQ(std::strlen(reinterpret_cast<char*>(k.resultString->base)), 65535u);
}

// Both texts of a search computed as strings live in SYSTEM_STRING0 one after the other: the
// text is kept before the pattern is computed.
TEST_F(ConsoleProgram, FindTextKeepsAComputedTextWhileThePatternIsComputed) {
    EXPECT_EQ(run("INSTR \"ab\" + \"cd\", \"c\" + \"d\""), 0);
    std::int32_t position = 0;
    std::memcpy(&position, k.resultInt->data, sizeof position);
    EXPECT_EQ(position, 3);
}

TEST_F(ConsoleProgram, FirstPrintOpensTheConsoleOnce) {
    EXPECT_EQ(run("PRINT 1\nPRINT 2"), 0);
    EXPECT_EQ(host.consoleOpens, 1);
    EXPECT_EQ(k.consoleOpen, 0);  // cleared at the end of the run
}

TEST_F(ConsoleProgram, ClosedConsoleIsOpenedAgainByTheNextPrint) {
    EXPECT_EQ(run("CONSOLEOPEN\nCONSOLECLOSE\nPRINT 1"), 0);
    EXPECT_EQ(host.consoleOpens, 2);
    EXPECT_EQ(host.consoleCloses, 1);
    EXPECT_EQ(host.consoleOutput, "1 \n");
}

// An error releases the console before the box.
TEST_F(ConsoleProgram, ErrorReleasesTheConsole) {
    EXPECT_EQ(run("PRINT 1\nINPUT n"), 13);
    EXPECT_EQ(host.consoleReleases, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
}

// A WINDOW value as the first argument sends this and every later print to that window without
// line ends; a WINDOW holding 0 sends them back to the console; an address that is not one of
// the program's windows shows nothing.
TEST_F(ConsoleProgram, WindowDestination) {
    static int fakeWindow;
    void* window = &fakeWindow;
    declare("win", TypeWindow, window);
    declare("none", TypeWindow, static_cast<void*>(nullptr));
    declare("stray", TypeWindow, static_cast<void*>(&fakeWindow + 1));
    k.liveObjects.addTail(window);
    EXPECT_EQ(run("PRINT win, \"a\", n\nPRINT \"b\"\nPRINT stray, \"lost\"\nPRINT none, \"c\""), 0);
    ASSERT_EQ(host.windowPrints.size(), 2u);
    EXPECT_EQ(host.windowPrints[0].window, window);
    EXPECT_EQ(host.windowPrints[0].text, "a5 ");
    EXPECT_EQ(host.windowPrints[1].text, "b");
    EXPECT_EQ(host.consoleOutput, "c\n");
    k.liveObjects.remove(window);
}

// The file-output statement hands the print statement a Statement whose argument 0 names the
// FILE variable: the values go to that stream in the print formats, with a line end.
TEST_F(ConsoleProgram, PrintIntoAFile) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(k.registerStream(stream));  // only streams the program opened are written to
    declare("out", TypeFile, stream);
    declare("closed", TypeFile, static_cast<std::FILE*>(nullptr));

    Statement* st = parse("PRINT out, n, s, d,");
    st->toFile = 1;
    EXPECT_NE(k.dispatch(st), nullptr);
    EXPECT_EQ(st->toFile, 0);
    st = parse("PRINT closed, n");
    st->toFile = 1;
    EXPECT_EQ(k.dispatch(st), nullptr);
    EXPECT_EQ(k.errorCode, 52);
    st = parse("PRINT n, n");
    st->toFile = 1;
    EXPECT_EQ(k.dispatch(st), nullptr);
    EXPECT_EQ(k.errorCode, 14);

    std::rewind(stream);
    char text[64] = {};
    const std::size_t got = std::fread(text, 1, sizeof text - 1, stream);
    k.closeStream(stream);
    EXPECT_EQ(std::string(text, got), "5 x 2.50\n");
    EXPECT_EQ(host.consoleOutput, "");
    EXPECT_EQ(host.consoleOpens, 0);
}

// Screen statements: what reaches the host, and their argument errors.
struct ScreenCase {
    const char* name;
    const char* source;
    std::vector<std::string> calls;
    int error;
};

class ConsoleScreen : public ConsoleProgram, public ::testing::WithParamInterface<ScreenCase> {};

TEST_P(ConsoleScreen, ReachesTheHost) {
    const ScreenCase& c = GetParam();
    EXPECT_EQ(run(c.source), c.error);
    EXPECT_EQ(host.screenCalls, c.calls);
    EXPECT_EQ(host.consoleOpens, c.error ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Screen, ConsoleScreen,
    ::testing::Values(ScreenCase{"Clear", "CLS", {"clear"}, 0},
                      ScreenCase{"ClearWithArgument", "CLS 1", {}, 56},
                      ScreenCase{"LocateCountsFromOne", "LOCATE 3, 10", {"cursor 9,2"}, 0},
                      ScreenCase{"LocateTakesAnyNumber", "LOCATE f, c", {"cursor 64,1"}, 0},
                      // Found by fuzzing: the extreme values wrap around as 32-bit integers.
                      ScreenCase{"LocateLowestInteger", "LOCATE -2147483648, -2147483648",
                                 {"cursor 2147483647,2147483647"}, 0},
                      ScreenCase{"LocateOneArgument", "LOCATE 1", {}, 56},
                      ScreenCase{"LocateNotANumber", "LOCATE s, 1", {}, 19},
                      ScreenCase{"Foreground", "COLOR 14", {"attribute 14"}, 0},
                      ScreenCase{"ForegroundAndBackground", "COLOR 14, 1", {"attribute 30"}, 0},
                      ScreenCase{"BackgroundOnly", "COLOR , 2", {"attribute 32"}, 0},
                      ScreenCase{"Neither", "COLOR ,", {}, 0},
                      ScreenCase{"BackgroundHighestInteger", "COLOR 1, 2147483647", {"attribute 65521"}, 0},
                      ScreenCase{"ColourWithoutArguments", "COLOR", {}, 56},
                      ScreenCase{"ColourNotANumber", "COLOR 1, s", {}, 19},
                      ScreenCase{"OpenWithArgument", "CONSOLEOPEN 1", {}, 56},
                      ScreenCase{"CloseWithArgument", "CONSOLECLOSE 1", {}, 56}),
    [](const ::testing::TestParamInfo<ScreenCase>& info) { return std::string(info.param.name); });

// Key polling takes one pending key without waiting and never opens the console.
TEST_F(ConsoleProgram, ReadKey) {
    host.pendingKeys = {{'a', 0x41}, {'b', 0x42}};
    EXPECT_EQ(run("k1$ = INKEY\nk2$ = INKEY(1)\nk3$ = INKEY\nPRINT k1$, k2$, \"|\", k3$, \"|\""), 0);
    EXPECT_EQ(host.consoleOutput, "aB||\n");
    EXPECT_TRUE(host.pendingKeys.empty());
}

TEST_F(ConsoleProgram, ReadKeyWithoutKeyDoesNotOpenTheConsole) {
    EXPECT_EQ(run("INKEY\nINKEY 0"), 0);
    EXPECT_EQ(host.consoleOpens, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(k.resultString->base)), "");
}

TEST_F(ConsoleProgram, ReadKeyWithTwoArgumentsIs1) { EXPECT_EQ(run("INKEY 1, 2"), 1); }

}  // namespace

}  // namespace kestrun::test
