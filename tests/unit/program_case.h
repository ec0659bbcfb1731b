// A small program with its expected outcome: the error it stops with (or none) and the values
// of chosen variables afterwards, as text. Used as the parameter of table-driven program tests.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core_harness.h"

namespace kestrun::test {

struct ProgramValuesCase {
    const char* name;
    const char* source;
    int error;  // 0: the run ends without an error
    int line;   // 1-based source line of the error
    std::vector<std::pair<std::string, std::string>> values;  // variable, text after the run
};

// Runs the case's program and checks its error, line and variable values.
inline void expectProgramOutcome(const ProgramValuesCase& c) {
    std::vector<std::string> names;
    for (const auto& v : c.values) names.push_back(v.first);
    const ReadResult r = runAndRead(c.source, names);
    EXPECT_EQ(r.errorCode, c.error);
    EXPECT_EQ(r.line, c.error ? c.line : 0);
    ASSERT_EQ(r.values.size(), c.values.size());
    for (std::size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(r.values[i], c.values[i].second) << c.values[i].first;
}

inline std::string programCaseName(const ::testing::TestParamInfo<ProgramValuesCase>& info) { return info.param.name; }

}  // namespace kestrun::test
