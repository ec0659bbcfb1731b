// A fresh, empty directory that is the working directory for as long as the object lives, so that
// programs under test can name their files without a path. Removed with everything in it.
#pragma once
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace kestrun::test {

class ScratchDirectory {
public:
    ScratchDirectory() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "kestrun-";
        for (const char* p : {test ? test->test_suite_name() : "suite", test ? test->name() : "test"})
            for (; *p; ++p) name += (std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
        std::error_code error;
        root_ = std::filesystem::temp_directory_path(error) / name;
        std::filesystem::remove_all(root_, error);
        std::filesystem::create_directories(root_, error);
        previous_ = std::filesystem::current_path(error);
        std::filesystem::current_path(root_, error);
        EXPECT_FALSE(error) << error.message();
    }
    ~ScratchDirectory() {
        std::error_code error;
        std::filesystem::current_path(previous_, error);
        std::filesystem::remove_all(root_, error);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // The bytes of a file of the directory ("<missing>" when it cannot be read).
    static std::string read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        if (!in) return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void write(const std::string& name, const std::string& bytes) {
        std::ofstream out(name, std::ios::binary);
        out << bytes;
    }

private:
    std::filesystem::path root_;
    std::filesystem::path previous_;
};

}  // namespace kestrun::test
