// The builder's file-level steps: image file, packed program, and what is left on disk when
// something goes wrong.
#include "program_packer.h"

#include "image_scramble.h"
#include "scramble_key_builder.h"
#include "test_pe_reader.h"
#include "test_pe_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace fs = std::filesystem;

namespace {

class ProgramPackerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("kbuild_test_") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        const std::vector<std::uint8_t> engine = testpe::makeExecutable(testpe::FixtureOptions{});
        write("engine.exe", std::string(engine.begin(), engine.end()));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const char* name) const { return (dir_ / name).string(); }
    void write(const char* name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string read(const char* name) const {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::set<std::string> filesInDir() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }

    fs::path dir_;
};

TEST_F(ProgramPackerTest, WritesImageFile) {
    write("prog.kb", "PRINT 1\n");
    std::string error;
    ASSERT_TRUE(kestrun::writeProgramImage(path("prog.kb"), path("prog.img"), error)) << error;
    EXPECT_EQ(read("prog.img"), std::string("\xFF\xE0\xE0 1\r\n\0", 8));
    EXPECT_EQ(filesInDir(), (std::set<std::string>{"engine.exe", "prog.kb", "prog.img"}));
}

TEST_F(ProgramPackerTest, PackedProgramCarriesScrambledImage) {
    write("prog.kb", "x = @EVT_CODE :: PRINT x\n");
    std::string error;
    ASSERT_TRUE(kestrun::packProgram(path("prog.kb"), path("engine.exe"), path("prog.exe"), error)) << error;
    const std::string packed = read("prog.exe");
    const testpe::PeView view = testpe::readPe(std::vector<std::uint8_t>(packed.begin(), packed.end()));
    std::string stored = view.resources.at("#10/A6F2D1FB/#0");
    const std::string image("x = \xFE\xE0\xE0\n\xFF\xE0\xE0 x\r\n\0", 16);
    EXPECT_NE(stored, image);
    kestrun::unscrambleImage(reinterpret_cast<std::uint8_t*>(&stored[0]), stored.size(), kestrun::kBuilderScrambleKey);
    EXPECT_EQ(stored, image);
}

struct FailureCase {
    const char* what;
    const char* sourceText;  // null: no source file
    const char* engineText;  // null: the generated engine
    std::string expectedStart;
};

TEST_F(ProgramPackerTest, FailuresLeaveNoOutputBehind) {
    const std::vector<FailureCase> cases = {
        {"missing source", nullptr, nullptr, "prog.kb: cannot read the file"},
        {"source error", "a = 1\nPRINT \"x\n", nullptr, "prog.kb:2: unterminated string literal"},
        {"engine not an executable", "PRINT 1\n", "just text", "engine.exe: not an executable"},
    };
    for (const FailureCase& c : cases) {
        fs::remove(path("prog.kb"));
        if (c.sourceText != nullptr) write("prog.kb", c.sourceText);
        if (c.engineText != nullptr) write("engine.exe", c.engineText);
        for (bool pack : {false, true}) {
            if (!pack && c.engineText != nullptr) continue;
            const std::set<std::string> before = filesInDir();
            std::string error;
            const bool done = pack ? kestrun::packProgram(path("prog.kb"), path("engine.exe"), path("out.exe"), error)
                                   : kestrun::writeProgramImage(path("prog.kb"), path("out.img"), error);
            EXPECT_FALSE(done) << c.what;
            const std::string expected = (dir_ / c.expectedStart).string();
            EXPECT_EQ(error.substr(0, expected.size()), expected) << c.what << ": " << error;
            EXPECT_EQ(filesInDir(), before) << c.what;
        }
    }
}

TEST_F(ProgramPackerTest, FailureKeepsEarlierOutput) {
    write("prog.img", "earlier image");
    write("prog.kb", "x = @@600\n");
    std::string error;
    EXPECT_FALSE(kestrun::writeProgramImage(path("prog.kb"), path("prog.img"), error));
    EXPECT_EQ(read("prog.img"), "earlier image");
}

TEST_F(ProgramPackerTest, ReplacesExistingOutput) {
    write("prog.img", "earlier image");
    write("prog.kb", "a\n");
    std::string error;
    ASSERT_TRUE(kestrun::writeProgramImage(path("prog.kb"), path("prog.img"), error)) << error;
    EXPECT_EQ(read("prog.img"), std::string("a\r\n\0", 4));
    EXPECT_EQ(filesInDir(), (std::set<std::string>{"engine.exe", "prog.kb", "prog.img"}));
}

TEST_F(ProgramPackerTest, UnwritableOutputLeavesNothing) {
    write("prog.kb", "a\n");
    std::string error;
    EXPECT_FALSE(kestrun::writeProgramImage(path("prog.kb"), path("no_such_dir/prog.img"), error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(filesInDir(), (std::set<std::string>{"engine.exe", "prog.kb"}));
}

}  // namespace
