// Argument evaluation: every view of a fetched value and the wanted-type checks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core_harness.h"

namespace kestrun::test {
namespace {

class Arguments : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(k.initialise()); }

    // Parses a PRINT line with the given argument text so that argument kinds come from the parser.
    void parseArgs(const std::string& text) {
        line = "\xFF\xE0\xE0 " + text;
        buffer.assign(line.begin(), line.end());
        buffer.push_back('\0');
        ASSERT_EQ(k.parseStatement(k.mainStatement, buffer.data()), 0) << text;
    }
    ArgValue* fetch(int i, int wanted) {
        k.errorCode = 0;
        return k.getArg(value, k.mainStatement, i, wanted);
    }
    template <typename T>
    Variable* variable(const char* name, std::uint8_t type, T stored) {
        Variable* v = k.createVariable(name, type, 1, nullptr);
        std::memcpy(v->data, &stored, sizeof stored);
        return v;
    }

    RecordingHost host;
    Kestrun k{host};
    ArgValue value;
    std::string line;
    std::vector<char> buffer;
};

TEST_F(Arguments, NumberLiterals) {
    struct Case {
        const char* text;
        std::uint8_t type;
        std::int32_t i;
        std::int64_t i64;
        double d;
    } cases[] = {
        {"1.5", TypeFloat, 1, 1, 1.5},
        {"0x1F", TypeInt, 31, 31, 31},
        {"0xFFFFFFFF", TypeInt, -1, 4294967295LL, -1},
        {"42", TypeInt, 42, 42, 42},
        {"5000000000", TypeInt64, 705032704, 5000000000LL, 5000000000.0},
        {"2147483647", TypeInt, 2147483647, 2147483647, 2147483647.0},
    };
    for (const Case& c : cases) {
        parseArgs(c.text);
        ASSERT_NE(fetch(0, WantAny), nullptr) << c.text;
        EXPECT_EQ(value.valueType, c.type) << c.text;
        EXPECT_EQ(value.intValue, c.i) << c.text;
        EXPECT_EQ(value.int64Value, c.i64) << c.text;
        EXPECT_DOUBLE_EQ(value.doubleValue, c.d) << c.text;
    }
}

TEST_F(Arguments, NumbersStandForWindowsWhereAWindowIsWanted) {
    parseArgs("4660, 0");
    ASSERT_NE(fetch(0, WantWindowOrDialog), nullptr);
    EXPECT_EQ(value.valueType, TypeWindow);
    EXPECT_EQ(value.object, 4660u);
    ASSERT_NE(fetch(1, TypeWindow), nullptr);
    EXPECT_EQ(value.object, 0u);
}

TEST_F(Arguments, StringLiteralsAreConsumedOnce) {
    parseArgs("\"say \"hi\"\", \"plain\"");
    ASSERT_NE(fetch(0, TypeString), nullptr);
    EXPECT_STREQ(value.text, "say \"hi\"");  // inner quotes stay part of the value
    ASSERT_NE(fetch(1, TypeString), nullptr);
    EXPECT_STREQ(value.text, "plain");
    EXPECT_EQ(fetch(1, TypeString), nullptr);  // its closing quote is gone
    EXPECT_EQ(k.errorCode, 1);
    parseArgs("\"open");
    EXPECT_EQ(fetch(0, TypeString), nullptr);  // no closing quote
    EXPECT_EQ(k.errorCode, 1);
}

TEST_F(Arguments, VariablesGiveEveryView) {
    variable("fl", TypeFloat, -2.7f);
    variable("ch", TypeChar, static_cast<std::uint8_t>('A'));
    variable("u", TypeUInt, 0xFFFFFFFFu);
    variable("w", TypeWord, static_cast<std::uint16_t>(65535));
    variable("q", TypeInt64, static_cast<std::int64_t>(-5000000000LL));
    variable("d", TypeDouble, 2.5);
    struct Case {
        const char* name;
        std::int32_t i;
        double d;
    } cases[] = {
        {"fl", -2, -2.700000047683716}, {"ch", 65, 65}, {"u", -1, 4294967295.0},
        {"w", 65535, 65535},             {"q", -705032704, -5000000000.0}, {"d", 2, 2.5},
    };
    for (const Case& c : cases) {
        parseArgs(c.name);
        ASSERT_NE(fetch(0, WantAnyNumber), nullptr) << c.name;
        EXPECT_EQ(value.intValue, c.i) << c.name;
        EXPECT_NEAR(value.doubleValue, c.d, 1e-9) << c.name;
        EXPECT_NE(value.variable, nullptr) << c.name;
        EXPECT_EQ(value.address, value.variable->data) << c.name;
    }
}

TEST_F(Arguments, WantedTypesAreChecked) {
    Variable* s = k.createVariable("s", TypeString, 1, nullptr);
    std::strcpy(reinterpret_cast<char*>(s->data), "text");
    k.createVariable("lbl", TypeLabel, 0, nullptr);
    struct Case {
        const char* args;
        int index;
        int wanted;
        int error;
    } cases[] = {
        {"s", 0, TypeInt, 20},       {"s", 0, TypeFloat, 14},     {"s", 0, WantAnyNumber, 19},
        {"s", 0, TypeString, 0},     {"1.5", 0, TypeInt, 20},     {"1", 0, TypeUInt, 14},
        {"1, 2", 2, WantAny, 56},    {"lbl", 0, WantAny, 1},      {"nowhere", 0, WantAny, 10},
        {"_", 0, WantAny, 1},        {"1", 0, WantWindowOrDialog, 0},
    };
    for (const Case& c : cases) {
        parseArgs(c.args);
        ArgValue* got = fetch(c.index, c.wanted);
        EXPECT_EQ(k.errorCode, c.error) << c.args << " wanted " << c.wanted;
        EXPECT_EQ(got != nullptr, c.error == 0) << c.args;
    }
}

TEST_F(Arguments, ExpressionsGiveDoubles) {
    parseArgs("-1");
    ASSERT_EQ(k.mainStatement->argKinds[0], ArgExpression);
    ASSERT_NE(fetch(0, WantAnyNumber), nullptr);
    EXPECT_EQ(value.valueType, TypeDouble);
    EXPECT_EQ(value.intValue, -1);
    EXPECT_DOUBLE_EQ(value.doubleValue, -1);
}

}  // namespace
}  // namespace kestrun::test
