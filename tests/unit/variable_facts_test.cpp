// Sizes of values by type, the type behind a pointer, the array test and ZERO, against one
// program's variables; the size of a FILE variable with an open stream and without one.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine_fixture.h"

namespace kestrun::test {
namespace {

enum Code { kSizeOf = 65, kTargetType = 213, kIsArray = 214, kZero = 223 };

struct Case {
    int code;
    std::vector<Arg> args;
    int error;
    std::int32_t result;  // the INT result when error is 0
};

class VariableFacts : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        ASSERT_EQ(runProgram("TYPE point\n"
                             "  DIM x, y : INT\n"
                             "ENDTYPE\n"
                             "TYPE item\n"
                             "  DIM qty : INT\n"
                             "  DIM title : STRING\n"
                             "ENDTYPE\n"
                             "DIM ints[10] : INT\n"
                             "DIM d : DOUBLE\n"
                             "DIM s, empty : STRING\n"
                             "DIM names[3] : STRING\n"
                             "DIM w[3] : WORD\n"
                             "DIM big : INT64\n"
                             "DIM it : item\n"
                             "DIM shapes[4] : point\n"
                             "DIM m, shared : MEMORY\n"
                             "DIM f : FILE\n"
                             "DIM p, q, cleared : POINTER\n"
                             "DIM n, r : INT\n"
                             "s = \"hello\"\n"
                             "names[1] = \"ab\"\n"
                             "r = MEMALLOC(m, 10, 4)\n"
                             "shared = m\n"
                             "p = ALLOCATE(INT, 1)\n"
                             "q = ints\n"),
                  0);
    }
    void expectCases(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            const std::string what = std::to_string(c.code) + (c.args.empty() ? "" : " " + c.args[0].text);
            ASSERT_EQ(call(c.code, c.args), c.error) << what;
            if (c.error) continue;
            EXPECT_EQ(resultType(), TypeInt) << what;
            EXPECT_EQ(intResult(), c.result) << what;
        }
    }
};

TEST_F(VariableFacts, SizesByType) {
    expectCases({
        {kSizeOf, {V("ints")}, 0, 40},
        {kSizeOf, {V("ints[3]")}, 0, 40},  // the whole array whatever element is named
        {kSizeOf, {V("d")}, 0, 8},
        {kSizeOf, {V("s")}, 0, 5},         // characters of a string
        {kSizeOf, {V("empty")}, 0, 0},
        {kSizeOf, {S("abc")}, 0, 3},
        {kSizeOf, {V("names[1]")}, 0, 2},
        {kSizeOf, {V("w")}, 0, 6},
        {kSizeOf, {V("big")}, 0, 8},
        {kSizeOf, {V("n")}, 0, 4},
        {kSizeOf, {V("p")}, 0, 4},
        {kSizeOf, {V("it")}, 0, 259},      // INT and a 255-byte STRING, no padding
        {kSizeOf, {V("shapes")}, 0, 8},    // the record size of one element
        {kSizeOf, {V("shapes[3]")}, 0, 8},
        {kSizeOf, {V("m")}, 0, 40},        // the recorded block size
        {kSizeOf, {V("shared")}, 0, 0},    // a block got by assignment has none recorded
        {kSizeOf, {N("5")}, 10, 0},        // a literal is looked up as a name
        {kSizeOf, {X("n+1")}, 10, 0},
        {kSizeOf, {V("nosuch")}, 10, 0},
        {kSizeOf, {V("f")}, 52, 0},        // no open file
        {kSizeOf, {}, 56, 0},
        {kSizeOf, {V("n"), V("d")}, 56, 0},
    });
}

TEST_F(VariableFacts, SizeOfAnOpenFileKeepsItsPosition) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(k.openStreams.addTail(stream));  // owned by the program from here on
    const std::string bytes(123, 'x');
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), stream), bytes.size());
    ASSERT_EQ(std::fseek(stream, 10, SEEK_SET), 0);
    std::memcpy(find("f")->data, &stream, sizeof stream);

    expectCases({{kSizeOf, {V("f")}, 0, 123}});
    EXPECT_EQ(std::ftell(stream), 10);

    // A stream read to its end still reports its end afterwards.
    while (std::fgetc(stream) != EOF) {
    }
    ASSERT_TRUE(std::feof(stream));
    expectCases({{kSizeOf, {V("f")}, 0, 123}});
    EXPECT_TRUE(std::feof(stream));
    EXPECT_EQ(std::ftell(stream), 123);

    // A number stored where a stream belongs is no open file.
    ASSERT_EQ(runLine("f = 4096"), 0);
    expectCases({{kSizeOf, {V("f")}, 52, 0}});
}

TEST_F(VariableFacts, PointerTargetTypeAndArrayTest) {
    expectCases({
        {kTargetType, {V("p")}, 0, TypeInt},
        {kTargetType, {V("q")}, 0, TypeInt},
        {kTargetType, {V("cleared")}, 0, -1},
        {kTargetType, {V("n")}, 14, 0},
        {kTargetType, {}, 56, 0},
        {kIsArray, {V("s")}, 0, 1},        // strings are arrays of bytes
        {kIsArray, {V("n")}, 0, 0},
        {kIsArray, {V("ints")}, 0, 1},
        {kIsArray, {V("q")}, 0, 1},        // a pointer answers for its target
        {kIsArray, {V("p")}, 0, 0},
        {kIsArray, {V("cleared")}, 0, 0},
        {kIsArray, {N("5")}, 0, 0},
        {kIsArray, {V("n"), V("s")}, 56, 0},
        {kZero, {}, 0, 0},
        {kZero, {N("1")}, 1, 0},
    });
    ASSERT_EQ(runLine("FREEPOINTER p"), 0);
    expectCases({{kTargetType, {V("p")}, 0, -1}});
}

}  // namespace
}  // namespace kestrun::test
