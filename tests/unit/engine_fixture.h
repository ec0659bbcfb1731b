// A fixture that keeps one interpreter for the whole test: programs run in it, single lines and
// hand-made Statements run through its handler table, and the variables stay to be looked at.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core_harness.h"

namespace kestrun::test {

// One argument of a hand-made Statement: its text and kind.
struct Arg {
    std::string text;
    std::int32_t kind;
};
inline Arg S(const std::string& text) { return {"\"" + text + "\"", ArgString}; }  // string literal
inline Arg N(const std::string& text) { return {text, ArgNumber}; }              // number literal
inline Arg V(const std::string& text) { return {text, ArgVariable}; }            // variable
inline Arg X(const std::string& text) { return {text, ArgExpression}; }          // expression

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(k.initialise()); }

    // Builds source and runs it as the program of k (once per test); the error code of the run.
    int runProgram(const std::string& source) {
        image = imageOf(source);
        if (image.empty() || image.back() != '\0') image.push_back('\0');
        k.programImage = reinterpret_cast<std::uint8_t*>(&image[0]);
        k.run();
        return k.errorCode;
    }

    // Builds one source line and runs it as the run loop would; the error code.
    int runLine(const std::string& source) {
        std::string built = imageOf(source);
        while (!built.empty() && (built.back() == '\0' || built.back() == '\n' || built.back() == '\r')) built.pop_back();
        return runImageLine(built);
    }

    // Parses one line of the image form and runs its handler as the run loop would; the error code.
    int runImageLine(const std::string& text) {
        line.assign(text.begin(), text.end());
        line.push_back('\0');
        k.errorCode = 0;
        if (k.parseStatement(k.mainStatement, line.data()) != 0) return k.errorCode;
        Statement* result = k.dispatch(k.mainStatement);
        EXPECT_EQ(result == nullptr, k.errorCode != 0) << text;
        return k.errorCode;
    }

    // Runs the handler of code on a Statement made of args; the error code.
    int call(int code, const std::vector<Arg>& args) {
        Statement* st = k.mainStatement;
        std::memset(st->argBlock, 0, std::size_t{kMaxArgs} * kArgSlotSize + 1);
        st->code = static_cast<std::uint16_t>(code);
        st->argCount = static_cast<std::uint16_t>(args.size());
        st->resultType = kNoResult;
        st->toFile = 0;
        for (std::size_t i = 0; i < args.size(); ++i) {
            st->args[i] = st->argBlock + kArgSlotSize * i;
            std::strncpy(st->args[i], args[i].text.c_str(), kArgSlotSize - 1);
            st->argKinds[i] = args[i].kind;
        }
        st->text = st->args[0];
        k.errorCode = 0;
        Statement* result = k.dispatch(st);
        EXPECT_EQ(result == nullptr, k.errorCode != 0) << code;
        return k.errorCode;
    }

    Variable* find(const std::string& name) {
        k.errorCode = 0;
        std::string copy = name;
        return k.findVariable(&copy[0], nullptr, false);
    }
    template <typename T>
    T value(const std::string& name) {
        T v{};
        if (Variable* var = find(name)) std::memcpy(&v, var->data, sizeof v);
        return v;
    }
    std::string text(const std::string& name) {
        Variable* v = find(name);
        return v ? std::string(reinterpret_cast<const char*>(v->data)) : std::string("<missing>");
    }

    std::int32_t resultType() const { return k.mainStatement->resultType; }
    double doubleResult() const { double d; std::memcpy(&d, k.resultDouble->data, sizeof d); return d; }
    std::int32_t intResult() const { std::int32_t i; std::memcpy(&i, k.resultInt->data, sizeof i); return i; }
    std::string stringResult() const { return reinterpret_cast<const char*>(k.resultString->base); }
    void setStringResult(const std::string& s) {
        ASSERT_LT(s.size(), k.resultString->count);
        std::memcpy(k.resultString->base, s.c_str(), s.size() + 1);
    }

    RecordingHost host;
    TestKestrun k{host};
    std::string image;
    std::vector<char> line;
};

}  // namespace kestrun::test
