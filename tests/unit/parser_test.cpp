// The statement parser: argument splitting and classification, assignments, call rewriting and
// the limits of the argument block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core_harness.h"

namespace kestrun::test {
namespace {

const std::string kPrint = "\xFF\xE0\xE0 ";        // code 0
const std::string kIf = "\xFF\xE0\xE6 ";           // code 6
const std::string kCase = "\xFF\xE2\xEA ";         // code 42
const std::string kSub = "\xFF\xE3\xE8 ";          // code 56

class Parser : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(k.initialise()); }

    // Parses a copy of line; returns the parser's result.
    int parse(const std::string& line) {
        buffer.assign(line.begin(), line.end());
        buffer.push_back('\0');
        k.errorCode = 0;
        return k.parseStatement(k.mainStatement, buffer.data());
    }
    std::vector<std::string> args() const {
        std::vector<std::string> out;
        for (int i = 0; i < k.mainStatement->argCount; ++i) out.emplace_back(k.mainStatement->args[i]);
        return out;
    }
    std::vector<int> kinds() const {
        std::vector<int> out;
        for (int i = 0; i < k.mainStatement->argCount; ++i) out.push_back(k.mainStatement->argKinds[i]);
        return out;
    }

    RecordingHost host;
    Kestrun k{host};
    std::vector<char> buffer;
};

TEST_F(Parser, ClassifiesCommandArguments) {
    ASSERT_EQ(parse(kPrint + "1.5, -1, a, a[2], #p, \"x\", \"x\"+y, (a), a+1, _, "), 0);
    EXPECT_EQ(k.mainStatement->code, 0);
    EXPECT_EQ(kinds(), (std::vector<int>{0, 3, 2, 2, 2, 1, 3, 3, 3, 4, 4}));
    EXPECT_EQ(args()[1], " -1");  // blanks after a comma are kept
}

TEST_F(Parser, SplitsOnlyAtTopLevelCommas) {
    struct Case {
        std::string line;
        std::vector<std::string> args;
    } cases[] = {
        {kPrint + "f(a, b)", {"f(a, b)"}},
        {kPrint + "\"a,b\"", {"\"a,b\""}},
        {kPrint + "a[1, 2]", {"a[1, 2]"}},
        {kPrint + "(a, b)", {"a", " b "}},            // outer parentheses become blanks
        {kPrint + "(a)+1, b", {"(a)+1", " b"}},
        {kPrint + "(a), (b)", {"(a)", " (b)"}},
        {kIf + "(1, 2)", {"(1, 2)"}},                  // not for the conditional and case lines
        {kCase + "(1, 2)", {"(1, 2)"}},
        {kPrint + "", {}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(parse(c.line), 0) << c.line;
        EXPECT_EQ(args(), c.args) << c.line;
    }
    ASSERT_EQ(parse(kIf + "(1, 2)"), 0);
    EXPECT_EQ(kinds(), std::vector<int>{3});
}

TEST_F(Parser, KeepsTwentyFiveArguments) {
    std::string line = kPrint;
    for (int i = 1; i <= 30; ++i) line += (i > 1 ? "," : "") + std::to_string(i);
    ASSERT_EQ(parse(line), 0);
    EXPECT_EQ(k.mainStatement->argCount, 25);
    EXPECT_EQ(args()[24], "25");
}

TEST_F(Parser, UnbalancedParenthesesGiveError18) {
    for (const char* text : {"(1, 2", "f(a", "a)", "\"(\", (b"}) {
        EXPECT_EQ(parse(kPrint + text), 1) << text;
        EXPECT_EQ(k.errorCode, 18) << text;
    }
    EXPECT_EQ(parse(kPrint + "\"(\", b"), 0);  // parentheses inside quotes do not count
}

TEST_F(Parser, ClassifiesAssignedValues) {
    struct Case {
        const char* line;
        const char* target;
        const char* value;
        int kind;
    } cases[] = {
        {"x = 5", "x", "5", 0},
        {"x = -5", "x", "-5", 3},
        {"x = .5", "x", ".5", 0},
        {"x = \"a\"", "x", "\"a\"", 1},
        {"x = \"a\" - 1", "x", "\"a\" - 1", 1},      // only "+" after a string makes an expression
        {"x = \"a\" + b", "x", "\"a\" + b", 3},
        {"x = a", "x", "a", 2},
        {"x = ab", "x", "ab", 2},
        {"x = a[i+1]", "x", "a[i+1]", 2},             // an operator inside the index does not count
        {"x = a[i+1]*2", "x", "a[i+1]*2", 3},
        {"x = f(\"-\")", "x", "f(\"-\")", 3},
        {"x = s.name", "x", "s.name", 2},
        {"x = (a)", "x", "(a)", 3},
        {"x = \xFE\xE0\xE5", "x", "\xFE\xE0\xE5", 3},
        {"x = _", "x", "_", 4},
        {"  a[1, 2] \t= 7  ", "a[1, 2]", "7", 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(parse(c.line), 0) << c.line;
        EXPECT_EQ(k.mainStatement->code, 20) << c.line;
        ASSERT_EQ(k.mainStatement->argCount, 2) << c.line;
        EXPECT_STREQ(k.mainStatement->args[0], c.target) << c.line;
        EXPECT_STREQ(k.mainStatement->args[1], c.value) << c.line;
        EXPECT_EQ(k.mainStatement->argKinds[1], c.kind) << c.line;
    }
}

TEST_F(Parser, RewritesCallsOfSubroutines) {
    char name[] = "mysub";
    ASSERT_NE(k.createVariable(name, TypeLabel, 0, nullptr), nullptr);
    struct Case {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"mysub(1, 2)", {"mysub", "1", " 2 "}},
        {"mysub 1, 2", {"mysub", "1", " 2"}},
        {"mysub", {"mysub"}},
        {"mysub ()", {"mysub"}},
        {"mysub()", {"mysub"}},  // empty parentheses right after the name: no argument either
        {"mysub( )", {"mysub"}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(parse(c.line), 0) << c.line;
        EXPECT_EQ(k.mainStatement->code, 44) << c.line;
        EXPECT_EQ(args(), c.args) << c.line;
    }
    Variable* external = k.createVariable("ext", TypeLabel, 0, nullptr);
    external->isExternal = 1;
    ASSERT_EQ(parse("ext 1"), 0);
    EXPECT_EQ(k.mainStatement->code, 120);
}

TEST_F(Parser, RefusesCallsOfOtherNames) {
    ASSERT_NE(k.createVariable("n", TypeInt, 1, nullptr), nullptr);
    for (const char* line : {"n", "nowhere 1", "(x)"}) {
        EXPECT_EQ(parse(line), 1) << line;
        EXPECT_EQ(k.errorCode, 1) << line;
    }
    k.initialised = 0;  // while labels are indexed no call is rewritten
    ASSERT_NE(k.createVariable("sub1", TypeLabel, 0, nullptr), nullptr);
    EXPECT_EQ(parse("sub1"), 1);
}

TEST_F(Parser, LongLinesStopWithError1InsteadOfOverrunning) {
    // The last argument may run on into the following slots.
    ASSERT_EQ(parse(kPrint + std::string(2000, 'a')), 0);
    EXPECT_EQ(std::string(k.mainStatement->args[0]), std::string(2000, 'a'));
    // An argument that ran on may not be followed by another one.
    EXPECT_EQ(parse(kPrint + std::string(300, 'a') + ", b"), 1);
    EXPECT_EQ(k.errorCode, 1);
    // More text than the whole argument block.
    EXPECT_EQ(parse(kPrint + std::string(7000, 'a')), 1);
    EXPECT_EQ(parse("x = " + std::string(7000, 'a')), 1);
    EXPECT_EQ(parse(std::string(300, 'x') + " = 1"), 1);  // target longer than its slot
    // A call that does not fit the rewriting buffer.
    ASSERT_NE(k.createVariable("s", TypeLabel, 0, nullptr), nullptr);
    EXPECT_EQ(parse("s " + std::string(300, '1')), 1);
    EXPECT_EQ(k.errorCode, 1);
    EXPECT_EQ(parse("s " + std::string(200, '1')), 0);
}

TEST_F(Parser, RejectsDamagedTokens) {
    EXPECT_EQ(parse(std::string("\xFF")), 1);
    EXPECT_EQ(parse(std::string("\xFF\xE0")), 1);
    ASSERT_EQ(parse(std::string("\xFF\xEF\xEF")), 0);  // code 255: the handler table refuses it
    EXPECT_EQ(k.dispatch(k.mainStatement), nullptr);
    EXPECT_EQ(k.errorCode, 1);
}

}  // namespace
}  // namespace kestrun::test
