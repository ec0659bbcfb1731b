// MEMORY blocks: allocation and resizing with their results, the bounds of record copies, blocks
// shared through assignment, and the byte offsets at which records of arrays and user types land.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core_harness.h"
#include "engine_fixture.h"
#include "program_case.h"

namespace kestrun::test {
namespace {

using MemoryCase = ProgramValuesCase;

class MemoryPrograms : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(MemoryPrograms, EndAsExpected) { expectProgramOutcome(GetParam()); }

// Four lines that every case starts with: a block of 10 INTs in m, an INT array of 5 holding 1
// to 5, and the INT result r of the allocation. Case lines start at line 5.
#define SETUP                    \
    "DIM m, m2 : MEMORY\n"       \
    "DIM a[5] : INT\n"           \
    "DIM x, r, n : INT\n"        \
    "r = MEMALLOC(m, 10, 4)\n"

INSTANTIATE_TEST_SUITE_P(
    Allocation, MemoryPrograms,
    ::testing::Values(
        MemoryCase{"TenIntsGiveForty", SETUP "n = LEN(m)\n", 0, 0, {{"r", "40"}, {"n", "40"}}},
        MemoryCase{"GrowingKeepsTheContents", SETUP "x = 77\nVARTOMEM m, 10, x\nr = MEMALLOC(m, 20, 4)\nx = 0\n"
                                                    "MEMTOVAR m, 10, x\nn = LEN(m)\n",
                   0, 0, {{"r", "80"}, {"x", "77"}, {"n", "80"}}},
        MemoryCase{"ResizeToZeroFreesTheBlock", SETUP "r = MEMALLOC(m, 0, 4)\nn = LEN(m)\n", 0, 0,
                   {{"r", "-1"}, {"n", "0"}}},
        MemoryCase{"ZeroBytesNewBlock", SETUP "r = MEMALLOC(m2, 0, 4)\n", 0, 0, {{"r", "0"}}},
        // Sizes that are no block size are failed allocations, never a wrapped small block.
        MemoryCase{"NegativeCount", SETUP "r = MEMALLOC(m2, -1, 4)\nn = LEN(m2)\n", 0, 0, {{"r", "-1"}, {"n", "0"}}},
        MemoryCase{"BothNegative", SETUP "r = MEMALLOC(m2, -4, -4)\n", 0, 0, {{"r", "-1"}}},
        MemoryCase{"ProductBeyond32Bits", SETUP "r = MEMALLOC(m2, 65536, 65537)\n", 0, 0, {{"r", "-1"}}},
        MemoryCase{"ProductBeyondIntRange", SETUP "r = MEMALLOC(m2, 1073741824, 2)\n", 0, 0, {{"r", "-1"}}},
        MemoryCase{"FailedResizeLeavesNoBlock", SETUP "r = MEMALLOC(m, 65536, 65537)\nn = LEN(m)\nx = 5\n"
                                                      "MEMTOVAR m, 1, x\n",
                   0, 0, {{"r", "-1"}, {"n", "0"}, {"x", "5"}}},
        MemoryCase{"MadeUpAddressGetsANewBlock", SETUP "m2 = 4096\nr = MEMALLOC(m2, 2, 2)\n", 0, 0, {{"r", "4"}}},
        MemoryCase{"TwoArguments", SETUP "MEMALLOC m, 10\n", 56, 5, {}},
        MemoryCase{"NotAMemoryVariable", SETUP "MEMALLOC x, 1, 1\n", 14, 5, {}},
        MemoryCase{"CountNotANumber", SETUP "MEMALLOC m, \"ten\", 1\n", 19, 5, {}}),
    programCaseName);

INSTANTIATE_TEST_SUITE_P(
    Freeing, MemoryPrograms,
    ::testing::Values(
        MemoryCase{"Twice", SETUP "MEMFREE m\nMEMFREE m\nn = LEN(m)\n", 0, 0, {{"n", "0"}}},
        MemoryCase{"ThroughBothSharingVariables", SETUP "m2 = m\nMEMFREE m\nMEMFREE m2\n", 0, 0, {}},
        MemoryCase{"MadeUpAddressIsOnlyCleared", SETUP "m2 = 4096\nMEMFREE m2\n", 0, 0, {}},
        MemoryCase{"OtherCountsDoNothing", SETUP "MEMFREE m, m2\nMEMFREE\nn = LEN(m)\n", 0, 0, {{"n", "40"}}},
        MemoryCase{"NotAMemoryVariable", SETUP "MEMFREE x\n", 14, 5, {}}),
    programCaseName);

INSTANTIATE_TEST_SUITE_P(
    RecordBounds, MemoryPrograms,
    ::testing::Values(
        MemoryCase{"ArrayIntoRecordTwo", SETUP "VARTOMEM m, 2, a\n", 0, 0, {}},
        MemoryCase{"ArrayIntoRecordThree", SETUP "VARTOMEM m, 3, a\n", 7, 5, {}},
        MemoryCase{"ArrayFromRecordThree", SETUP "MEMTOVAR m, 3, a\n", 7, 5, {}},
        MemoryCase{"OffsetEndingAtTheEnd", SETUP "VARTOMEM m, 1, a, 20\nMEMTOVAR m, 1, a, 20\n", 0, 0, {}},
        MemoryCase{"OffsetWithoutRoom", SETUP "VARTOMEM m, 2, a, 2\n", 7, 5, {}},
        MemoryCase{"NegativeOffset", SETUP "VARTOMEM m, 1, x, -4\n", 7, 5, {}},
        MemoryCase{"RecordZero", SETUP "MEMTOVAR m, 0, x\n", 7, 5, {}},
        MemoryCase{"LastIntRecord", SETUP "x = 9\nVARTOMEM m, 10, x\nVARTOMEM m, 11, x\n", 7, 7, {}},
        // A block shared by assignment has no recorded size: reading an INT from it fails, while
        // writing is bounded by the allocation.
        MemoryCase{"SharedBlockReadFails", SETUP "m2 = m\nMEMTOVAR m2, 1, x\n", 7, 6, {}},
        MemoryCase{"SharedBlockWriteIsBounded", SETUP "m2 = m\nx = 3\nVARTOMEM m2, 10, x\nx = 0\nMEMTOVAR m, 10, x\n"
                                                      "VARTOMEM m2, 11, x\n",
                   7, 10, {{"x", "3"}}},
        // After a free through one variable the other holds a dead address: nothing reaches it.
        MemoryCase{"FreedThroughTheOtherVariable", SETUP "m2 = m\nMEMFREE m\nVARTOMEM m2, 1, x\n", 7, 7, {}},
        // The block shrinks through the other variable: m's recorded 40 bytes no longer exist.
        MemoryCase{"RecordedSizeBeyondAShrunkBlock", SETUP "m2 = m\nr = MEMALLOC(m2, 1, 4)\nMEMTOVAR m, 5, x\n", 7, 7,
                   {{"r", "4"}}},
        MemoryCase{"MadeUpAddress", SETUP "m2 = 4096\nVARTOMEM m2, 1, x\n", 7, 6, {}},
        MemoryCase{"NoBlockCopiesNothing", SETUP "x = 5\nMEMTOVAR m2, 1, x\nVARTOMEM m2, 1, x\n", 0, 0, {{"x", "5"}}},
        MemoryCase{"NoBlockFetchesNothingMore", SETUP "MEMTOVAR m2, 0, nosuch\n", 0, 0, {}},
        MemoryCase{"UnknownVariable", SETUP "VARTOMEM m, 1, nosuch\n", 10, 5, {}},
        MemoryCase{"TwoArguments", SETUP "MEMTOVAR m, 1\n", 56, 5, {}},
        MemoryCase{"FiveArguments", SETUP "VARTOMEM m, 1, x, 0, 0\n", 56, 5, {}},
        MemoryCase{"NotAMemoryVariable", SETUP "VARTOMEM x, 1, x\n", 14, 5, {}}),
    programCaseName);

#undef SETUP

class MemoryBlocks : public EngineFixture {
protected:
    // The block a MEMORY variable holds.
    std::uint8_t* block(const std::string& name) {
        const std::uint32_t word = value<std::uint32_t>(name);
        return reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(word));
    }
    std::int32_t intAt(const std::uint8_t* p) {
        std::int32_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    std::size_t liveBlockCount() {
        std::size_t n = 0;
        k.liveBlocks.forEach([&](void*) { ++n; });
        return n;
    }
};

TEST_F(MemoryBlocks, ArrayRecordsLandAtTheirOffsets) {
    ASSERT_EQ(runProgram("DIM m : MEMORY\n"
                         "DIM a[5] : INT\n"
                         "FOR i, 0, 4\n"
                         "a[i] = i + 1\n"
                         "NEXT i\n"
                         "r = MEMALLOC(m, 10, 4)\n"
                         "VARTOMEM m, 2, a\n"),
              0);
    const std::uint8_t* b = block("m");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(k.memoryBlockSize(b), 40u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(intAt(b + 4 * i), 0) << i;  // a new block is zeroed
    for (int i = 0; i < 5; ++i) EXPECT_EQ(intAt(b + 20 + 4 * i), i + 1) << i;

    // With an offset the record moves by that many bytes.
    ASSERT_EQ(runLine("VARTOMEM m, 1, a, 2"), 0);
    EXPECT_EQ(intAt(b + 2), 1);
    EXPECT_EQ(intAt(b + 18), 5);
    EXPECT_EQ(intAt(b + 24), 2);  // record 2 from its second element on is untouched
}

// A name with an index copies from the addressed element up to the end of the array, never past
// it; the record keeps the whole array's size.
TEST_F(MemoryBlocks, IndexedArrayStaysInsideTheArray) {
    ASSERT_EQ(runProgram("DIM m : MEMORY\n"
                         "DIM a[5] : INT\n"
                         "FOR i, 0, 4\n"
                         "a[i] = i + 1\n"
                         "NEXT i\n"
                         "r = MEMALLOC(m, 10, 4)\n"
                         "VARTOMEM m, 2, a[2]\n"),
              0);
    const std::uint8_t* b = block("m");
    const std::int32_t expected[5] = {3, 4, 5, 0, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(intAt(b + 20 + 4 * i), expected[i]) << i;

    std::uint8_t* w = block("m");
    for (int i = 0; i < 10; ++i) std::memcpy(w + 4 * i, &i, 4);  // 0 to 9
    ASSERT_EQ(runLine("MEMTOVAR m, 2, a[3]"), 0);
    const std::int32_t after[5] = {1, 2, 3, 5, 6};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(value<std::int32_t>("a[" + std::to_string(i) + "]"), after[i]) << i;
}

TEST_F(MemoryBlocks, UserTypeRecordsAreMembersBackToBack) {
    ASSERT_EQ(runProgram("TYPE point\n"
                         "  DIM x, y : INT\n"
                         "ENDTYPE\n"
                         "TYPE item\n"
                         "  DIM qty : INT\n"
                         "  DIM title : STRING\n"
                         "  DIM corner[2] : point\n"
                         "  DIM weight : DOUBLE\n"
                         "ENDTYPE\n"
                         "DIM it, back : item\n"
                         "DIM m, shared : MEMORY\n"
                         "DIM size : INT\n"
                         "it.qty = 7\n"
                         "it.title = \"bolt\"\n"
                         "it.corner[1].y = 9\n"
                         "it.weight = 2.5\n"
                         "size = LEN(it)\n"
                         "r = MEMALLOC(m, 2, size)\n"
                         "VARTOMEM m, 2, it\n"
                         "MEMTOVAR m, 2, back\n"),
              0);
    // INT 4 + STRING 255 + two points of 8 + DOUBLE 8, no padding.
    ASSERT_EQ(value<std::int32_t>("size"), 283);
    const std::uint8_t* record = block("m") + 283;
    EXPECT_EQ(intAt(record), 7);
    EXPECT_STREQ(reinterpret_cast<const char*>(record + 4), "bolt");
    EXPECT_EQ(intAt(record + 259 + 12), 9);  // corner[1].y
    double weight;
    std::memcpy(&weight, record + 275, sizeof weight);
    EXPECT_EQ(weight, 2.5);

    EXPECT_EQ(value<std::int32_t>("back.qty"), 7);
    EXPECT_EQ(text("back.title"), "bolt");
    EXPECT_EQ(value<std::int32_t>("back.corner[1].y"), 9);
    EXPECT_EQ(value<double>("back.weight"), 2.5);

    // Through a variable with no recorded size a record is still bounded by the allocation.
    ASSERT_EQ(runLine("shared = m"), 0);
    EXPECT_EQ(runLine("MEMTOVAR shared, 2, back"), 0);
    EXPECT_EQ(runLine("MEMTOVAR shared, 3, back"), 7);
    EXPECT_EQ(runLine("MEMTOVAR shared, 2, back, 1"), 7);
}

TEST_F(MemoryBlocks, StringReadFromRawBytesStaysTerminated) {
    ASSERT_EQ(runProgram("DIM m : MEMORY\nDIM s : STRING\nr = MEMALLOC(m, 300, 1)\n"), 0);
    std::memset(block("m"), 'A', 300);
    ASSERT_EQ(runLine("MEMTOVAR m, 1, s"), 0);
    EXPECT_EQ(text("s"), std::string(254, 'A'));
}

TEST_F(MemoryBlocks, BlocksAreFreedOnceAndAllAtTheEnd) {
    ASSERT_EQ(runProgram("DIM m, m2, kept : MEMORY\n"
                         "r = MEMALLOC(m, 4, 4)\n"
                         "r = MEMALLOC(kept, 4, 4)\n"
                         "m2 = m\n"
                         "MEMFREE m\n"
                         "MEMFREE m2\n"
                         "r = MEMALLOC(m2, 8, 1)\n"),
              0);
    EXPECT_EQ(liveBlockCount(), 2u);
    EXPECT_EQ(k.memoryBlockSize(block("m2")), 8u);
    EXPECT_EQ(k.memoryBlockSize(block("kept")), 16u);
    k.releaseProgram();
    EXPECT_EQ(liveBlockCount(), 0u);
}

}  // namespace
}  // namespace kestrun::test
