// The guards that keep fuzzed programs inside the scratch folder: paths that leave it are refused
// with EACCES before the system sees them, paths below it reach the real call.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

extern "C" {
std::FILE* kestrun_guarded_fopen(const char* path, const char* mode);
int kestrun_guarded_remove(const char* path);
int kestrun_guarded_rename(const char* from, const char* to);
int kestrun_guarded_chdir(const char* path);
}

namespace {

TEST(FileSystemGuard, RefusesPathsThatLeaveTheScratchFolder) {
    for (const char* path : {"/etc/passwd", "\\\\server\\share\\x", "../x.txt", "a/../../x.txt", "sub\\..\\..\\x.txt",
                             "..", "~/x.txt", ""}) {
        errno = 0;
        EXPECT_EQ(kestrun_guarded_fopen(path, "r"), nullptr) << path;
        EXPECT_EQ(errno, EACCES) << path;
        errno = 0;
        EXPECT_EQ(kestrun_guarded_remove(path), -1) << path;
        EXPECT_EQ(errno, EACCES) << path;
    }
    EXPECT_EQ(kestrun_guarded_rename("inside.txt", "../outside.txt"), -1);
    EXPECT_EQ(kestrun_guarded_chdir("sub"), -1);
}

TEST(FileSystemGuard, LetsPathsBelowTheScratchFolderThrough) {
    std::FILE* f = kestrun_guarded_fopen("guard-test..name.txt", "w");  // ".." inside a name is no parent
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(kestrun_guarded_rename("guard-test..name.txt", "guard-test-renamed.txt"), 0);
    EXPECT_EQ(kestrun_guarded_remove("guard-test-renamed.txt"), 0);
}

}  // namespace
