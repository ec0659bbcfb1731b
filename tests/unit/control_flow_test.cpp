// Control flow: counted, conditional and repeat loops, block and single-line conditionals,
// selections, jumps and the end statement, each as small programs with the error (code and
// source line) they end with and what some variables hold afterwards.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core_harness.h"
#include "program_case.h"

namespace kestrun::test {
namespace {

using FlowCase = ProgramValuesCase;

class FlowPrograms : public ::testing::TestWithParam<FlowCase> {};

TEST_P(FlowPrograms, EndAsExpected) { expectProgramOutcome(GetParam()); }

std::string caseName(const ::testing::TestParamInfo<FlowCase>& info) { return programCaseName(info); }

const char* const kMissing = "<missing>";

INSTANTIATE_TEST_SUITE_P(
    CountedLoop, FlowPrograms,
    ::testing::Values(
        FlowCase{"OneToThree", "n = 0\nFOR i, 1, 3\nn = n * 10 + i\nNEXT i\n", 0, 0, {{"n", "123"}, {"i", "4"}}},
        FlowCase{"OneToZeroRunsOnce", "n = 0\nFOR i, 1, 0\nn = n + 1\nNEXT i\n", 0, 0, {{"n", "1"}, {"i", "2"}}},
        FlowCase{"StepDown", "n = 0\nFOR i, 3, 1, -1\nn = n * 10 + i\nNEXT i\n", 0, 0, {{"n", "321"}, {"i", "0"}}},
        FlowCase{"StepTwo", "n = 0\nFOR i, 1, 6, 2\nn = n * 10 + i\nNEXT i\n", 0, 0, {{"n", "135"}, {"i", "7"}}},
        FlowCase{"Nested", "n = 0\nFOR i, 1, 3\nFOR j, 1, 2\nn = n + 1\nNEXT j\nNEXT i\n", 0, 0, {{"n", "6"}}},
        // The loop variable is created as an INT even when automatic declaration is off.
        FlowCase{"CreatesItsVariable", "AUTODECLARE \"OFF\"\nFOR i, 1, 2\nNEXT i\n", 0, 0, {{"i", "3"}}},
        // Loops that reach the ends of the INT range end instead of wrapping round.
        FlowCase{"UpToLargestInt", "n = 0\nFOR i, 2147483646, 2147483647\nn = n + 1\nNEXT i\n", 0, 0,
                 {{"n", "2"}, {"i", "-2147483648"}}},
        FlowCase{"DownToLowestInt", "n = 0\nFOR i, -2147483647, -2147483648, -1\nn = n + 1\nNEXT i\n", 0, 0,
                 {{"n", "2"}, {"i", "2147483647"}}},
        FlowCase{"StepZeroFailsAtNext", "FOR i, 1, 3, 0\nNEXT i\n", 14, 2, {}},
        FlowCase{"NextAfterLoopEnded", "FOR i, 1, 1\nNEXT i\nNEXT i\n", 14, 3, {}},
        FlowCase{"NextOfNoCounter", "s$ = \"a\"\nNEXT s$\n", 14, 2, {}},
        FlowCase{"NextWithoutName", "FOR i, 1, 2\nNEXT\n", 1, 2, {}},
        FlowCase{"NextOfUnknownName", "NEXT q\n", 10, 1, {}},
        FlowCase{"VariableNotInteger", "x = 1.5\nFOR x, 1, 2\n", 20, 2, {}},
        FlowCase{"StartNotNumber", "FOR i, \"a\", 3\n", 19, 1, {}},
        FlowCase{"LimitMissing", "FOR i, 1\n", 56, 1, {}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    CondLoop, FlowPrograms,
    ::testing::Values(
        FlowCase{"Counts", "i = 0\nWHILE i < 3\ni = i + 1\nWEND\n", 0, 0, {{"i", "3"}}},
        FlowCase{"Nested", "i = 0\nt = 0\nWHILE i < 3\ni = i + 1\nj = 0\nWHILE j < 2\nj = j + 1\nt = t + 1\nWEND\nWEND\n",
                 0, 0, {{"t", "6"}}},
        // False at entry: the body is skipped and no frame is left, so a second WEND finds none.
        FlowCase{"FalseAtEntry", "n = 5\nWHILE 0\nn = 1\nWEND\nm = 2\nWEND\n", 40, 6, {{"n", "5"}, {"m", "2"}}},
        FlowCase{"WithoutEndEvenWhenFalse", "WHILE 0\nn = 1\n", 39, 1, {}},
        FlowCase{"WithoutCondition", "WHILE\nWEND\n", 1, 1, {}},
        FlowCase{"EndWithoutLoop", "WEND\n", 40, 1, {}},
        FlowCase{"ConditionError", "WHILE 1 / 0\nWEND\n", 8, 1, {}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    RepeatLoop, FlowPrograms,
    ::testing::Values(
        FlowCase{"UntilCondition", "i = 0\nDO\ni = i + 1\nUNTIL i = 3\n", 0, 0, {{"i", "3"}}},
        // The head on the first line: its frame holds the line before it, index -1.
        FlowCase{"OnFirstLine", "DO\nn = n + 1\nUNTIL n = 3\n", 0, 0, {{"n", "3"}}},
        FlowCase{"UntilWithoutArgumentEndsAfterOnePass", "i = 0\nDO\ni = i + 1\nUNTIL\n", 0, 0, {{"i", "1"}}},
        FlowCase{"ConditionIsTruncated", "i = 0\nDO\ni = i + 1\nUNTIL i / 4\n", 0, 0, {{"i", "4"}}},
        FlowCase{"Nested", "t = 0\ni = 0\nDO\ni = i + 1\nj = 0\nDO\nj = j + 1\nt = t + 1\nUNTIL j = 2\nUNTIL i = 3\n", 0, 0,
                 {{"t", "6"}}},
        FlowCase{"HeadWithArgument", "DO 1\nUNTIL\n", 1, 1, {}},
        FlowCase{"HeadWithoutEnd", "DO\ni = 1\n", 50, 1, {}},
        FlowCase{"EndWithoutLoop", "UNTIL 1\n", 49, 1, {}},
        FlowCase{"ConditionNotNumber", "DO\nUNTIL \"a\"\n", 19, 2, {}},
        // A jump out of the body leaves the frame, and the next unrelated closer trips on it.
        FlowCase{"JumpOutLeavesFrame", "DO\nGOTO away\nUNTIL\naway:\nWEND\n", 40, 5, {}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    BlockConditional, FlowPrograms,
    ::testing::Values(
        FlowCase{"TrueBranch", "x = 1\nIF x = 1\nr = 1\nELSE\nr = 2\nENDIF\ns = 3\n", 0, 0, {{"r", "1"}, {"s", "3"}}},
        FlowCase{"AlternativeBranch", "x = 0\nIF x = 1\nr = 1\nELSE\nr = 2\nENDIF\ns = 3\n", 0, 0, {{"r", "2"}, {"s", "3"}}},
        FlowCase{"FalseWithoutAlternative", "IF 0\nr = 1\nENDIF\ns = 3\n", 0, 0, {{"r", kMissing}, {"s", "3"}}},
        // The ELSE of the nested block is not this block's.
        FlowCase{"NestedAlternativeNotTaken", "r = 0\nIF 0\nIF 1\nr = 1\nELSE\nr = 2\nENDIF\nELSE\nr = 3\nENDIF\n", 0, 0,
                 {{"r", "3"}}},
        FlowCase{"TrueBranchSkipsNestedBlocks", "r = 0\nIF 1\nIF 0\nr = 1\nELSE\nr = 2\nENDIF\nELSE\nr = 3\nENDIF\ns = 1\n", 0,
                 0, {{"r", "2"}, {"s", "1"}}},
        // A single-line conditional opens no block.
        FlowCase{"SingleLineInsideIgnored", "r = 0\nIF 0\nIF 1 THEN r = 1\nr = 2\nENDIF\ns = 1\n", 0, 0,
                 {{"r", "0"}, {"s", "1"}}},
        FlowCase{"FalseWithoutEnd", "IF 0\nr = 1\n", 17, 1, {}},
        FlowCase{"WithoutCondition", "IF\nENDIF\n", 1, 1, {}},
        FlowCase{"AlternativeWithoutEnd", "IF 1\nr = 1\nELSE\nr = 2\n", 43, 3, {}},
        FlowCase{"ConditionError", "IF 1 / 0\nENDIF\n", 8, 1, {}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    SingleLineConditional, FlowPrograms,
    ::testing::Values(
        FlowCase{"ThenPart", "x = 2\nIF x > 1 THEN r = 1 ELSE r = 2\n", 0, 0, {{"r", "1"}}},
        FlowCase{"ElsePart", "x = 0\nIF x > 1 THEN r = 1 ELSE r = 2\n", 0, 0, {{"r", "2"}}},
        FlowCase{"FalseWithoutElse", "IF 0 THEN r = 1\ns = 1\n", 0, 0, {{"r", kMissing}, {"s", "1"}}},
        FlowCase{"EmptyThenPart", "IF 1 THEN ELSE r = 2\ns = 1\n", 0, 0, {{"r", kMissing}, {"s", "1"}}},
        FlowCase{"InnerJump", "IF 1 THEN GOTO skip\nr = 1\nskip:\ns = 1\n", 0, 0, {{"r", kMissing}, {"s", "1"}}},
        // The first ELSE ends the inner statement: it belongs to the outer conditional.
        FlowCase{"ElseBelongsToOuterTrue", "a = 1\nb = 0\nr = 0\nIF a THEN IF b THEN r = 1 ELSE r = 2\n", 0, 0, {{"r", "0"}}},
        FlowCase{"ElseBelongsToOuterFalse", "a = 0\nb = 0\nr = 0\nIF a THEN IF b THEN r = 1 ELSE r = 2\n", 0, 0, {{"r", "2"}}},
        FlowCase{"InnerEndStopsTheRun", "IF 1 THEN END\nr = 1\n", 0, 0, {{"r", kMissing}}},
        FlowCase{"InnerError", "s = 1\nIF 1 THEN GOTO nowhere\n", 12, 2, {}},
        FlowCase{"ConditionError", "IF 1 / 0 THEN r = 1\n", 8, 1, {{"r", kMissing}}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Selection, FlowPrograms,
    ::testing::Values(
        FlowCase{"FirstMatchOnly", "x = 2\nr = 0\nSELECT x\nCASE 1\nr = 1\nCASE 2\nr = 2\nCASE 2\nr = 3\nENDSELECT\ns = 1\n", 0,
                 0, {{"r", "2"}, {"s", "1"}}},
        FlowCase{"NoMatchNoDefault", "x = 9\nr = 0\nSELECT x\nCASE 1\nr = 1\nENDSELECT\ns = 1\n", 0, 0, {{"r", "0"}, {"s", "1"}}},
        FlowCase{"DefaultBody", "x = 9\nSELECT x\nCASE 1\nr = 1\nDEFAULT\nr = 4\nENDSELECT\ns = 1\n", 0, 0,
                 {{"r", "4"}, {"s", "1"}}},
        FlowCase{"CaseAfterDefaultStillMatches", "x = 2\nSELECT x\nDEFAULT\nr = 4\nCASE 2\nr = 2\nENDSELECT\n", 0, 0,
                 {{"r", "2"}}},
        FlowCase{"CasesInARowShareBody", "x = 2\nSELECT x\nCASE 1\nCASE 2\nCASE 3\nr = 23\nCASE 4\nr = 4\nENDSELECT\n", 0, 0,
                 {{"r", "23"}}},
        FlowCase{"Nested",
                 "x = 1\ny = 2\nSELECT x\nCASE 1\nSELECT y\nCASE 2\nr = 12\nENDSELECT\nCASE 2\nr = 2\nENDSELECT\ns = 1\n", 0, 0,
                 {{"r", "12"}, {"s", "1"}}},
        FlowCase{"StringSelector", "s$ = \"b\"\nSELECT s$\nCASE \"a\"\nr = 1\nCASE \"b\"\nr = 2\nENDSELECT\n", 0, 0,
                 {{"r", "2"}}},
        FlowCase{"SelectorExpression", "x = 1\nSELECT x + 1\nCASE 2\nr = 2\nENDSELECT\n", 0, 0, {{"r", "2"}}},
        FlowCase{"WithoutEnd", "SELECT 1\nCASE 1\n", 36, 1, {}},
        FlowCase{"WithoutSelector", "SELECT\nCASE 1\nENDSELECT\n", 1, 1, {}},
        FlowCase{"CaseWithoutSelection", "CASE 1\n", 37, 1, {}},
        FlowCase{"DefaultWithoutSelection", "DEFAULT\n", 37, 1, {}},
        FlowCase{"EndWithoutSelection", "ENDSELECT\n", 38, 1, {}},
        // A jump out of a case body drops the selection's frame: the later ENDSELECT finds none.
        FlowCase{"JumpOutDropsFrame", "SELECT 1\nCASE 1\nGOTO away\nENDSELECT\naway:\nENDSELECT\n", 38, 6, {}},
        FlowCase{"CaseExpressionError", "SELECT 1\nCASE 1 / 0\nENDSELECT\n", 8, 1, {}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Jump, FlowPrograms,
    ::testing::Values(
        FlowCase{"Forward", "GOTO ahead\nr = 1\nahead:\ns = 1\n", 0, 0, {{"r", kMissing}, {"s", "1"}}},
        FlowCase{"Backward", "i = 0\nagain:\ni = i + 1\nIF i < 5 THEN GOTO again\n", 0, 0, {{"i", "5"}}},
        FlowCase{"OtherKeyword", "JUMP ahead\nr = 1\nahead:\ns = 1\n", 0, 0, {{"r", kMissing}, {"s", "1"}}},
        FlowCase{"ThroughStringVariable", "dest$ = \"there\"\nGOTO $dest$\nr = 1\nthere:\ns = 1\n", 0, 0,
                 {{"r", kMissing}, {"s", "1"}}},
        FlowCase{"UnknownLabel", "GOTO nowhere\n", 12, 1, {}},
        FlowCase{"NotALabel", "x = 1\nGOTO x\n", 14, 2, {}},
        FlowCase{"WithoutArgument", "GOTO\n", 1, 1, {}},
        FlowCase{"HolderNotString", "x = 1\nGOTO $x\n", 14, 2, {}},
        FlowCase{"HolderMissing", "GOTO $nothing\n", 10, 1, {}},
        FlowCase{"HolderNamesNoLabel", "d$ = \"nowhere\"\nGOTO $d$\n", 12, 2, {}}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    End, FlowPrograms,
    ::testing::Values(FlowCase{"StopsQuietly", "r = 1\nEND\nr = 2\n", 0, 0, {{"r", "1"}}},
                      FlowCase{"WithArgument", "r = 1\nEND 1\n", 1, 2, {{"r", "1"}}}),
    caseName);

}  // namespace
}  // namespace kestrun::test
