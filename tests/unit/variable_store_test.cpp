// The variable store: creation with dimensions, lookup with indexes and scopes, the window
// token, the call fallback and the release of owned objects.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core_harness.h"

namespace kestrun::test {
namespace {

class Store : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(k.initialise()); }

    Variable* create(const std::string& name, std::uint8_t type, std::uint32_t count = 1) {
        k.errorCode = 0;
        return k.createVariable(name.c_str(), type, count, nullptr);
    }
    Variable* find(const std::string& name, bool allowCall = false) {
        k.errorCode = 0;
        std::string copy = name;
        return k.findVariable(copy.data(), nullptr, allowCall);
    }
    // Enters a subroutine scope the way a call does: the globals hang on the scope stack.
    void enterScope() {
        k.scopeStack.addTail(k.builtinDecimalPrec.next);
        k.builtinDecimalPrec.next = nullptr;
        k.lastVariable = &k.builtinDecimalPrec;
    }

    RecordingHost host;
    Kestrun k{host};
};

TEST_F(Store, NamesKeepThirtyCharactersAndIgnoreCase) {
    const std::string name31 = "abcdefghijklmnopqrstuvwxyz01234";
    Variable* v = create(name31, TypeInt);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::string(v->name), name31.substr(0, 30));
    EXPECT_EQ(find(name31), nullptr);
    EXPECT_EQ(k.errorCode, 10);
    EXPECT_EQ(find(name31.substr(0, 30)), v);

    Variable* a = create("a", TypeInt);
    EXPECT_EQ(find("A"), a);
    EXPECT_EQ(find("ab"), nullptr);
    EXPECT_EQ(create("A", TypeFloat), nullptr);
    EXPECT_EQ(k.errorCode, 9);
}

TEST_F(Store, LocalsHideGlobalsInsideSubroutines) {
    Variable* global = create("x", TypeInt);
    Variable* onlyGlobal = create("g", TypeInt);
    enterScope();
    Variable* local = create("x", TypeFloat);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(find("x"), local);
    EXPECT_EQ(find("g"), onlyGlobal);
    EXPECT_NE(global, local);
}

TEST_F(Store, StringsAndFixedStrings) {
    Variable* s = create("s", TypeString);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->count, 255u);
    EXPECT_EQ(find("s"), s);
    EXPECT_EQ(s->capacity, 255);  // 254 characters and the terminator
    EXPECT_EQ(find("s[0]"), s);
    EXPECT_EQ(s->capacity, 1);
    EXPECT_EQ(s->data, s->base);
    EXPECT_EQ(find("s[10, 5]"), s);  // a second index is a length: the address stays at 10
    EXPECT_EQ(s->data, s->base + 10);
    EXPECT_EQ(s->capacity, 245);

    Variable* b = create("b[100]", TypeIString);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->type, TypeString);
    EXPECT_EQ(b->count, 101u);
    EXPECT_EQ(b->capacity, 101);
    EXPECT_EQ(create("c", TypeIString), nullptr);
    EXPECT_EQ(k.errorCode, 44);

    Variable* rows = create("names[4]", TypeString);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->count, 4u * 255u);
    EXPECT_EQ(find("names[3]"), rows);
    EXPECT_EQ(rows->data, rows->base + 3 * 255);
}

TEST_F(Store, ArrayElementsAndIndexErrors) {
    Variable* m = create("m[3, 4]", TypeInt);
    ASSERT_NE(m, nullptr);
    Variable* i = create("i", TypeInt);
    std::int32_t two = 2;
    std::memcpy(i->data, &two, 4);
    Variable* f = create("f", TypeFloat);
    struct Case {
        const char* text;
        int element;  // -1: lookup fails
        int error;
    } cases[] = {
        {"m[2, 3]", 11, 0}, {"m[0]", 0, 0},   {"m", 0, 0},       {"m[i, 1]", 5, 0},
        {"m[0x2,0]", 2, 0}, {"m[3, 0]", -1, 7}, {"m[0, 4]", -1, 7},
        {"m[1", -1, 1},     {"m[f]", -1, 14}, {"m[zz]", -1, 10},
    };
    for (const Case& c : cases) {
        Variable* v = find(c.text);
        if (c.element < 0) {
            EXPECT_EQ(v, nullptr) << c.text;
        } else {
            ASSERT_EQ(v, m) << c.text;
            EXPECT_EQ(v->data - v->base, 4 * c.element) << c.text;
        }
        EXPECT_EQ(k.errorCode, c.error) << c.text;
    }
    (void)f;
}

TEST_F(Store, DimensionsAreCheckedBeforeAllocation) {
    struct Case {
        const char* text;
        std::uint8_t type;
        int error;
        std::uint32_t count;
    } cases[] = {
        {"d[010]", TypeInt, 0, 8},                       // octal, as a C literal
        {"h[0x10, 2]", TypeWord, 0, 32},
        {"z[0]", TypeInt, 45, 0},
        {"n[-3]", TypeInt, 2, 0},
        {"big[100000, 100000, 100000]", TypeInt, 2, 0},
        {"wide[4294967295]", TypeIString, 2, 0},
        {"huge[1073741824]", TypeDouble, 2, 0},
        {"open[5", TypeInt, 1, 0},
    };
    for (const Case& c : cases) {
        Variable* v = create(c.text, c.type);
        EXPECT_EQ(k.errorCode, c.error) << c.text;
        if (c.error == 0) {
            ASSERT_NE(v, nullptr) << c.text;
            EXPECT_EQ(v->count, c.count) << c.text;
        } else {
            EXPECT_EQ(v, nullptr) << c.text;
        }
    }
    // A failed creation leaves nothing behind under its name.
    EXPECT_NE(create("z[2]", TypeInt), nullptr);
}

TEST_F(Store, WindowTokenFindsTheWindowOfTheCurrentEvent) {
    Variable* windows = create("w[3]", TypeWindow);
    ASSERT_NE(windows, nullptr);
    const std::uint32_t object = 0x1234560;
    std::memcpy(windows->base + 8, &object, 4);
    k.constants[kWindowConstant] = object;
    EXPECT_EQ(find("\xFE\xE4\xE8"), windows);
    EXPECT_EQ(windows->data, windows->base + 8);
    k.constants[kWindowConstant] = 99;
    EXPECT_EQ(find("\xFE\xE4\xE8"), nullptr);
    EXPECT_EQ(k.errorCode, 0);
    std::memset(windows->base + 8, 0, 4);  // the recording host must not delete a fake object
}

TEST_F(Store, CallFallbackRefusesNamesThatAreNotCallable) {
    EXPECT_EQ(find("nothing", true), nullptr);
    EXPECT_EQ(k.errorCode, 10);
    // An index that fails is not a missing name: its error stays, also with the fallback allowed
    // and inside a subroutine, where the globals are searched again.
    ASSERT_NE(create("m[3]", TypeInt), nullptr);
    for (bool inSubroutine : {false, true}) {
        if (inSubroutine) enterScope();
        EXPECT_EQ(find("m[5 % 0]", true), nullptr);
        EXPECT_EQ(k.errorCode, 8) << inSubroutine;
        EXPECT_EQ(find("m[3]", true), nullptr);
        EXPECT_EQ(k.errorCode, 7) << inSubroutine;
    }
    Variable* p = create("p", TypePointer);
    Variable* target = create("t", TypeInt);
    p->target = target;
    EXPECT_EQ(find("#p"), target);
}

TEST_F(Store, ReleaseDeletesOwnedObjectsAndClosesFilesOnce) {
    Variable* w = create("w", TypeWindow);
    Variable* w2 = create("w2", TypeWindow);
    Variable* d = create("d", TypeDialog);
    Variable* f = create("f", TypeFile);
    Variable* f2 = create("f2", TypeBFile);
    Variable* fake = create("fake", TypeFile);
    int windowObject = 0, dialogObject = 0;
    void* wp = &windowObject;
    void* dp = &dialogObject;
    std::memcpy(w->data, &wp, sizeof wp);
    std::memcpy(w2->data, &wp, sizeof wp);  // one window object in two variables
    std::memcpy(d->data, &dp, sizeof dp);
    for (void* o : {wp, dp}) {
        k.objectList.addTail(o);
        k.liveObjects.addTail(o);
    }
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    k.openStreams.addTail(stream);
    std::memcpy(f->data, &stream, sizeof stream);
    std::memcpy(f2->data, &stream, sizeof stream);  // a shared handle is closed once
    const std::uint32_t madeUp = 12345;               // a number stored as a handle is never closed
    std::memcpy(fake->data, &madeUp, 4);
    // A parameter bound by reference shares the storage but owns nothing.
    Variable* borrowed = create("alias", TypeWindow, 0);
    borrowed->data = w->data;
    borrowed->isBorrowed = 1;
    k.constants[kWindowConstant] = 5;

    k.releaseProgram();
    EXPECT_EQ(host.deletedWindows, std::vector<void*>{wp});
    EXPECT_EQ(host.deletedDialogs, std::vector<void*>{dp});
    EXPECT_TRUE(k.objectList.empty());
    EXPECT_TRUE(k.openStreams.empty());
    EXPECT_EQ(k.constants[kWindowConstant], 0u);
    EXPECT_EQ(k.builtinDecimalPrec.next, nullptr);
    EXPECT_EQ(k.lastVariable, &k.builtinDecimalPrec);
}

TEST_F(Store, ReleaseInsideSubroutineFreesEveryScope) {
    create("g", TypeInt);
    enterScope();
    create("local1", TypeString);
    enterScope();
    create("local2", TypeInt);
    k.releaseProgram();  // leak checkers see what this leaves behind
    EXPECT_TRUE(k.scopeStack.empty());
    EXPECT_EQ(k.builtinDecimalPrec.next, nullptr);
}

}  // namespace
}  // namespace kestrun::test
