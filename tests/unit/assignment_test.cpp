// Assignment: the conversion matrix by value kind, automatic declaration, constants, several
// values into arrays, bounded string stores, member-wise record copies, and the switch of
// automatic declaration.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core_harness.h"
#include "engine_fixture.h"

namespace kestrun::test {
namespace {

// What an element holds after a store: an integer (CHAR, WORD, UINT zero-extended; INT, INT64
// signed; UINT64 as its bits) or a real, or the store failed with an error.
struct Expect {
    int error;
    long long integer;
    double real;
};
Expect I(long long v) { return {0, v, 0}; }
Expect R(double v) { return {0, 0, v}; }
const Expect E11{11, 0, 0};

bool isReal(std::uint8_t type) { return type == TypeFloat || type == TypeDouble; }

class Assign : public EngineFixture {
protected:
    int run(const std::string& text) { return runImageLine(text); }
    // The LET command line (code 20): a target followed by several values.
    int let(const std::string& args) { return run("\xFF\xE1\xE4 " + args); }

    Variable* create(const char* name, std::uint8_t type, std::uint32_t count = 1) {
        k.errorCode = 0;
        Variable* v = k.createVariable(name, type, count, nullptr);
        EXPECT_NE(v, nullptr) << name;
        return v;
    }
    template <typename T>
    void put(Variable* v, T value) {
        std::memcpy(v->data, &value, sizeof value);
    }
    template <typename T>
    T get(const std::string& name) {
        Variable* v = find(name);
        T value{};
        if (v && v->data) std::memcpy(&value, v->data, sizeof value);
        return value;
    }

    // Stores a number into a numeric variable in its own representation.
    void putNumber(Variable* v, double d, long long i) {
        switch (v->type) {
            case TypeChar: put(v, static_cast<std::uint8_t>(i)); break;
            case TypeWord: put(v, static_cast<std::uint16_t>(i)); break;
            case TypeInt: put(v, static_cast<std::int32_t>(i)); break;
            case TypeUInt: put(v, static_cast<std::uint32_t>(i)); break;
            case TypeInt64: case TypeUInt64: put(v, static_cast<std::int64_t>(i)); break;
            case TypeFloat: put(v, static_cast<float>(d)); break;
            case TypeDouble: put(v, d); break;
            default: FAIL() << "not a number type";
        }
    }
    void expectNumber(const std::string& name, const Expect& e, const std::string& what) {
        Variable* v = find(name);
        ASSERT_NE(v, nullptr) << what;
        switch (v->type) {
            case TypeChar: EXPECT_EQ(get<std::uint8_t>(name), e.integer) << what; break;
            case TypeWord: EXPECT_EQ(get<std::uint16_t>(name), e.integer) << what; break;
            case TypeInt: EXPECT_EQ(get<std::int32_t>(name), e.integer) << what; break;
            case TypeUInt: EXPECT_EQ(get<std::uint32_t>(name), e.integer) << what; break;
            case TypeInt64: case TypeUInt64: EXPECT_EQ(get<std::int64_t>(name), e.integer) << what; break;
            case TypeFloat: EXPECT_EQ(get<float>(name), static_cast<float>(e.real)) << what; break;
            case TypeDouble: EXPECT_EQ(get<double>(name), e.real) << what; break;
            default: EXPECT_EQ(get<std::uint32_t>(name), e.integer) << what; break;
        }
    }

    // A record: a USER_0 variable whose element refers to a member list (an empty head followed
    // by one Variable per member), as declarations build them.
    Variable* record(const char* name, std::initializer_list<std::pair<const char*, std::uint8_t>> members,
                     Variable* chain = nullptr) {
        k.errorCode = 0;
        Variable* r = k.createVariable(name, TypeUser, 1, chain);
        EXPECT_NE(r, nullptr) << name;
        Variable* head = static_cast<Variable*>(std::calloc(1, sizeof(Variable)));
        for (const auto& m : members) EXPECT_NE(k.createVariable(m.first, m.second, 1, head), nullptr) << m.first;
        std::memcpy(r->data, &head, sizeof head);
        return r;
    }
    Variable* membersOf(Variable* r) {
        Variable* head;
        std::memcpy(&head, r->data, sizeof head);
        return head;
    }
};

const char* typeName(std::uint8_t t) { return kVarTypes[t].name; }

// ---- The matrix ------------------------------------------------------------------------------

TEST_F(Assign, NumbersConvertBetweenTypesByTheMatrix) {
    // One value per source type; a row of expected results per source, one column per target.
    const std::uint8_t targets[] = {TypeChar, TypeInt, TypeFloat, TypeDouble, TypeWord, TypeInt64, TypeUInt64, TypeUInt};
    const long long u64 = static_cast<long long>(0x8000000000000001ull);
    struct Row {
        std::uint8_t source;
        double d;
        long long i;
        Expect to[8];  // CHAR, INT, FLOAT, DOUBLE, WORD, INT64, UINT64, UINT
    } rows[] = {
        {TypeChar, 0, 200, {I(200), I(200), R(200), R(200), I(200), I(200), I(200), I(200)}},
        {TypeInt, 0, -16777217,
         {I(255), I(-16777217), R(-16777216.0), R(-16777217.0), I(65535), I(-16777217), I(-16777217), I(4278190079)}},
        {TypeFloat, -2.75, 0, {I(254), I(-2), R(-2.75), R(-2.75), I(65534), I(-2), I(-2), I(4294967294)}},
        {TypeWord, 0, 65535, {I(255), I(65535), R(65535), R(65535), I(65535), I(65535), I(65535), I(65535)}},
        {TypeDouble, -300.7, 0,
         {I(212), I(-300), R(-300.7), R(-300.7), I(65236), I(-300), I(-300), I(4294966996)}},
        {TypeInt64, 0, -5, {E11, E11, E11, R(-5), E11, I(-5), I(-5), E11}},
        {TypeUInt64, 0, u64, {E11, E11, E11, R(-9223372036854775807.0), E11, I(u64), I(u64), E11}},
        {TypeUInt, 0, 4294967295,
         {I(255), I(-1), R(4294967296.0), R(4294967295.0), E11, I(4294967295), I(4294967295), I(4294967295)}},
    };
    for (const Row& row : rows) {
        for (int t = 0; t < 8; ++t) {
            SetUp();  // a fresh run for every pair: initialise releases the previous variables
            putNumber(create("src", row.source), row.d, row.i);
            create("dst", targets[t]);
            const std::string what = std::string(typeName(row.source)) + " -> " + typeName(targets[t]);
            const Expect& e = row.source == targets[t] ? (isReal(row.source) ? R(row.d) : I(row.i)) : row.to[t];
            ASSERT_EQ(run("dst = src"), e.error) << what;
            if (e.error == 0) expectNumber("dst", e, what);
        }
    }
}

TEST_F(Assign, OtherTypesConvertOnlyWhereTheMatrixSays) {
    Variable* s = create("s", TypeString);
    std::strcpy(reinterpret_cast<char*>(s->data), "hello");
    put(create("c", TypeChar), static_cast<std::uint8_t>('Z'));
    put(create("i", TypeInt), 7);
    put(create("d", TypeDouble), 2.5);
    put(create("m", TypeMemory), 0x1234u);
    put(create("f", TypeFile), 0x5678u);
    create("w", TypeWindow);
    create("w2", TypeWindow);
    create("dg", TypeDialog);
    create("u", TypeUser);
    create("m2", TypeMemory);
    create("f2", TypeFile);
    create("b2", TypeBFile);
    create("c2", TypeChar);
    create("i2", TypeInt);
    create("a0", TypeArray, 0);
    create("st", TypeString);
    struct Case {
        const char* line;
        int error;
    } cases[] = {
        {"c2 = s", 0},     // a STRING gives a CHAR its first character
        {"s = c", 0},      // a CHAR replaces one position of a STRING
        {"st = s", 0},     // equal types: the bounded copy
        {"m2 = m", 0},     // handles are shared
        {"f2 = f", 0},
        {"i2 = s", 11},    {"d = s", 11},   {"s = i", 11},   {"s = d", 11},  {"m2 = i", 11},
        {"w = i", 11},     {"u = i", 11},   {"i2 = m", 11},  {"d = w", 11},  {"w2 = w", 11},
        {"dg = w", 11},    {"b2 = f", 11},  {"i2 = u", 11},  {"a0 = a0", 11}, {"c2 = d", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.line), c.error) << c.line;
    EXPECT_EQ(get<std::uint8_t>("c2"), 2);  // the last case: 2.5 truncated
    EXPECT_EQ(text("s"), "Zello");
    EXPECT_EQ(text("st"), "Zello");
    EXPECT_EQ(get<std::uint32_t>("m2"), 0x1234u);
    EXPECT_EQ(get<std::uint32_t>("f2"), 0x5678u);
    put(find("f"), 0u);  // no stream behind the stand-in handle to close at release
    put(find("f2"), 0u);
}

TEST_F(Assign, WindowsGiveTheirSystemHandleToIntegers) {
    int windowObject = 0;  // any object address stands for a window here
    Variable* w = create("w", TypeWindow);
    create("empty", TypeWindow);
    create("dg", TypeDialog);
    create("i", TypeInt);
    create("u", TypeUInt);
    put(w, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&windowObject)));
    put(find("dg"), static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&windowObject)));

    ASSERT_EQ(run("i = w"), 0);
    EXPECT_EQ(get<std::uint32_t>("i"), host.windowHandle);
    ASSERT_EQ(host.handleRequests.size(), 1u);
    EXPECT_EQ(host.handleRequests[0], &windowObject);
    ASSERT_EQ(run("u = dg"), 0);
    EXPECT_EQ(get<std::uint32_t>("u"), host.windowHandle);
    ASSERT_EQ(run("i = empty"), 0);
    EXPECT_EQ(get<std::int32_t>("i"), 0);
    EXPECT_EQ(host.handleRequests.size(), 2u);  // no object, no question to the host
    EXPECT_EQ(run("empty = w"), 11);

    // The variables must not hand the stand-in objects to the host at release.
    put(w, 0u);
    put(find("dg"), 0u);
}

TEST_F(Assign, PointersTakeAddressesAndTargets) {
    Variable* n = create("n", TypeInt, 1);
    Variable* arr = create("arr[4]", TypeDouble);
    Variable* p = create("p", TypePointer);
    Variable* q = create("q", TypePointer);

    ASSERT_EQ(run("p = arr[2]"), 0);
    EXPECT_EQ(get<std::uint32_t>("p"), reinterpret_cast<std::uintptr_t>(arr->base + 16));
    EXPECT_EQ(p->target, arr);
    ASSERT_EQ(run("q = p"), 0);
    EXPECT_EQ(get<std::uint32_t>("q"), reinterpret_cast<std::uintptr_t>(arr->base + 16));
    EXPECT_EQ(q->target, arr);

    // A number literal is the address itself and leaves the target alone.
    ASSERT_EQ(run("q = 0x40"), 0);
    EXPECT_EQ(get<std::uint32_t>("q"), 0x40u);
    EXPECT_EQ(q->target, arr);
    ASSERT_EQ(run("p = n"), 0);
    EXPECT_EQ(p->target, n);
    EXPECT_EQ(run("p = \"x\""), 11);
}

TEST_F(Assign, NumberLiteralsAreReadByTheTargetType) {
    struct Case {
        std::uint8_t type;
        const char* literal;
        Expect e;
    } cases[] = {
        {TypeInt, "010", I(8)},           {TypeInt, "0x10", I(16)},           {TypeInt, "12", I(12)},
        {TypeInt, "0xFFFFFFFF", I(-1)},   {TypeInt, "1.9", I(1)},             {TypeChar, "0x141", I(0x41)},
        {TypeWord, "70000", I(4464)},     {TypeUInt, "0xFFFFFFFF", I(4294967295)},
        {TypeFloat, "1.1", R(1.1)},       {TypeDouble, "0.1", R(0.1)},        {TypeDouble, "7", R(7)},
        {TypeInt64, "010", I(10)},        {TypeInt64, "5000000000", I(5000000000)},
        {TypeUInt64, "18446744073709551615", I(-1)},
        {TypeMemory, "0x1234", I(0x1234)}, {TypeFile, "0", I(0)},             {TypeBFile, "0", I(0)},
        {TypeDialog, "0", I(0)},          {TypeWindow, "0", I(0)},            {TypeString, "5", E11},
        {TypeUser, "5", E11},             {TypeArray, "5", E11},
    };
    for (const Case& c : cases) {
        SetUp();
        create("t", c.type, c.type == TypeArray ? 0 : 1);
        const std::string what = std::string(typeName(c.type)) + " = " + c.literal;
        ASSERT_EQ(run(std::string("t = ") + c.literal), c.e.error) << what;
        if (c.e.error == 0) expectNumber("t", c.e, what);
    }

    ASSERT_EQ(run("DECIMAL_PREC = 5"), 0);
    EXPECT_EQ(k.decimalPrecision, 5);
    // Only DECIMAL_PREC has storage behind SYSTEM_0: any other such variable takes nothing.
    Variable* other = create("sys", TypeSystem);
    EXPECT_EQ(run("sys = 5"), 11);
    EXPECT_NE(other, nullptr);
}

TEST_F(Assign, HexLiteralsGoThroughTheEvaluatorInto64Bits) {
    create("q", TypeInt64);
    create("uq", TypeUInt64);
    ASSERT_EQ(run("q = 0x10"), 0);
    EXPECT_EQ(get<std::int64_t>("q"), 16);
    ASSERT_EQ(run("uq = 0xFF"), 0);
    EXPECT_EQ(get<std::int64_t>("uq"), 255);
}

TEST_F(Assign, StringLiterals) {
    create("s", TypeString);
    create("c", TypeChar);
    create("i", TypeInt);
    ASSERT_EQ(run("s = \"say \"hi\"\""), 0);
    EXPECT_EQ(text("s"), "say \"hi\"");  // inner quotes belong to the value
    ASSERT_EQ(run("c = \"hello\""), 0);
    EXPECT_EQ(get<std::uint8_t>("c"), 'h');
    ASSERT_EQ(run("c = \"\""), 0);
    EXPECT_EQ(get<std::uint8_t>("c"), 0);
    EXPECT_EQ(run("i = \"5\""), 11);
    EXPECT_EQ(run("s = \"open"), 1);
}

TEST_F(Assign, ExpressionsStoreByTheTargetType) {
    struct Case {
        std::uint8_t type;
        const char* expression;
        Expect e;
    } cases[] = {
        {TypeInt, "7 / 2", I(3)},          {TypeInt, "0 - 2.5", I(-2)},      {TypeChar, "300 + 1", I(45)},
        {TypeWord, "65536 + 5", I(5)},     {TypeFloat, "1 / 3", R(1.0 / 3)}, {TypeDouble, "1 / 3", R(1.0 / 3)},
        {TypeInt64, "2 ^ 40", I(1099511627776)},  {TypeUInt64, "0 - 1", I(-1)},
        {TypeUInt64, "2 ^ 63 + 2 ^ 62", I(static_cast<long long>(0xC000000000000000ull))},
        {TypeUInt, "0 - 1", I(4294967295)},       {TypeWindow, "4096 + 1", I(4097)},
        {TypeDialog, "2 * 8", I(16)},      {TypeMemory, "1 + 1", I(2)},      {TypeString, "1 + 1", E11},
        {TypeFile, "1 + 1", E11},          {TypeBFile, "1 + 1", E11},        {TypeUser, "1 + 1", E11},
        {TypeInt, "\"a\" + \"b\"", E11},   {TypeChar, "\"xy\" + \"z\"", I('x')},
    };
    for (const Case& c : cases) {
        SetUp();
        create("t", c.type);
        const std::string what = std::string(typeName(c.type)) + " = " + c.expression;
        ASSERT_EQ(run(std::string("t = ") + c.expression), c.e.error) << what;
        if (c.e.error == 0) expectNumber("t", c.e, what);
        if (c.type == TypeWindow || c.type == TypeDialog) put(find("t"), 0u);
    }

    SetUp();
    create("s", TypeString);
    ASSERT_EQ(run("s = \"ab\" + \"cd\""), 0);
    EXPECT_EQ(text("s"), "abcd");

    // A POINTER takes the pointer result of the expression, not its number.
    Variable* p = create("p", TypePointer);
    Variable* n = create("n", TypeInt);
    put(k.resultPointer, 0xBEEFu);
    k.resultPointer->target = n;
    ASSERT_EQ(run("p = (1 + 1)"), 0);
    EXPECT_EQ(get<std::uint32_t>("p"), 0xBEEFu);
    EXPECT_EQ(p->target, n);
}

// ---- Automatic declaration -------------------------------------------------------------------

TEST_F(Assign, UnknownNamesAreCreatedByTheKindOfTheValue) {
    create("num", TypeInt);
    Variable* txt = create("txt", TypeString);
    std::strcpy(reinterpret_cast<char*>(txt->data), "t");
    struct Case {
        const char* line;
        const char* name;
        std::uint8_t type;
    } cases[] = {
        {"n = 5", "n", TypeInt},           {"f = 1.5", "f", TypeFloat},     {"s = \"x\"", "s", TypeString},
        {"v$ = txt", "v$", TypeString},    {"iv = num", "iv", TypeInt},     {"fe = num + 1", "fe", TypeFloat},
        {"se$ = \"a\" + \"b\"", "se$", TypeString},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.line), 0) << c.line;
        Variable* v = find(c.name);
        ASSERT_NE(v, nullptr) << c.line;
        EXPECT_EQ(v->type, c.type) << c.line;
        EXPECT_FALSE(v->isConstant);
    }
    EXPECT_EQ(get<std::int32_t>("n"), 5);
    EXPECT_EQ(text("s"), "x");
    EXPECT_EQ(text("v$"), "t");
}

TEST_F(Assign, OnlyPlainNamesAreCreatedAndOnlyWhenSwitchedOn) {
    Variable* arr = create("arr[3]", TypeInt);
    create("p", TypePointer);
    struct Case {
        const char* line;
        int error;
    } cases[] = {
        {"q[1] = 5", 10},          // indexes never create
        {"r.m = 5", 10},           // nor do members
        {"arr[3] = 5", 7},         // an index out of range keeps its code
        {"#p = 5", 10},            // a pointer without a target
        {"\xFE\xE4\xE8 = 5", 10},  // the event window token with no window behind it
        {"= 5", 10},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.line), c.error) << c.line;
    EXPECT_EQ(k.lastVariable, find("p"));  // nothing was created

    EXPECT_EQ(run("\xFF\xEF\xE3 \"off\""), 0);
    EXPECT_EQ(k.autoDeclare, 0);
    EXPECT_EQ(run("fresh = 1"), 10);
    EXPECT_EQ(find("fresh"), nullptr);
    EXPECT_EQ(run("arr[1] = 4"), 0);  // existing targets are unaffected
    EXPECT_EQ(reinterpret_cast<std::int32_t*>(arr->base)[1], 4);
    EXPECT_EQ(run("\xFF\xEF\xE3 \"On\""), 0);
    EXPECT_EQ(k.autoDeclare, 1);
    EXPECT_EQ(run("fresh = 1"), 0);
}

TEST_F(Assign, AutoDeclareSwitchChecksItsArgument) {
    struct Case {
        const char* args;
        int error;
        int after;
    } cases[] = {
        {" \"OFF\"", 0, 0}, {" \"on\"", 0, 1},  {" \"oFf\"", 0, 0}, {" \"ONE\"", 15, 0}, {" \"\"", 15, 0},
        {" 1", 14, 0},      {"", 56, 0},        {" \"on\", \"on\"", 56, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(std::string("\xFF\xEF\xE3") + c.args), c.error) << c.args;
        EXPECT_EQ(k.autoDeclare, c.after) << c.args;
    }
}

// ---- Constants, counts and arrays ------------------------------------------------------------

TEST_F(Assign, ConstantsRefuseEveryStore) {
    Variable* c = create("c", TypeInt);
    put(c, 3);
    c->isConstant = 1;
    EXPECT_EQ(run("c = 4"), 58);
    EXPECT_EQ(run("c = 3"), 58);  // also the value it already holds
    EXPECT_EQ(get<std::int32_t>("c"), 3);
}

TEST_F(Assign, SeveralValuesFillFollowingElements) {
    Variable* a = create("a[10]", TypeInt);
    const auto at = [&](int i) { return reinterpret_cast<std::int32_t*>(a->base)[i]; };
    ASSERT_EQ(let("a[8], 1, 2"), 0);
    EXPECT_EQ(at(8), 1);
    EXPECT_EQ(at(9), 2);
    EXPECT_EQ(let("a[8], 3, 4, 5"), 65);
    EXPECT_EQ(at(8), 3);  // values stored before the failure stay
    EXPECT_EQ(at(9), 4);

    // The values go after the target element even when they name the target array itself.
    reinterpret_cast<std::int32_t*>(a->base)[5] = 50;
    reinterpret_cast<std::int32_t*>(a->base)[6] = 60;
    ASSERT_EQ(let("a[0], a[5], a[6]"), 0);
    EXPECT_EQ(at(0), 50);
    EXPECT_EQ(at(1), 60);
    EXPECT_EQ(at(7), 0);

    create("x", TypeInt);
    EXPECT_EQ(let("x, 1, 2"), 1);  // a scalar takes one value
    EXPECT_EQ(let("x"), 56);
    EXPECT_EQ(let("nothere, 1, 2"), 1);  // created as a scalar, then refused

    // Strings: a string array takes one string per element; one position of a single string
    // takes one character per value.
    Variable* names = create("names[2]", TypeString);
    ASSERT_EQ(let("names, \"ann\", \"bob\""), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(names->base), "ann");
    EXPECT_STREQ(reinterpret_cast<char*>(names->base + 255), "bob");
    EXPECT_EQ(let("names[1], \"x\", \"y\""), 65);
    Variable* s = create("s", TypeString);
    std::strcpy(reinterpret_cast<char*>(s->data), "abcdef");
    ASSERT_EQ(let("s[1], \"X\", \"Y\""), 0);
    EXPECT_EQ(text("s"), "aXYdef");
}

TEST_F(Assign, StringStoresAreBounded) {
    create("b[3]", TypeIString);  // capacity 4: three characters and the terminator
    ASSERT_EQ(run("b = \"hello\""), 0);
    EXPECT_EQ(text("b"), "hel");

    Variable* s = create("s", TypeString);
    ASSERT_EQ(run("s = \"abcdef\""), 0);
    ASSERT_EQ(run("s[2] = \"XYZ\""), 0);  // one position takes one character
    EXPECT_EQ(text("s"), "abXdef");
    ASSERT_EQ(run("s = s[2]"), 0);  // a string copied onto its own tail
    EXPECT_EQ(text("s"), "Xdef");

    // 254 characters fill a string; its last byte stays the terminator even when that position
    // is assigned.
    const std::string full(254, 'a');
    ASSERT_EQ(run("s = \"" + full + "\""), 0);
    EXPECT_EQ(text("s"), full);
    ASSERT_EQ(run("s[254] = \"b\""), 0);
    EXPECT_EQ(s->base[254], 0);
    ASSERT_EQ(run("s[253] = \"b\""), 0);
    EXPECT_EQ(text("s"), std::string(253, 'a') + "b");

    // A source without a terminator is read no further than its storage.
    std::memset(s->base, 'x', 255);
    create("t", TypeString);
    ASSERT_EQ(run("t = s"), 0);
    EXPECT_EQ(text("t"), std::string(254, 'x'));
}

// ---- Records ---------------------------------------------------------------------------------

TEST_F(Assign, RecordsCopyMemberByMember) {
    record("a", {{"n", TypeInt}, {"name", TypeString}, {"d", TypeDouble}, {"p", TypePointer}});
    record("b", {{"n", TypeInt}, {"name[3]", TypeIString}, {"d", TypeDouble}, {"p", TypePointer}});
    Variable* target = create("x", TypeInt);
    ASSERT_EQ(run("a.n = 7"), 0);
    ASSERT_EQ(run("a.name = \"hello\""), 0);
    ASSERT_EQ(run("a.d = 2.5"), 0);
    ASSERT_EQ(run("a.p = x"), 0);
    ASSERT_EQ(run("b = a"), 0);
    EXPECT_EQ(get<std::int32_t>("b.n"), 7);
    EXPECT_EQ(text("b.name"), "hel");  // the target member's capacity
    EXPECT_EQ(get<double>("b.d"), 2.5);
    Variable* bp = find("b.p");
    ASSERT_NE(bp, nullptr);
    EXPECT_EQ(bp->target, target);
    EXPECT_EQ(get<std::uint32_t>("b.p"), reinterpret_cast<std::uintptr_t>(target->data));

    // A string member addressed at one position by an earlier lookup is still copied whole.
    ASSERT_EQ(run("a.name[1] = \"E\""), 0);
    ASSERT_EQ(run("b = a"), 0);
    EXPECT_EQ(text("b.name"), "hEl");
}

TEST_F(Assign, RecordCopiesStopAtTheFirstMismatch) {
    record("a", {{"n", TypeInt}, {"s", TypeString}, {"m", TypeInt}});
    record("c", {{"n", TypeInt}, {"f", TypeFloat}, {"m", TypeInt}});
    record("short", {{"n", TypeInt}});
    record("wa", {{"w", TypeWindow}});
    record("wb", {{"w", TypeWindow}});
    ASSERT_EQ(run("a.n = 1"), 0);
    ASSERT_EQ(run("a.m = 3"), 0);

    EXPECT_EQ(run("c = a"), 11);
    EXPECT_EQ(get<std::int32_t>("c.n"), 1);  // copied before the mismatch
    EXPECT_EQ(get<std::int32_t>("c.m"), 0);  // not reached

    ASSERT_EQ(run("short = a"), 0);  // one list ends first: no error
    EXPECT_EQ(get<std::int32_t>("short.n"), 1);
    ASSERT_EQ(run("a = short"), 0);

    EXPECT_EQ(run("wa = wb"), 11);  // windows are never copied
}

TEST_F(Assign, NestedRecordsCopyRecursively) {
    Variable* a = record("a", {{"n", TypeInt}});
    Variable* b = record("b", {{"n", TypeInt}});
    record("inner", {{"m", TypeInt}, {"s", TypeString}}, membersOf(a));
    record("inner", {{"m", TypeInt}, {"s", TypeString}}, membersOf(b));
    ASSERT_EQ(run("a.inner.m = 42"), 0);
    ASSERT_EQ(run("a.inner.s = \"deep\""), 0);
    ASSERT_EQ(run("b = a"), 0);
    EXPECT_EQ(get<std::int32_t>("b.inner.m"), 42);
    EXPECT_EQ(text("b.inner.s"), "deep");
    // The copy went into b's own member list.
    ASSERT_EQ(run("a.inner.m = 1"), 0);
    EXPECT_EQ(get<std::int32_t>("b.inner.m"), 42);
}

// ---- Whole programs --------------------------------------------------------------------------

TEST(AssignProgram, RunsAndStopsOnTheFailingLine) {
    struct Case {
        const char* source;
        int error;
        int line;
    } cases[] = {
        {"a = 5\nb = a\nc$ = \"x\"\nLET d, 1\n", 0, 0},
        {"n = 3\ns = \"abc\"\nn = s\n", 11, 3},
        {"a = 1\nAUTODECLARE \"OFF\"\na = 2\nb = 3\n", 10, 4},
        {"AUTODECLARE \"maybe\"\n", 15, 1},
        {"LET e, 1, 2\n", 1, 1},
    };
    for (const Case& c : cases) {
        const RunResult r = runSource(c.source);
        EXPECT_EQ(r.errorCode, c.error) << c.source;
        EXPECT_EQ(r.line, c.line) << c.source;
        EXPECT_EQ(r.ranClean, c.error == 0) << c.source;
    }
}

}  // namespace
}  // namespace kestrun::test
