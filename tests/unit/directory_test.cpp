// Copying, deleting, making and removing directories, and the directory search: the names a
// search yields, its end, and handles that are not (or no longer) searches.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "scratch_directory.h"

namespace kestrun::test {
namespace {

class Directories : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        ASSERT_EQ(runLine("DIM name : STRING"), 0);
    }
    void TearDown() override { k.releaseProgram(); }

    // Runs one statement that gives an INT; the result (-1 when it stopped with an error).
    int intOf(const std::string& statement) {
        if (runLine(statement) != 0) return -1;
        return intResult();
    }
    // One search step of handle; the name it gives.
    std::string step(const std::string& handle) {
        EXPECT_EQ(runLine("name = FINDNEXT(" + handle + ")"), 0);
        return text("name");
    }
    // The names of a search until the empty text, without the entries for the directory and its
    // parent, sorted.
    std::vector<std::string> namesOf(const std::string& handle) {
        std::vector<std::string> names;
        for (int guard = 0; guard < 100; ++guard) {
            const std::string n = step(handle);
            if (n.empty()) break;
            if (n != "." && n != "..") names.push_back(n);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchDirectory dir;
};

struct OperationCase {
    const char* statement;
    int result;
};

TEST_F(Directories, OperationsReportSuccessAsOneOrZero) {
    ScratchDirectory::write("a.txt", "new");
    ScratchDirectory::write("b.txt", "old");
    std::filesystem::create_directory("full");
    ScratchDirectory::write("full/x", "x");
    const OperationCase cases[] = {
        {"r = COPYFILE(\"a.txt\", \"b.txt\", 1)", 0},  // kept: the destination exists
        {"r = COPYFILE(\"missing\", \"c.txt\", 0)", 0},
        {"r = COPYFILE(\"a.txt\", \"c.txt\", 1)", 1},
        {"r = DELETEFILE(\"c.txt\")", 1},
        {"r = DELETEFILE(\"c.txt\")", 0},
        {"r = DELETEFILE(\"full\")", 0},               // a directory is no file
        {"r = MAKEDIR(\"made\")", 1},
        {"r = MAKEDIR(\"made\")", 0},
        {"r = MAKEDIR(\"no/such/parent\")", 0},
        {"r = REMOVEDIR(\"full\")", 0},                // not empty
        {"r = REMOVEDIR(\"made\")", 1},
        {"r = REMOVEDIR(\"made\")", 0},
    };
    for (const OperationCase& c : cases) EXPECT_EQ(intOf(c.statement), c.result) << c.statement;
    EXPECT_EQ(ScratchDirectory::read("b.txt"), "old");
    EXPECT_EQ(intOf("r = COPYFILE(\"a.txt\", \"b.txt\", 0)"), 1);  // overwritten
    EXPECT_EQ(ScratchDirectory::read("b.txt"), "new");
    EXPECT_TRUE(std::filesystem::exists("full/x"));
}

TEST_F(Directories, WrongArgumentCountsStopWith56) {
    for (const char* statement : {"r = COPYFILE(\"a\", \"b\")", "r = DELETEFILE()", "r = MAKEDIR(\"a\", \"b\")",
                                  "r = REMOVEDIR()", "h = FINDSTART()", "name = FINDNEXT()", "FINDCLOSE 1, 2"})
        EXPECT_EQ(runLine(statement), 56) << statement;
}

TEST_F(Directories, ASearchYieldsEveryNameThenTheEmptyText) {
    std::filesystem::create_directory("five");
    for (const char* n : {"a.txt", "b.txt", "c.dat", "d", "e.txt"}) ScratchDirectory::write(std::string("five/") + n, n);
    const int handle = intOf("h = FINDSTART(\"five/*.*\")");
    ASSERT_NE(handle, 0);
    EXPECT_EQ(namesOf("h"), (std::vector<std::string>{"a.txt", "b.txt", "c.dat", "d", "e.txt"}));
    EXPECT_EQ(host.openSearches, 0);  // the system search ended with the last name
    EXPECT_EQ(step("h"), "");
    EXPECT_EQ(runLine("FINDCLOSE h"), 0);
    EXPECT_EQ(runLine("FINDCLOSE h"), 0);  // closing twice is harmless
    EXPECT_EQ(step("h"), "");              // so is stepping a closed search

    EXPECT_EQ(intOf("h = FINDSTART(\"five/*.txt\")"), handle + 1);  // numbers are not reused
    EXPECT_EQ(namesOf("h"), (std::vector<std::string>{"a.txt", "b.txt", "e.txt"}));
    EXPECT_EQ(intOf("h = FINDSTART(\"five/c.*\")"), handle + 2);
    EXPECT_EQ(step("h"), "c.dat");
    EXPECT_EQ(step("h"), "");
    EXPECT_EQ(intOf("h = FINDSTART(\"five/*.none\")"), 0);
    EXPECT_EQ(intOf("h = FINDSTART(\"no-such-dir/*\")"), 0);
    EXPECT_EQ(host.openSearches, 0);
}

TEST_F(Directories, FailingCallsBetweenStepsDoNotDisturbASearch) {
    std::filesystem::create_directory("d");
    for (const char* n : {"1", "2", "3"}) ScratchDirectory::write(std::string("d/") + n, n);
    ASSERT_NE(intOf("h = FINDSTART(\"d/?\")"), 0);
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(intOf("r = DELETEFILE(\"missing\")"), 0);
        EXPECT_EQ(intOf("r = REMOVEDIR(\"d\")"), 0);
        names.push_back(step("h"));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"", "1", "2", "3"}));
}

TEST_F(Directories, HandlesThatAreNoSearchChangeNothing) {
    std::filesystem::create_directory("d");
    ScratchDirectory::write("d/only", "x");
    ASSERT_NE(intOf("h = FINDSTART(\"d/*\")"), 0);
    for (const char* other : {"0", "12345", "-1"}) {
        EXPECT_EQ(step(other), "") << other;
        EXPECT_EQ(runLine(std::string("FINDCLOSE ") + other), 0) << other;
    }
    // The real search is untouched.
    EXPECT_EQ(namesOf("h"), std::vector<std::string>{"only"});
}

TEST_F(Directories, AFailedStepEndsTheSearch) {
    std::filesystem::create_directory("d");
    for (const char* n : {"1", "2", "3"}) ScratchDirectory::write(std::string("d/") + n, n);
    ASSERT_NE(intOf("h = FINDSTART(\"d/?\")"), 0);
    host.failNextFind = true;
    EXPECT_EQ(step("h"), "");
    EXPECT_EQ(host.openSearches, 0);
    EXPECT_EQ(step("h"), "");
}

TEST_F(Directories, SearchesLeftOpenAreFreedWithTheRun) {
    std::filesystem::create_directory("d");
    for (const char* n : {"1", "2"}) ScratchDirectory::write(std::string("d/") + n, n);
    ASSERT_NE(intOf("h = FINDSTART(\"d/*\")"), 0);
    ASSERT_NE(intOf("g = FINDSTART(\"d/*\")"), 0);
    EXPECT_EQ(host.openSearches, 2);
    k.releaseProgram();
    EXPECT_EQ(host.openSearches, 0);
    EXPECT_TRUE(k.fileFinders.empty());
}

}  // namespace
}  // namespace kestrun::test
