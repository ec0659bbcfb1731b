// The string and conversion functions and the picture formatter: results and errors as tables of
// cases, in-place overwriting, the decimal-places setting, and the bounds of the joins and the
// picture output.
#include <string>
#include <vector>

#include "engine_fixture.h"

namespace kestrun::test {
namespace {

enum Code {
    kHex = 53, kMid = 61, kLeft = 62, kRight = 63, kConcat = 64, kAsc = 68, kChr = 69, kVal = 73,
    kLTrim = 84, kRTrim = 85, kUCase = 121, kLCase = 122, kOverwrite = 204, kFormat = 215,
    kSetPrecision = 37,
};

struct TextCase {
    int code;
    std::vector<Arg> args;
    std::string expected;
};

using StringFunctions = EngineFixture;

TEST_F(StringFunctions, TextResults) {
    const TextCase cases[] = {
        {kMid, {S("hello"), N("2"), N("3")}, "ell"},
        {kMid, {S("hello"), N("3")}, "llo"},
        {kMid, {S("hello"), N("9")}, ""},
        {kMid, {S("hello"), N("2"), N("0")}, ""},
        {kMid, {S("hello"), N("4"), N("99")}, "lo"},
        {kLeft, {S("hello"), N("2")}, "he"},
        {kLeft, {S("hello"), N("10")}, "hello"},
        {kLeft, {S("hello"), N("0")}, ""},
        {kRight, {S("hello"), N("2")}, "lo"},
        {kRight, {S("hello"), N("0")}, ""},
        {kRight, {S("hi"), N("5")}, "hi"},
        {kConcat, {S("ab"), S("cd"), S("e")}, "abcde"},
        {kConcat, {S("")}, ""},
        {kChr, {N("65")}, "A"},
        {kChr, {N("321")}, "A"},  // the low 8 bits
        {kChr, {N("0")}, ""},
        {kLTrim, {S(" \t ab ")}, "ab "},
        {kLTrim, {S("\nab")}, "\nab"},  // blanks and tabs only
        {kRTrim, {S(" ab \t\r\n\v\f")}, " ab"},
        {kUCase, {S("aBz1~")}, "ABZ1~"},
        {kLCase, {S("AbZ1@[")}, "abz1@["},
        {kHex, {N("255")}, "FF"},
        {kHex, {N("0")}, "0"},
        {kHex, {X("-1")}, "FFFFFFFFFFFFFFFF"},
        {kHex, {N("0xFFFFFFFF")}, "FFFFFFFF"},  // a hexadecimal literal keeps its unsigned value
        {kHex, {N("4294967296")}, "100000000"},
    };
    for (const TextCase& c : cases) {
        ASSERT_EQ(call(c.code, c.args), 0) << c.code << " " << c.expected;
        EXPECT_EQ(resultType(), TypeString) << c.code;
        EXPECT_EQ(stringResult(), c.expected) << c.code;
    }
}

TEST_F(StringFunctions, HexOfAnIntVariableIsSignExtended) {
    ASSERT_NE(k.createVariable("n", TypeInt, 1, nullptr), nullptr);
    ASSERT_EQ(runLine("n = -1"), 0);
    ASSERT_EQ(call(kHex, {V("n")}), 0);
    EXPECT_EQ(stringResult(), "FFFFFFFFFFFFFFFF");
}

TEST_F(StringFunctions, NumberResults) {
    struct Case {
        int code;
        std::vector<Arg> args;
        double expected;
        std::int32_t type;
    } cases[] = {
        {kAsc, {S("A")}, 65, TypeInt},
        {kAsc, {S("")}, 0, TypeInt},
        {kAsc, {S("\xE9")}, 233, TypeInt},  // codes are unsigned
        {kVal, {S("  3.5abc")}, 3.5, TypeDouble},
        {kVal, {S("abc12")}, 0, TypeDouble},
        {kVal, {S("-2e3x")}, -2000, TypeDouble},
        {kVal, {S("1e")}, 1, TypeDouble},
        {kVal, {S("0x1F")}, 0, TypeDouble},  // decimal only
        {kVal, {S("inf")}, 0, TypeDouble},
        {kVal, {S(".5")}, 0.5, TypeDouble},
        {kVal, {S("")}, 0, TypeDouble},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(call(c.code, c.args), 0) << c.code << " " << c.args[0].text;
        EXPECT_EQ(resultType(), c.type) << c.args[0].text;
        EXPECT_EQ(c.type == TypeInt ? intResult() : doubleResult(), c.expected) << c.args[0].text;
    }
}

TEST_F(StringFunctions, Errors) {
    struct Case {
        int code;
        std::vector<Arg> args;
        int error;
    } cases[] = {
        {kMid, {S("hello"), N("0")}, 46},
        {kMid, {S("hello"), N("2"), X("-1")}, 46},
        {kMid, {S("hello")}, 56},
        {kMid, {S("a"), N("1"), N("1"), N("1")}, 56},
        {kMid, {N("5"), N("1")}, 14},
        {kMid, {S("hello"), S("2")}, 19},
        {kLeft, {S("hello"), X("-1")}, 46},
        {kLeft, {S("hello")}, 56},
        {kRight, {S("hello"), X("-1")}, 46},
        {kConcat, {}, 56},
        {kConcat, {S("a"), N("1")}, 14},
        {kAsc, {}, 56},
        {kAsc, {S("a"), S("b")}, 56},
        {kChr, {S("a")}, 19},
        {kVal, {N("5")}, 14},
        {kLTrim, {}, 56},
        {kUCase, {N("1")}, 14},
        {kHex, {S("1")}, 19},
        {kOverwrite, {S("a"), N("1"), N("1")}, 56},
        {kSetPrecision, {}, 56},
        {kSetPrecision, {S("3")}, 19},
    };
    for (const Case& c : cases) EXPECT_EQ(call(c.code, c.args), c.error) << c.code << " " << c.args.size();
}

TEST_F(StringFunctions, OverwriteChangesCharactersInPlaceNeverTheLength) {
    struct Case {
        const char* line;
        const char* expected;
    } cases[] = {
        {"OVERWRITE s, 3, 10, \"XY\"", "abXYef"},   // the replacement ends
        {"OVERWRITE s, 3, 1, \"XY\"", "abXdef"},    // the count ends
        {"OVERWRITE s, 5, 10, \"XYZ\"", "abcdXY"},  // the text ends
        {"OVERWRITE s, 7, 1, \"X\"", "abcdef"},     // beyond the end
        {"OVERWRITE s, 0, 1, \"X\"", "abcdef"},
        {"OVERWRITE s, 1, 0, \"X\"", "abcdef"},
        {"OVERWRITE s, 1, -3, \"X\"", "abcdef"},
        {"OVERWRITE s, 1, 5, \"\"", "abcdef"},
    };
    ASSERT_EQ(runLine("DIM s : STRING"), 0);
    for (const Case& c : cases) {
        ASSERT_EQ(runLine("s = \"abcdef\""), 0);
        ASSERT_EQ(runLine(c.line), 0) << c.line;
        EXPECT_EQ(text("s"), c.expected) << c.line;
        EXPECT_EQ(resultType(), kNoResult);
    }
}

TEST_F(StringFunctions, OverwriteOneElementOfAStringArray) {
    ASSERT_EQ(runLine("DIM names[3] : STRING"), 0);
    ASSERT_EQ(runLine("names[1] = \"abc\""), 0);
    ASSERT_EQ(runLine("names[2] = \"def\""), 0);
    ASSERT_EQ(runLine("OVERWRITE names[1], 2, 5, \"XYZW\""), 0);
    EXPECT_EQ(text("names[1]"), "aXY");
    EXPECT_EQ(text("names[2]"), "def");
}

TEST_F(StringFunctions, PictureFields) {
    const TextCase cases[] = {
        {kFormat, {S("###.##"), N("3.14159")}, "  3.14"},
        {kFormat, {S("-###"), N("7")}, "7  "},
        {kFormat, {S("0###"), N("7")}, "007"},
        {kFormat, {S("0###"), X("-7")}, "-007"},
        {kFormat, {S(",#######"), N("1234567")}, "1,234,567"},
        {kFormat, {S(",######"), N("1234")}, "  1,234"},
        {kFormat, {S(",######"), X("-12345")}, "-12,345"},
        {kFormat, {S(",###"), N("123")}, "123"},
        {kFormat, {S(",0#######"), N("1234")}, "0,001,234"},
        {kFormat, {S("-,#######"), N("1234")}, "1,234   "},
        {kFormat, {S(",#####.##"), N("12345.678")}, "12,345.68"},
        {kFormat, {S("0##.#"), N("3.14")}, "03.1"},
        {kFormat, {S("##"), N("12345")}, "12345"},       // a field grows to fit its number
        {kFormat, {S("##"), N("3.99")}, " 3"},           // truncated without a point
        {kFormat, {S("##."), N("3.99")}, "  4"},         // rounded with a point
        {kFormat, {S("############"), N("12345678901")}, " 12345678901"},
        {kFormat, {S("Total: ###!"), N("5")}, "Total:   5!"},
        {kFormat, {S("a-b.c,d0e"), N("1")}, "abcde"},    // the flag characters never show
        {kFormat, {S("& is ##"), S("x"), N("42")}, "x is 42"},
        {kFormat, {S("##&##"), N("1"), S("/"), N("2")}, " 1/ 2"},
        {kFormat, {S("no fields"), N("1")}, "no fields"},
    };
    for (const TextCase& c : cases) {
        ASSERT_EQ(call(c.code, c.args), 0) << c.args[0].text;
        EXPECT_EQ(resultType(), TypeString);
        EXPECT_EQ(stringResult(), c.expected) << c.args[0].text;
    }
}

TEST_F(StringFunctions, PictureErrors) {
    struct Case {
        std::vector<Arg> args;
        int error;
    } cases[] = {
        {{S("##")}, 56},                  // no value at all
        {{S("## ##"), N("5")}, 56},       // a field without a value left
        {{S("##"), S("a")}, 19},
        {{S("&"), N("5")}, 14},
        {{N("5"), N("5")}, 14},
        {{S("& &"), S("a")}, 56},
    };
    for (const Case& c : cases) EXPECT_EQ(call(kFormat, c.args), c.error) << c.args[0].text;
}

TEST_F(StringFunctions, SetPrecisionSetsDecimalPrec) {
    ASSERT_EQ(runLine("SETPRECISION 4"), 0);
    EXPECT_EQ(k.decimalPrecision, 4);
    ASSERT_EQ(runLine("SETPRECISION 1.9"), 0);
    EXPECT_EQ(k.decimalPrecision, 1);
    EXPECT_EQ(value<std::int32_t>("DECIMAL_PREC"), 1);
}

TEST_F(StringFunctions, ThroughExpressionsAndVariables) {
    ASSERT_EQ(runLine("DIM s : STRING"), 0);
    ASSERT_EQ(runLine("DIM t : STRING"), 0);
    ASSERT_EQ(runLine("t = \"world\""), 0);
    ASSERT_EQ(runLine("s = LEFT(\"hello\", 2) + MID(t, 2, 3) + UCASE(RIGHT(t, 1))"), 0);
    EXPECT_EQ(text("s"), "heorlD");
    ASSERT_EQ(runLine("s = CONCAT(t, \", \", FORMAT(\"##.#\", 2.75))"), 0);
    EXPECT_EQ(text("s"), "world,  2.8");
    ASSERT_EQ(runLine("DIM n : INT"), 0);
    ASSERT_EQ(runLine("n = ASC(CHR(66)) + VAL(\"10\")"), 0);
    EXPECT_EQ(value<std::int32_t>("n"), 76);
    // A string variable as the text of MID keeps to its own storage.
    ASSERT_EQ(runLine("s = MID(t, 3)"), 0);
    EXPECT_EQ(text("s"), "rld");
}

TEST_F(StringFunctions, JoinsAreCutAtTheCapacityOfTheResult) {
    setStringResult(std::string(40000, 'a'));
    ASSERT_EQ(call(kConcat, {V("SYSTEM_STRING0"), S("b"), V("SYSTEM_STRING0")}), 0);
    const std::string joined = stringResult();
    ASSERT_EQ(joined.size(), 65535u);
    EXPECT_EQ(joined[39999], 'a');
    EXPECT_EQ(joined[40000], 'b');
    EXPECT_EQ(joined.find_first_not_of('a', 40001), std::string::npos);
}

TEST_F(StringFunctions, PictureOutputIsCutAtTheCapacityOfTheResult) {
    // The picture itself is 39999 characters, then "&" takes the picture's text once more.
    setStringResult(std::string(39999, 'x') + "&");
    ASSERT_EQ(call(kFormat, {V("SYSTEM_STRING0"), V("SYSTEM_STRING0")}), 0);
    EXPECT_EQ(stringResult().size(), 65535u);

    // A numeric field wider than the room left.
    setStringResult("&" + std::string(40000, '#'));
    ASSERT_EQ(call(kFormat, {V("SYSTEM_STRING0"), V("SYSTEM_STRING0"), N("7")}), 0);
    const std::string out = stringResult();
    EXPECT_EQ(out.size(), 65535u);
    EXPECT_EQ(out.substr(0, 2), "&#");

    // A thousands field that fits without its commas but not with them.
    setStringResult(std::string(65520, 'y') + "&,#######");
    ASSERT_EQ(call(kFormat, {V("SYSTEM_STRING0"), S("12345678"), N("1234567")}), 0);
    EXPECT_EQ(stringResult(), std::string(65520, 'y') + "12345678" + "1,234,5");
}

TEST_F(StringFunctions, PictureValuesMayCallFunctionsThatUseTheWorkText) {
    // The picture formatter holds the work text while a value's expression calls CONCAT.
    ASSERT_EQ(runLine("FORMAT \"## & ##\", 1, CONCAT(\"a\", \"b\"), 2"), 0);
    EXPECT_EQ(stringResult(), " 1 ab  2");
}

}  // namespace
}  // namespace kestrun::test
