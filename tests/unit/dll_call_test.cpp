// Calls into library functions, run natively against functions of this test program that the
// recording host hands out as the exports of "test.dll": the argument words of every pairing of
// argument and parameter type, structures with their layouts and copy-back, every kind of
// result, both calling conventions, prototypes that do not match their function, and the
// library references a call takes and gives back.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core_harness.h"
#include "engine_fixture.h"
#include "../dll/test_records.h"

#define STDCALL __attribute__((stdcall))
#define CDECL __attribute__((cdecl))

namespace kestrun::test {
namespace {

// ---- The functions of "test.dll" ----

// The first six words a call pushed (a cdecl function may read past what it was given: the
// call thunk's guard area reads as zeros).
std::uint32_t recordedWords[6];
void CDECL recordWords(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t e,
                       std::uint32_t f) {
    const std::uint32_t words[6] = {a, b, c, d, e, f};
    std::memcpy(recordedWords, words, sizeof words);
}

std::int32_t STDCALL addInts(std::int32_t a, std::int32_t b) { return a * 10 + b; }
std::int32_t CDECL cdeclSum(std::int32_t a, std::int32_t b) { return a * 10 + b; }
double STDCALL mix(std::int32_t a, double d, std::int32_t b) { return a + d * b; }
double CDECL halfOf(double d) { return d / 2; }
float STDCALL triple(float f) { return f * 3; }
std::uint32_t STDCALL junkWord() { return 0x12345641u; }
std::uint32_t STDCALL bigUnsigned() { return 4000000000u; }
std::int64_t STDCALL wide() { return (std::int64_t{1} << 32) + 2; }
std::int32_t STDCALL textLength(const char* s) { return static_cast<std::int32_t>(std::strlen(s)); }
const char* STDCALL greeting() { return "hello from test"; }
const char* STDCALL nullText() { return nullptr; }
void STDCALL fillText(char* buffer, std::int32_t size) {
    std::strncpy(buffer, "filled", static_cast<std::size_t>(size));
}
void STDCALL storeThrough(std::int32_t* p, std::int32_t v) { *p = v; }
std::int32_t STDCALL sumInts(const std::int32_t* a, std::int32_t n) {
    std::int32_t s = 0;
    for (std::int32_t i = 0; i < n; ++i) s += a[i];
    return s;
}
char joined[64];
const char* STDCALL joinTexts(const char* a, const char* b) {
    std::snprintf(joined, sizeof joined, "%s|%s", a, b);
    return joined;
}

using kestrun_test_records::Record1;
using kestrun_test_records::Record8;
template <typename Record>
std::int32_t STDCALL reviseRecord(Record* r) {
    return kestrun_test_records::reviseMembers(r);
}

struct Named {
    char* text;
    std::int32_t n;
};
void STDCALL nameRecord(Named* r) {
    std::strcpy(r->text, "named");
    r->n = 5;
}
char foreignText[] = "foreign text";
void STDCALL redirectRecord(Named* r) { r->text = foreignText; }

template <typename F>
void* entryOf(F* f) {
    return reinterpret_cast<void*>(f);
}

// A host whose "test.dll" exports the functions above.
void offerTestLibrary(RecordingHost& host) {
    host.loadableLibraries = {"test.dll"};
    host.procedures = {
        {"test.dll", "recordWords", entryOf(recordWords)},
        {"test.dll", "addInts", entryOf(addInts)},
        {"test.dll", "cdeclSum", entryOf(cdeclSum)},
        {"test.dll", "mix", entryOf(mix)},
        {"test.dll", "halfOf", entryOf(halfOf)},
        {"test.dll", "triple", entryOf(triple)},
        {"test.dll", "junkWord", entryOf(junkWord)},
        {"test.dll", "bigUnsigned", entryOf(bigUnsigned)},
        {"test.dll", "wide", entryOf(wide)},
        {"test.dll", "textLength", entryOf(textLength)},
        {"test.dll", "greeting", entryOf(greeting)},
        {"test.dll", "nullText", entryOf(nullText)},
        {"test.dll", "fillText", entryOf(fillText)},
        {"test.dll", "storeThrough", entryOf(storeThrough)},
        {"test.dll", "sumInts", entryOf(sumInts)},
        {"test.dll", "joinTexts", entryOf(joinTexts)},
        {"test.dll", "revise8", entryOf(reviseRecord<Record8>)},
        {"test.dll", "revise1", entryOf(reviseRecord<Record1>)},
        {"test.dll", "nameRecord", entryOf(nameRecord)},
        {"test.dll", "redirectRecord", entryOf(redirectRecord)},
    };
}

// ---- Argument words ----

struct WordsCase {
    const char* name;
    const char* setup;      // lines before the call
    const char* parameter;  // the one declared parameter, "p:TYPE"
    const char* argument;
    std::vector<std::uint32_t> words;  // what the function receives; the words after them are 0
};

class DllArgumentWords : public ::testing::TestWithParam<WordsCase> {};

TEST_P(DllArgumentWords, ReachTheFunction) {
    const WordsCase& c = GetParam();
    std::memset(recordedWords, 0xEE, sizeof recordedWords);
    RecordingHost host;
    offerTestLibrary(host);
    const std::string source = std::string(c.setup) + "DECLARE \"!test.dll\", rec| recordWords(" + c.parameter + ")\nrec(" +
                               c.argument + ")\n";
    const ReadResult r = runAndRead(source, {}, host);
    ASSERT_EQ(r.errorCode, 0) << source;
    std::vector<std::uint32_t> expected = c.words;
    expected.resize(6, 0);
    EXPECT_EQ(std::vector<std::uint32_t>(recordedWords, recordedWords + 6), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pairings, DllArgumentWords,
    ::testing::Values(
        WordsCase{"IntForInt", "n = 7\n", "p:INT", "n", {7}},
        WordsCase{"NegativeForUInt", "", "p:UINT", "-2", {0xFFFFFFFEu}},
        WordsCase{"WordForInt", "DIM w : WORD\nw = 65535\n", "p:INT", "w", {65535}},
        WordsCase{"UIntForUInt", "DIM u : UINT\nu = 4000000000\n", "p:UINT", "u", {4000000000u}},
        WordsCase{"Int64ForIntLowWord", "DIM q : INT64\nq = 5000000000\n", "p:INT", "q", {705032704u}},
        WordsCase{"FloatForIntTruncated", "", "p:INT", "2.9", {2}},
        WordsCase{"DoubleForIntTruncated", "", "p:WORD", "(0 - 2.9)", {0xFFFFFFFEu}},
        WordsCase{"FloatForFloatBits", "", "p:FLOAT", "2.5", {0x40200000u}},
        WordsCase{"DoubleForFloatBits", "", "p:FLOAT", "(1.5 + 1)", {0x40200000u}},
        WordsCase{"IntForFloatKeepsBits", "", "p:FLOAT", "1065353216", {0x3F800000u}},
        WordsCase{"DoubleForDoubleTwoWords", "DIM d : DOUBLE\nd = 2.5\n", "p:DOUBLE", "d", {0, 0x40040000u}},
        // A DOUBLE parameter takes two words whatever the value's type, so the arguments after it
        // stay in their places.
        WordsCase{"FloatForDoubleTwoWords", "", "p:DOUBLE", "2.5", {0, 0x40040000u}},
        WordsCase{"IntForDoubleTwoWords", "", "p:DOUBLE", "3", {0, 0x40080000u}},
        WordsCase{"DoubleBetweenInts", "", "a:INT, d:DOUBLE, b:INT", "1, 2.5, 9", {1, 0, 0x40040000u, 9}},
        WordsCase{"FifteenDoublesFillThirtyWords", "",
                  "a:DOUBLE, b:DOUBLE, c:DOUBLE, d:DOUBLE, e:DOUBLE, f:DOUBLE, g:DOUBLE, h:DOUBLE, i:DOUBLE, j:DOUBLE, "
                  "k:DOUBLE, l:DOUBLE, m:DOUBLE, n:DOUBLE, o:DOUBLE",
                  "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15", {0, 0x3FF00000u, 0, 0x40000000u, 0, 0x40080000u}}),
    [](const ::testing::TestParamInfo<WordsCase>& info) { return std::string(info.param.name); });

// ---- Whole calls ----

struct CallCase {
    const char* name;
    std::string source;
    int error;  // 0: the run ends without an error
    int line;   // 1-based source line of the error
    std::vector<std::pair<std::string, std::string>> values;
};

class DllCalls : public ::testing::TestWithParam<CallCase> {};

TEST_P(DllCalls, EndAsExpected) {
    const CallCase& c = GetParam();
    RecordingHost host;
    offerTestLibrary(host);
    std::vector<std::string> names;
    for (const auto& v : c.values) names.push_back(v.first);
    const ReadResult r = runAndRead(c.source, names, host);
    EXPECT_EQ(r.errorCode, c.error);
    EXPECT_EQ(r.line, c.error ? c.line : 0);
    ASSERT_EQ(r.values.size(), c.values.size());
    for (std::size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(r.values[i], c.values[i].second) << c.values[i].first;
}

std::string callCaseName(const ::testing::TestParamInfo<CallCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Conventions, DllCalls,
    ::testing::Values(
        CallCase{"StdcallInLineAndExpression",
                 "DECLARE \"test.dll\", addInts(a:INT, b:INT), INT\naddInts(4, 2)\nx = SYSTEM_INT0\ny = addInts(1, 2) + 100\n"
                 "CALLDLL addInts, 7, 8\nz = SYSTEM_INT0\n",
                 0, 0, {{"x", "42"}, {"y", "112"}, {"z", "78"}}},
        CallCase{"Cdecl", "DECLARE \"!test.dll\", cdeclSum(a:INT, b:INT), INT\nx = cdeclSum(3, 4)\ny = cdeclSum(5, 6)\n", 0, 0,
                 {{"x", "34"}, {"y", "56"}}},
        CallCase{"CdeclDouble", "DECLARE \"!test.dll\", halfOf(d:DOUBLE), DOUBLE\nx = halfOf(5)\n", 0, 0, {{"x", "2.5"}}},
        // Prototypes that do not match their function move the stack pointer by the wrong amount:
        // the call stops with 67 on its line instead of leaving a broken stack behind.
        CallCase{"TooManyParameters", "DECLARE \"test.dll\", add3| addInts(a:INT, b:INT, c:INT), INT\nx = 1\nx = add3(1, 2, 3)\n",
                 67, 3, {{"x", "1"}}},
        CallCase{"TooFewParameters", "DECLARE \"test.dll\", add1| addInts(a:INT), INT\nadd1(1)\n", 67, 2, {}},
        CallCase{"CdeclDeclaredStdcall", "DECLARE \"test.dll\", sum| cdeclSum(a:INT, b:INT), INT\nsum(1, 2)\n", 67, 2, {}},
        CallCase{"StdcallDeclaredCdecl", "DECLARE \"!test.dll\", add| addInts(a:INT, b:INT), INT\nadd(1, 2)\n", 67, 2, {}},
        // A FLOAT result that a prototype does not expect is taken off the x87 stack all the
        // same: after ten such calls the engine still computes with doubles.
        CallCase{"UnexpectedFloatResultsDoNotPileUp",
                 "DECLARE \"test.dll\", mixInt| mix(a:INT, d:DOUBLE, b:INT), INT\nFOR i, 1, 10\nmixInt(1, 2.5, 2)\nNEXT i\n"
                 "x = 1.5 + 1\n",
                 0, 0, {{"x", "2.5"}}}),
    callCaseName);

INSTANTIATE_TEST_SUITE_P(
    Results, DllCalls,
    ::testing::Values(
        CallCase{"EveryReturnType",
                 "DECLARE \"test.dll\", asChar| junkWord(), CHAR\nDECLARE \"test.dll\", asWord| junkWord(), WORD\n"
                 "DECLARE \"test.dll\", asInt| junkWord(), INT\n"
                 "DECLARE \"test.dll\", wide(), INT64\nDECLARE \"test.dll\", triple(f:FLOAT), FLOAT\n"
                 "DECLARE \"test.dll\", mix(a:INT, d:DOUBLE, b:INT), DOUBLE\nDECLARE \"test.dll\", greeting(), STRING\n"
                 "DIM i : INT\nDIM q : INT64\n"
                 "c = asChar()\nw = asWord()\ni = asInt()\nq = wide()\nf = triple(1.5)\n"
                 "d = mix(1, 2.25, 2)\ns$ = greeting() + \"!\"\n",
                 0, 0,
                 {{"c", "65"}, {"w", "22081"}, {"i", "305419841"}, {"q", "4294967298"},
                  {"f", "4.5"}, {"d", "5.5"}, {"s$", "hello from test!"}}},
        CallCase{"ResultTypeNamesTheResultVariable",
                 "DECLARE \"test.dll\", bigUnsigned(), UINT\nDECLARE \"test.dll\", wide(), UINT64\n"
                 "DECLARE \"test.dll\", triple(f:FLOAT), FLOAT\nDIM d : DOUBLE\nd = bigUnsigned() + 1\n"
                 "bigUnsigned()\ntriple 2.0\nwide\n",
                 0, 0,
                 {{"d", "4000000001"}, {"SYSTEM_INT0", "-294967296"}, {"SYSTEM_FLOAT0", "6"}, {"SYSTEM_INT64", "4294967298"}}},
        CallCase{"NullTextIsEmpty", "DECLARE \"test.dll\", nullText(), STRING\ns$ = \"x\"\ns$ = nullText()\n", 0, 0,
                 {{"s$", ""}}},
        CallCase{"NoReturnTypeStoresNothing", "DECLARE \"test.dll\", addInts(a:INT, b:INT)\nx = 5\nx = addInts(1, 2)\n", 0, 0,
                 {{"x", "0"}, {"SYSTEM_INT0", "0"}}}),
    callCaseName);

INSTANTIATE_TEST_SUITE_P(
    Arguments, DllCalls,
    ::testing::Values(
        CallCase{"StringLiteralAndVariable",
                 "DECLARE \"test.dll\", textLength(s:STRING), INT\nt$ = \"four\"\nx = textLength(\"abc\")\ny = textLength(t$)\n",
                 0, 0, {{"x", "3"}, {"y", "4"}}},
        CallCase{"StringVariableFilled", "DIM buf : STRING\nDECLARE \"test.dll\", fillText(s:STRING, n:INT)\nfillText(buf, 255)\n",
                 0, 0, {{"buf", "filled"}}},
        // Each string expression is its own text, though both results pass through
        // SYSTEM_STRING0.
        CallCase{"TwoStringExpressions",
                 "DECLARE \"test.dll\", joinTexts(a:STRING, b:STRING), STRING\ns$ = joinTexts(\"a\" + \"bc\", \"de\" + \"fgh\")\n",
                 0, 0, {{"s$", "abc|defgh"}}},
        CallCase{"IntVariableForPointer",
                 "n = 1\nDECLARE \"test.dll\", storeThrough(p:POINTER, v:INT)\nstoreThrough(n, 42)\n", 0, 0, {{"n", "42"}}},
        CallCase{"PointerForPointer",
                 "DIM p : POINTER\nn = 1\np = n\nDECLARE \"test.dll\", storeThrough(p:POINTER, v:INT)\nstoreThrough(p, 42)\n", 0, 0,
                 {{"n", "42"}}},
        CallCase{"ArrayForArrayParameter",
                 "DIM m[3] : INT\nm[0] = 1 :: m[1] = 20 :: m[2] = 300\nDECLARE \"test.dll\", sumInts(a[]:INT, n:INT), INT\n"
                 "x = sumInts(m, 3)\ny = sumInts(m[1], 2)\n",
                 0, 0, {{"x", "321"}, {"y", "320"}}},
        CallCase{"ScalarForArrayParameter", "x = 1\nDECLARE \"test.dll\", sumInts(a[]:INT, n:INT), INT\nsumInts(x, 1)\n", 14, 3, {}},
        CallCase{"ValueForPointer", "DECLARE \"test.dll\", storeThrough(p:POINTER, v:INT)\nstoreThrough(5, 42)\n", 14, 2, {}},
        CallCase{"CharArgument", "DIM c : CHAR\nDECLARE \"test.dll\", addInts(a:INT, b:INT), INT\naddInts(c, 1)\n", 57, 3, {}},
        CallCase{"StringForInt", "DECLARE \"test.dll\", addInts(a:INT, b:INT), INT\naddInts(\"x\", 1)\n", 57, 2, {}},
        CallCase{"NumberForString", "DECLARE \"test.dll\", textLength(s:STRING), INT\ntextLength(5)\n", 57, 2, {}},
        CallCase{"Int64Parameter", "DECLARE \"test.dll\", f| addInts(a:INT64), INT\nf(5)\n", 57, 2, {}},
        CallCase{"ArgumentWithoutParameter", "DECLARE \"test.dll\", f| addInts(), INT\nf(5)\n", 57, 2, {}},
        CallCase{"SixteenDoublesAreTooMany",
                 "DECLARE \"!test.dll\", f| recordWords(a:DOUBLE, b:DOUBLE, c:DOUBLE, d:DOUBLE, e:DOUBLE, f:DOUBLE, g:DOUBLE, "
                 "h:DOUBLE, i:DOUBLE, j:DOUBLE, k:DOUBLE, l:DOUBLE, m:DOUBLE, n:DOUBLE, o:DOUBLE, p:DOUBLE)\n"
                 "f(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16)\n",
                 57, 2, {}},
        CallCase{"WrongArgumentCount", "DECLARE \"test.dll\", addInts(a:INT, b:INT), INT\naddInts(1, 2, 3)\n", 56, 2, {}},
        CallCase{"EmptyParenthesesAreNoArgument", "DECLARE \"test.dll\", addInts(a:INT, b:INT), INT\naddInts()\n", 56, 2, {}},
        CallCase{"MisspeltEntry", "DECLARE \"test.dll\", addInt(a:INT, b:INT), INT\naddInt(1, 2)\n", 54, 2, {}},
        CallCase{"UnknownName", "CALLDLL nosuch, 1\n", 10, 1, {}},
        CallCase{"NotAnExternalFunction", "x = 1\nCALLDLL x\nEND\nSUB f\nRETURN\n", 14, 2, {}},
        CallCase{"SubroutineIsNotExternal", "CALLDLL f\nEND\nSUB f\nRETURN\n", 14, 1, {}}),
    callCaseName);

const char kRecordTypes[] =
    "TYPE rec8\nDIM c : CHAR\nDIM i : INT\nDIM w : WORD\nENDTYPE\n"
    "TYPE rec1, 1\nDIM c : CHAR\nDIM i : INT\nDIM w : WORD\nENDTYPE\n"
    "TYPE named\nDIM text : STRING\nDIM n : INT\nENDTYPE\n"
    "TYPE withFloat\nDIM i : INT\nDIM f : FLOAT\nENDTYPE\n";

std::string withRecordTypes(const char* program) { return std::string(kRecordTypes) + program; }

// Line numbers below count the 18 lines of kRecordTypes.
INSTANTIATE_TEST_SUITE_P(
    Structures, DllCalls,
    ::testing::Values(
        // CHAR, INT, WORD lie at 0, 4, 8 with packing 8 and at 0, 1, 5 with packing 1: the
        // function finds the program's values where its compiler puts them, and its values come
        // back into the members.
        CallCase{"PackingEightAndOne",
                 withRecordTypes("DIM s8 : INT\nDIM s1 : INT\nDIM a : rec8\nDIM b : rec1\na.c = \"A\" :: a.i = 12 :: a.w = 34\n"
                                  "b.c = \"B\" :: b.i = 56 :: b.w = 78\n"
                                  "DECLARE \"test.dll\", revise8(r:rec8), INT\nDECLARE \"test.dll\", revise1(r:rec1), INT\n"
                                  "s8 = revise8(a)\ns1 = revise1(b)\n"),
                 0, 0,
                 {{"s8", "65012034"}, {"s1", "66056078"}, {"a.c", "90"}, {"a.i", "-7"}, {"a.w", "65000"},
                  {"b.c", "90"}, {"b.i", "-7"}, {"b.w", "65000"}}},
        CallCase{"ElementOfRecordArray",
                 withRecordTypes("DIM a[3] : rec8\na[2].i = 5\nDECLARE \"test.dll\", revise8(r:rec8), INT\ns = revise8(a[2])\n"),
                 0, 0, {{"s", "5000"}, {"a[2].i", "-7"}, {"a[1].i", "0"}}},
        CallCase{"StringMemberFilled",
                 withRecordTypes("DIM r : named\nDECLARE \"test.dll\", nameRecord(r:named)\nnameRecord(r)\n"), 0, 0,
                 {{"r.text", "named"}, {"r.n", "5"}}},
        // A member whose address the function replaced reads the new memory, and the end of the
        // run does not free memory the interpreter never allocated.
        CallCase{"StringMemberRedirected",
                 withRecordTypes("DIM r : named\nDECLARE \"test.dll\", redirectRecord(r:named)\nredirectRecord(r)\n"),
                 0, 0, {{"r.text", "foreign text"}}},
        CallCase{"FloatMemberRefused",
                 withRecordTypes("DIM r : withFloat\nDECLARE \"test.dll\", f| nameRecord(r:withFloat)\nf(r)\n"), 57,
                 21, {}},
        // A record is passed whatever the declared parameter says, and also without one.
        CallCase{"RecordWithoutParameter",
                 withRecordTypes("DIM a : rec8\na.i = 3\nDECLARE \"test.dll\", f| revise8(), INT\ns = f(a)\n"), 0, 0,
                 {{"s", "3000"}, {"a.i", "-7"}}}),
    callCaseName);

// ---- Library references ----

class DllLibraries : public EngineFixture {
protected:
    void SetUp() override {
        offerTestLibrary(host);
        EngineFixture::SetUp();
    }
};

// The declaration holds one reference; each call takes one more and gives it back.
TEST_F(DllLibraries, EachCallTakesAndGivesBackOneReference) {
    ASSERT_EQ(runProgram("DECLARE \"test.dll\", addInts(a:INT, b:INT), INT\nx = addInts(1, 2)\naddInts(3, 4)\n"), 0);
    EXPECT_EQ(host.libraryRequests, (std::vector<std::string>{"test.dll", "test.dll", "test.dll"}));
    EXPECT_EQ(host.releasedLibraries, (std::vector<void*>{reinterpret_cast<void*>(0x1000), reinterpret_cast<void*>(0x1000)}));
}

// A failed call gives its reference back too.
TEST_F(DllLibraries, FailedCallGivesBackItsReference) {
    ASSERT_EQ(runProgram("DECLARE \"test.dll\", addInt(a:INT, b:INT), INT\naddInt(1, 2)\n"), 54);
    EXPECT_EQ(host.releasedLibraries.size(), 1u);
}

TEST_F(DllLibraries, LibraryGoneAtCallTime) {
    ASSERT_EQ(runProgram("DECLARE \"test.dll\", addInts(a:INT, b:INT), INT\n"), 0);
    host.loadableLibraries.clear();
    EXPECT_EQ(runLine("x = addInts(1, 2)"), 53);
    EXPECT_TRUE(host.releasedLibraries.empty());
}

// A WINDOW argument passes its window's system handle; a slot that holds no live window object
// of the program passes 0 and is never handed to the host.
TEST_F(DllLibraries, WindowArgumentPassesTheSystemHandle) {
    ASSERT_EQ(runProgram("DIM w : WINDOW\nDECLARE \"!test.dll\", rec| recordWords(a:INT, b:WINDOW)\n"
                         "DECLARE \"!test.dll\", recf| recordWords(a:FLOAT)\n"),
              0);
    int object = 0;
    Variable* w = find("w");
    ASSERT_NE(w, nullptr);
    const std::uint32_t live = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&object));
    std::memcpy(w->data, &live, 4);
    ASSERT_TRUE(k.liveObjects.addTail(&object));
    ASSERT_EQ(runLine("rec(w, w)"), 0);
    EXPECT_EQ(recordedWords[0], host.windowHandle);
    EXPECT_EQ(recordedWords[1], host.windowHandle);
    EXPECT_EQ(runLine("recf(w)"), 57);

    k.liveObjects.remove(&object);
    host.handleRequests.clear();
    ASSERT_EQ(runLine("rec(w, w)"), 0);
    EXPECT_EQ(recordedWords[0], 0u);
    EXPECT_TRUE(host.handleRequests.empty());
}

TEST_F(DllLibraries, FreeLibraryReleasesTheNamedModule) {
    EXPECT_EQ(runLine("FREELIBRARY \"test.dll\""), 0);
    EXPECT_EQ(host.releasedModules, std::vector<std::string>{"test.dll"});
    EXPECT_EQ(runLine("FREELIBRARY \"a.dll\", \"b.dll\""), 56);
    EXPECT_EQ(runLine("FREELIBRARY"), 56);
    EXPECT_EQ(runLine("FREELIBRARY 5"), 14);
    EXPECT_EQ(host.releasedModules.size(), 1u);
}

}  // namespace
}  // namespace kestrun::test
