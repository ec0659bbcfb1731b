// Declarations: DIM of built-in types and arrays, record types with packing and nesting, CONST,
// named numbers, ALLOCATE and FREEPOINTER, DELETE, and a record array summed and formatted.
#include <cstring>
#include <string>

#include "engine_fixture.h"

namespace kestrun::test {
namespace {

using Declarations = EngineFixture;

// The member list of element i of a record variable.
Variable* membersOf(const Variable* v, std::uint32_t i = 0) {
    Variable* head = nullptr;
    std::memcpy(&head, (v->isArray ? v->base : v->data) + 4 * i, sizeof head);
    return head;
}

// A subroutine's scope, as a call makes it: the current scope start is saved and the new scope
// starts empty.
void enterScope(Kestrun& k) {
    ASSERT_TRUE(k.scopeStack.addTail(k.scopeStart()));
    k.builtinDecimalPrec.next = nullptr;
    k.lastVariable = &k.builtinDecimalPrec;
}

TEST_F(Declarations, BuiltInTypesAndDimensions) {
    struct Case {
        const char* line;
        const char* name;
        std::uint8_t type;
        std::uint32_t dims[3];
        std::uint32_t count;
    } cases[] = {
        {"DIM a, b, c : INT", "a", TypeInt, {0, 0, 0}, 1},
        {"DIM a, b, c : INT", "b", TypeInt, {0, 0, 0}, 1},
        {"DIM a, b, c : INT", "c", TypeInt, {0, 0, 0}, 1},
        {"DIM m[3, 4] : double", "m", TypeDouble, {3, 4, 0}, 12},
        {"DIM cube[2,3,4] : WORD", "cube", TypeWord, {2, 3, 4}, 24},
        {"DIM s : String", "s", TypeString, {255, 0, 0}, 255},
        {"DIM buf[100] : ISTRING", "buf", TypeString, {101, 0, 0}, 101},
        {"DIM names[5] : STRING", "names", TypeString, {5, 0, 0}, 5 * 255},
        {"DIM p : POINTER", "p", TypePointer, {0, 0, 0}, 1},
        {"DIM big : UINT64", "big", TypeUInt64, {0, 0, 0}, 1},
    };
    for (const Case& c : cases) {
        runLine(c.line);  // the three-name line runs three times: later runs fail with 9
        Variable* v = find(c.name);
        ASSERT_NE(v, nullptr) << c.line;
        EXPECT_EQ(v->type, c.type) << c.line;
        EXPECT_EQ(v->count, c.count) << c.line;
        for (int d = 0; d < 3; ++d) EXPECT_EQ(v->dims[d], c.dims[d]) << c.line << " dimension " << d;
    }
}

TEST_F(Declarations, DeclarationErrors) {
    struct Case {
        const char* line;
        int error;
    } cases[] = {
        {"DIM", 1},
        {"DIM a", 1},               // no colon and type
        {"DIM a : INT, b", 1},      // the type belongs to the last argument
        {"DIM a : NOSUCH", 55},
        {"DIM a[0] : INT", 45},
        {"DIM a[2, 0] : INT", 45},
        {"DIM s : ISTRING", 44},
        {"DIM a[2 : INT", 1},
        {"DIM dup : INT", 9},       // declared before the table runs
        {"DIM Dup : FLOAT", 9},     // names compare without regard to case
    };
    ASSERT_EQ(runLine("DIM dup : INT"), 0);
    for (const Case& c : cases) EXPECT_EQ(runLine(c.line), c.error) << c.line;
    // An empty name among the names.
    EXPECT_EQ(call(21, {V("x"), V(" "), V("y : INT")}), 1);
}

// Sizes computed from the program (dimensions multiplied together, element counts times widths,
// the extra byte of an ISTRING) that do not fit in memory stop with error 2 and create nothing;
// none of them may wrap around into a small allocation.
TEST_F(Declarations, SizesTooLargeForMemoryStopWith2) {
    struct Case {
        const char* line;
        const char* name;
    } cases[] = {
        {"DIM a[100000, 100000, 100000] : INT", "a"},  // the product (10^15) wraps in 32 bits
        {"DIM s[4294967295] : ISTRING", "s"},          // size + 1 wraps to 0 in 32 bits
        {"DIM w[65536, 65536] : CHAR", "w"},           // the product is 2^32, 0 in 32 bits
        {"DIM y[4294967296] : INT", "y"},              // the dimension itself is 0 in 32 bits
        {"DIM d[268435456] : DOUBLE", "d"},            // count fits, count * 8 is 2^31
        {"DIM i[2147483647] : ISTRING", "i"},          // the terminator's byte makes it 2^31
        {"DIM e[(65536 * 65536)] : INT", "e"},         // a dimension computed by an expression
        {"DIM n[-1] : INT", "n"},
        {"DIM r[1073741824] : pair", "r"},             // record slots: 2^30 * 4 bytes
        {"DIM t[3, 1431655766] : UINT64", "t"},
    };
    runProgram("TYPE pair\n  DIM a : INT\nENDTYPE\n");
    for (const Case& c : cases) {
        EXPECT_EQ(runLine(c.line), 2) << c.line;
        EXPECT_EQ(find(c.name), nullptr) << c.line;
    }
    // Slots that fit but member lists that cannot (found by fuzzing: the lists were built until
    // the run's bound, then 10^8 slots were walked to release them).
    EXPECT_EQ(runLine("DIM lists[107937418] : pair"), 2);
    // A large request that fits is made.
    EXPECT_EQ(runLine("DIM fits[65535, 2] : CHAR"), 0);
}

// Record arrays whose heads fit but whose members (strings, arrays, nested records) would take
// more than memory allows stop with error 2 once the first element shows their size, instead of
// building members for seconds until memory runs out (found by fuzzing). Arrays that fit are
// built in full.
TEST_F(Declarations, RecordArraysTooLargeForTheirMembersStopWith2) {
    ASSERT_EQ(runProgram("TYPE wide\n  DIM a : INT\n  DIM b : STRING\n  DIM c[3] : DOUBLE\nENDTYPE\n"
                         "TYPE outer\n  DIM inner[20000] : wide\nENDTYPE\n"),
              0);
    const struct {
        const char* line;
        const char* name;
        int error;
    } cases[] = {
        {"DIM many[10037418] : wide", "many", 2},  // 4 Variables and 283 bytes of storage each
        {"DIM nested[200] : outer", "nested", 2},  // each element holds 20,000 records
        {"DIM few[1000] : wide", "few", 0},
        {"DIM one[2] : outer", "one", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runLine(c.line), c.error) << c.line;
        // As after any record array whose members fail, the name stays, holding nothing.
        const Variable* v = find(c.name);
        ASSERT_NE(v, nullptr) << c.line;
        EXPECT_EQ(v->count != 0, c.error == 0) << c.line;
    }
    Variable* few = find("few");
    ASSERT_NE(few, nullptr);
    EXPECT_EQ(runLine("few[999].b = \"last\""), 0);
}

TEST_F(Declarations, ALocalMayRepeatAGlobalName) {
    ASSERT_EQ(runLine("DIM a : INT"), 0);
    enterScope(k);
    EXPECT_EQ(runLine("DIM a : STRING"), 0);
    EXPECT_EQ(runLine("DIM a : STRING"), 9);
    EXPECT_EQ(find("a")->type, TypeString);
    // Back to the globals.
    k.freeVariableChain(k.scopeStart(), false);
    k.builtinDecimalPrec.next = static_cast<Variable*>(k.scopeStack.removeTail());
    EXPECT_EQ(find("a")->type, TypeInt);
}

TEST_F(Declarations, EveryRecordOfAnArrayHasItsOwnMembers) {
    ASSERT_EQ(runProgram("TYPE item\n"
                         "  DIM qty : INT\n"
                         "  DIM title : STRING\n"
                         "ENDTYPE\n"
                         "TYPE packed, 2\n"
                         "  DIM b : CHAR\n"
                         "ENDTYPE\n"
                         "DIM stock[3] : item\n"
                         "DIM one : ITEM\n"
                         "DIM p : packed\n"
                         "stock[1].qty = 7\n"
                         "stock[2].title = \"two\"\n"),
              0);
    Variable* stock = find("stock");
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(stock->type, TypeUser);
    EXPECT_EQ(stock->aux, 8);  // packing 8 unless given
    EXPECT_EQ(find("p")->aux, 2);
    for (std::uint32_t i = 0; i < 3; ++i) {
        Variable* head = membersOf(stock, i);
        ASSERT_NE(head, nullptr) << i;
        ASSERT_NE(head->next, nullptr) << i;
        EXPECT_STREQ(head->next->name, "qty");
        EXPECT_EQ(head->next->type, TypeInt);
        ASSERT_NE(head->next->next, nullptr) << i;
        EXPECT_STREQ(head->next->next->name, "title");
        EXPECT_EQ(head->next->next->type, TypeString);
        EXPECT_EQ(head->next->next->next, nullptr);
        if (i) {
            EXPECT_NE(head, membersOf(stock, i - 1));
        }
    }
    EXPECT_EQ(value<std::int32_t>("stock[0].qty"), 0);
    EXPECT_EQ(value<std::int32_t>("stock[1].qty"), 7);
    EXPECT_EQ(text("stock[2].title"), "two");
    EXPECT_EQ(text("stock[1].title"), "");
    ASSERT_NE(membersOf(find("one")), nullptr);
}

TEST_F(Declarations, NestedRecordsHaveMemberListsOfTheirOwn) {
    ASSERT_EQ(runProgram("TYPE point\n"
                         "  DIM x, y : INT\n"
                         "ENDTYPE\n"
                         "TYPE line, 4\n"
                         "  DIM from, to : point\n"
                         "  DIM width : DOUBLE\n"
                         "ENDTYPE\n"
                         "DIM shape[2] : line\n"
                         "shape[1].to.y = 9\n"
                         "shape[1].width = 1.5\n"),
              0);
    EXPECT_EQ(value<std::int32_t>("shape[1].to.y"), 9);
    EXPECT_EQ(value<std::int32_t>("shape[1].from.y"), 0);
    EXPECT_EQ(value<std::int32_t>("shape[0].to.y"), 0);
    EXPECT_EQ(value<double>("shape[1].width"), 1.5);
    Variable* head = membersOf(find("shape"), 1);
    const char* names[] = {"from", "to", "width"};
    Variable* m = head->next;
    for (const char* name : names) {
        ASSERT_NE(m, nullptr) << name;
        EXPECT_STREQ(m->name, name);
        m = m->next;
    }
    EXPECT_EQ(head->next->aux, 8);  // a nested record has its own type's packing
}

TEST_F(Declarations, RecordTypeErrors) {
    struct Case {
        const char* name;
        const char* source;
        int error;
        int line;
    } cases[] = {
        // A body line that is not a declaration fails when an instance is made, not before.
        {"body", "TYPE bad\n  x = 1\nENDTYPE\nDIM ok : INT\nDIM b : bad\n", 1, 5},
        {"nested block", "TYPE outer\n  TYPE inner\n  ENDTYPE\nENDTYPE\n", 47, 1},
        {"no end", "TYPE t\n  DIM a : INT\n", 47, 1},
        {"three arguments", "TYPE t, 8, 1\nENDTYPE\n", 1, 1},
        {"real packing", "TYPE t, 2.5\nENDTYPE\n", 20, 1},
        {"unknown member type", "TYPE t\n  DIM a : missing\nENDTYPE\nDIM v : t\n", 55, 4},
        // A type that contains itself would never end: it stops at the nesting limit.
        {"self", "TYPE node\n  DIM n : INT\n  DIM next : node\nENDTYPE\nDIM v : node\n", 1, 5},
        {"cycle", "TYPE a\n  DIM m : b\nENDTYPE\nTYPE b\n  DIM m : a\nENDTYPE\nDIM v : a\n", 1, 7},
    };
    for (const Case& c : cases) {
        const RunResult r = runSource(c.source);
        EXPECT_EQ(r.errorCode, c.error) << c.name;
        EXPECT_EQ(r.line, c.line) << c.name;
    }
}

TEST_F(Declarations, TheFirstDefinitionOfANameWinsAndTheBodyIsSkipped) {
    ASSERT_EQ(runProgram("TYPE t\n"
                         "  DIM a : INT\n"
                         "ENDTYPE\n"
                         "TYPE T\n"
                         "  DIM b : INT\n"
                         "ENDTYPE\n"
                         "DIM v : t\n"),
              0);
    EXPECT_NE(find("v.a"), nullptr);
    EXPECT_EQ(find("a"), nullptr);  // the body did not run as statements
    ASSERT_NE(k.typeList, nullptr);
    ASSERT_NE(k.typeList->next, nullptr);
    EXPECT_EQ(k.typeList->next->prev, k.typeList);
    EXPECT_EQ(k.typeList->firstLine, 1);
    EXPECT_EQ(k.typeList->lastLine, 1);
}

TEST_F(Declarations, ConstantsAreReadOnly) {
    ASSERT_EQ(runLine("CONST limit = 10, name = \"x\""), 0);
    EXPECT_EQ(value<std::int32_t>("limit"), 10);
    EXPECT_EQ(text("name"), "x");
    EXPECT_EQ(runLine("limit = 10"), 58);
    EXPECT_EQ(runLine("name = \"y\""), 58);
    EXPECT_EQ(runLine("CONST limit = 3"), 58);
    ASSERT_EQ(runLine("DIM pi : DOUBLE"), 0);
    ASSERT_EQ(runLine("CONST pi = 3.25"), 0);
    EXPECT_EQ(value<double>("pi"), 3.25);

    struct Case {
        const char* line;
        int error;
    } cases[] = {{"CONST", 56}, {"CONST a", 1}, {"CONST b = 1, c", 1}};
    for (const Case& c : cases) EXPECT_EQ(runLine(c.line), c.error) << c.line;
    EXPECT_TRUE(find("b")->isConstant);  // made before the failing one
    ASSERT_EQ(runLine("AUTODECLARE \"OFF\""), 0);
    EXPECT_EQ(runLine("CONST fresh = 1"), 10);
}

TEST_F(Declarations, AConstantMayCallASubroutineThatDeclaresARecord) {
    ASSERT_EQ(runProgram("TYPE pair\n"
                         "  DIM a, b : INT\n"
                         "ENDTYPE\n"
                         "CONST n = make(), m = 2\n"
                         "END\n"
                         "SUB make\n"
                         "  DIM local : pair\n"
                         "  local.b = 5\n"
                         "  RETURN local.b\n"),
              0);
    EXPECT_EQ(value<float>("n"), 5.0f);
    EXPECT_TRUE(find("n")->isConstant);
    EXPECT_TRUE(find("m")->isConstant);
}

TEST_F(Declarations, NamedNumbers) {
    ASSERT_EQ(runLine("DIM r : DOUBLE"), 0);
    ASSERT_EQ(runLine("DEFSYMBOL \"width\", 40"), 0);
    ASSERT_EQ(runLine("r = @WIDTH + 1"), 0);
    EXPECT_EQ(value<double>("r"), 41.0);
    ASSERT_EQ(runLine("DEFSYMBOL \"Width\", -1"), 0);  // replaces the value
    ASSERT_EQ(runLine("r = @width + 0"), 0);
    EXPECT_EQ(value<double>("r"), 4294967295.0);
    ASSERT_EQ(runLine("DEFSYMBOL \"half\", 7.9"), 0);  // the 32-bit integer view
    ASSERT_EQ(runLine("r = @HALF * 1"), 0);
    EXPECT_EQ(value<double>("r"), 7.0);

    struct Case {
        const char* line;
        int error;
    } cases[] = {{"DEFSYMBOL \"a\"", 56}, {"DEFSYMBOL 1, 2", 14}, {"DEFSYMBOL \"a\", \"b\"", 19}};
    for (const Case& c : cases) EXPECT_EQ(runLine(c.line), c.error) << c.line;
}

TEST_F(Declarations, AllocateMakesAnAnonymousVariable) {
    struct Case {
        const char* line;
        const char* name;
        std::uint8_t type;
        std::uint32_t dim;
    } cases[] = {
        {"ALLOCATE INT, 10", "temp", TypeInt, 10},
        {"ALLOCATE int, 1", "temp", TypeInt, 0},
        {"ALLOCATE DOUBLE, 0", "temp", TypeDouble, 0},
        {"ALLOCATE FIX, 3", "temp", TypeInt, 3},  // the INT token
        {"ALLOCATE STRING, 2", "temp", TypeString, 2},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(runLine(c.line), 0) << c.line;
        EXPECT_EQ(resultType(), TypePointer);
        Variable* t = k.resultPointer->target;
        ASSERT_NE(t, nullptr) << c.line;
        EXPECT_STREQ(t->name, c.name);
        EXPECT_EQ(t->type, c.type) << c.line;
        EXPECT_EQ(t->dims[0], c.type == TypeString && !c.dim ? 255u : c.dim) << c.line;
        EXPECT_EQ(t->prev, nullptr);
        EXPECT_EQ(t->next, nullptr);
        std::uint32_t address;
        std::memcpy(&address, k.resultPointer->data, 4);
        EXPECT_EQ(address, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(t->isArray ? t->base : t->data)));
    }
    EXPECT_EQ(k.anonymousVariables.count(), 5u);
    EXPECT_EQ(find("temp"), nullptr);  // in no scope

    // A name that names nothing: the value stays, the target goes.
    std::uint32_t before, after;
    std::memcpy(&before, k.resultPointer->data, 4);
    ASSERT_EQ(runLine("ALLOCATE nothing, 4"), 0);
    std::memcpy(&after, k.resultPointer->data, 4);
    EXPECT_EQ(after, before);
    EXPECT_EQ(k.resultPointer->target, nullptr);

    EXPECT_EQ(runLine("ALLOCATE INT"), 56);
    EXPECT_EQ(runLine("ALLOCATE INT, \"3\""), 19);
    EXPECT_EQ(runLine("ALLOCATE INT, 2000000000"), 2);
}

TEST_F(Declarations, PointersToAllocatedRecordsAndTheirRelease) {
    ASSERT_EQ(runProgram("TYPE pair\n"
                         "  DIM a, b : INT\n"
                         "ENDTYPE\n"
                         "DIM p, q : POINTER\n"
                         "p = ALLOCATE(pair, 4)\n"
                         "q = p\n"
                         "#p[2].b = 5\n"),
              0);
    Variable* p = find("p");
    Variable* q = find("q");
    ASSERT_NE(p->target, nullptr);
    EXPECT_STREQ(p->target->name, "temp");
    EXPECT_EQ(p->target->dims[0], 4u);
    EXPECT_EQ(q->target, p->target);
    EXPECT_EQ(value<std::int32_t>("#q[2].b"), 5);

    // Releasing through p takes the target from every pointer, q and SYSTEM_POINTER0 included,
    // so releasing through q afterwards only clears q.
    ASSERT_EQ(runLine("FREEPOINTER p"), 0);
    EXPECT_EQ(p->target, nullptr);
    EXPECT_EQ(value<std::uint32_t>("p"), 0u);
    EXPECT_EQ(q->target, nullptr);
    EXPECT_EQ(k.resultPointer->target, nullptr);
    EXPECT_TRUE(k.anonymousVariables.empty());
    ASSERT_EQ(runLine("FREEPOINTER q"), 0);
    ASSERT_EQ(runLine("FREEPOINTER p"), 0);

    EXPECT_EQ(runLine("FREEPOINTER"), 56);
    EXPECT_EQ(runLine("FREEPOINTER p, q"), 56);
    ASSERT_EQ(runLine("DIM n : INT"), 0);
    EXPECT_EQ(runLine("FREEPOINTER n"), 14);
}

TEST_F(Declarations, FreePointerDestroysANamedTarget) {
    ASSERT_EQ(runLine("DIM x[4] : INT"), 0);
    ASSERT_EQ(runLine("DIM p : POINTER"), 0);
    ASSERT_EQ(runLine("p = x[2]"), 0);
    ASSERT_EQ(runLine("FREEPOINTER p"), 0);
    EXPECT_EQ(find("x"), nullptr);
    EXPECT_EQ(find("p")->target, nullptr);
    // A pointer that designates DECIMAL_PREC cannot release it.
    ASSERT_EQ(runLine("p = DECIMAL_PREC"), 0);
    EXPECT_EQ(runLine("FREEPOINTER p"), 21);
}

TEST_F(Declarations, APointerInsideTheRecordItDesignatesGoesWithIt) {
    ASSERT_EQ(runProgram("TYPE node\n"
                         "  DIM self : POINTER\n"
                         "ENDTYPE\n"
                         "DIM n : node\n"
                         "n.self = n\n"),
              0);
    ASSERT_EQ(find("n.self")->target, find("n"));
    EXPECT_EQ(runLine("FREEPOINTER n.self"), 0);
    EXPECT_EQ(find("n"), nullptr);
}

TEST_F(Declarations, DeleteDestroysVariables) {
    ASSERT_EQ(runLine("DIM a, b, c : INT"), 0);
    ASSERT_EQ(runLine("DIM keep : INT"), 0);
    ASSERT_EQ(runLine("DELETE a, c"), 0);
    EXPECT_EQ(find("a"), nullptr);
    EXPECT_EQ(find("c"), nullptr);
    ASSERT_NE(find("b"), nullptr);
    EXPECT_EQ(find("b")->next, find("keep"));
    EXPECT_EQ(k.lastVariable, find("keep"));
    ASSERT_EQ(runLine("DELETE keep"), 0);
    EXPECT_EQ(k.lastVariable, find("b"));
    ASSERT_EQ(runLine("DIM again : INT"), 0);  // the chain still ends well
    EXPECT_EQ(find("b")->next, find("again"));

    struct Case {
        const char* line;
        int error;
    } cases[] = {
        {"DELETE", 56},
        {"DELETE nosuch", 10},
        {"DELETE DECIMAL_PREC", 21},
        {"DELETE SYSTEM_STDOUT0", 21},
        {"DELETE SYSTEM_STDIN0", 21},
        {"DELETE SYSTEM_STRING0", 21},  // the result variables belong to the interpreter too
        {"DELETE SYSTEM_POINTER0", 21},
        {"DELETE b, nosuch", 10},
    };
    for (const Case& c : cases) EXPECT_EQ(runLine(c.line), c.error) << c.line;
    EXPECT_EQ(find("b"), nullptr);  // deleted before the failing name
}

TEST_F(Declarations, DeleteLeavesBorrowedStorageToItsOwner) {
    // A parameter bound by reference shares its argument's storage.
    ASSERT_EQ(runLine("DIM x : INT"), 0);
    ASSERT_EQ(runLine("x = 42"), 0);
    Variable* alias = k.createVariable("alias", TypeInt, 0, nullptr);
    ASSERT_NE(alias, nullptr);
    alias->data = find("x")->data;
    alias->count = 1;
    alias->isBorrowed = 1;
    ASSERT_EQ(runLine("DELETE alias"), 0);
    EXPECT_EQ(value<std::int32_t>("x"), 42);
    ASSERT_EQ(runLine("x = 43"), 0);
    EXPECT_EQ(value<std::int32_t>("x"), 43);
}

// A variable that a parameter of an active call shares by reference cannot be deleted (21), so
// that the call never writes into freed storage; once the call has returned it can. The first
// case is the fuzzing input that showed the fault (a use after free).
TEST(DeleteWhileShared, RefusesUntilTheCallReturns) {
    struct Case {
        const char* name;
        const char* source;
        int error;
        int line;
    } cases[] = {
        {"string", "DECLARE f(s : STRING)\nDIM t : STRING\nx = f(t)\nEND\nSUB f\n  DELETE t\n  s = \"hello\"\n  RETURN 1\n",
         21, 6},
        {"array", "DIM m[3] : INT\nDECLARE f(v[] : INT)\nf(m)\nEND\nSUB f\n  DELETE m\n  v[1] = 7\n  RETURN\n", 21, 6},
        {"array element string", "DIM n[3] : STRING\nDECLARE f(s : STRING)\nf(n[2])\nEND\nSUB f\n  DELETE n\n  RETURN\n", 21, 6},
        {"record member", "TYPE r\n  DIM a : STRING\nENDTYPE\nDIM v : r\nDECLARE f(s : STRING)\nf(v.a)\nEND\nSUB f\n"
                          "  DELETE v\n  RETURN\n",
         21, 9},
        {"after the call", "DECLARE f(s : STRING)\nDIM t : STRING\nf(t)\nDELETE t\nEND\nSUB f\n  s = \"x\"\n  RETURN\n", 0, 0},
        {"the parameter itself", "DECLARE f(s : STRING)\nDIM t : STRING\nf(t)\nt = \"ok\"\nEND\nSUB f\n  DELETE s\n  RETURN\n",
         0, 0},
    };
    for (const Case& c : cases) {
        const RunResult r = runSource(c.source);
        EXPECT_EQ(r.errorCode, c.error) << c.name;
        EXPECT_EQ(r.line, c.line) << c.name;
    }
}

TEST_F(Declarations, DeleteRefusesAWindowThatStillShows) {
    ASSERT_EQ(runLine("DIM w[2] : WINDOW"), 0);
    Variable* w = find("w");
    const std::uint32_t object = 0x1234;
    std::memcpy(w->base + 4, &object, 4);
    EXPECT_EQ(runLine("DELETE w"), 22);
    std::memset(w->base + 4, 0, 4);
    EXPECT_EQ(runLine("DELETE w"), 0);
}

TEST_F(Declarations, DeleteLeavesNoPointerWithAFreedTarget) {
    ASSERT_EQ(runProgram("TYPE rec\n"
                         "  DIM v : INT\n"
                         "ENDTYPE\n"
                         "DIM r : rec\n"
                         "DIM x : INT\n"
                         "DIM p, q : POINTER\n"
                         "p = x\n"
                         "q = r.v\n"),
              0);
    ASSERT_EQ(runLine("DELETE x, r"), 0);
    EXPECT_EQ(find("p")->target, nullptr);
    EXPECT_EQ(find("q")->target, nullptr);  // it designated a member of the record
    EXPECT_EQ(runLine("DIM n : INT"), 0);
    EXPECT_EQ(runLine("n = #p + 0"), 10);  // no target to read
}

TEST_F(Declarations, DeletingTheFirstVariableOfAScopeKeepsTheScope) {
    ASSERT_EQ(runLine("DIM p : POINTER"), 0);
    enterScope(k);
    ASSERT_EQ(runLine("DIM first, second, third : INT"), 0);
    Variable* second = find("second");
    ASSERT_EQ(runLine("DELETE first"), 0);
    EXPECT_EQ(k.scopeStart(), second);

    // The first variable of a caller's scope, released through a pointer from a nested call.
    Variable* third = find("third");
    ASSERT_EQ(runLine("p = second"), 0);
    enterScope(k);
    ASSERT_EQ(runLine("FREEPOINTER p"), 0);
    EXPECT_EQ(k.scopeStack.tail(), third);
    EXPECT_EQ(third->prev, &k.builtinDecimalPrec);
}

// The record array of the end-to-end program, driven line by line: a hundred records filled,
// one member summed, the sum formatted with a picture.
TEST_F(Declarations, RecordArraySummedAndFormatted) {
    ASSERT_EQ(runProgram("TYPE item\n"
                         "  DIM qty : INT\n"
                         "  DIM price : DOUBLE\n"
                         "ENDTYPE\n"
                         "DIM stock[100] : item\n"
                         "DIM total : INT\n"
                         "DIM shown : STRING\n"),
              0);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(runLine("stock[" + std::to_string(i) + "].qty = " + std::to_string(i) + " + 1"), 0) << i;
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(runLine("total = total + stock[" + std::to_string(i) + "].qty"), 0) << i;
    EXPECT_EQ(value<std::int32_t>("total"), 5050);
    ASSERT_EQ(runLine("shown = FORMAT(\"Sum #,### items\", total)"), 0);
    EXPECT_EQ(text("shown"), "Sum 5,050 items");
}

}  // namespace
}  // namespace kestrun::test
