// In-process harness for the interpreter core: a host that records what the engine would show,
// an interpreter whose error report is captured, and a helper that builds a program from its
// source form and runs it.
#pragma once
#include <string>
#include <vector>

#include "kestrun.h"

namespace kestrun::test {

class RecordingHost : public Host {
public:
    void showErrorBox(const char* text, const char* caption) override {
        boxes.push_back({text, caption});
    }
    void releaseConsole() override { ++consoleReleases; }
    bool registerWindowClasses(TextBuffer& white, TextBuffer& workspace) override {
        white.assign("KestrunWhite");
        workspace.assign("KestrunWorkspace");
        return true;
    }
    void prepareRunServices() override {}
    void destroyObjectWindow(void* object) override { destroyedWindows.push_back(object); }
    void deleteWindowObject(void* object) override { deletedWindows.push_back(object); }
    void deleteDialogObject(void* object) override { deletedDialogs.push_back(object); }
    // Every object answers with windowHandle; the objects asked are recorded.
    std::uint32_t windowHandleOf(void* object) override {
        handleRequests.push_back(object);
        return windowHandle;
    }

    struct Box {
        std::string text;
        std::string caption;
    };
    std::vector<Box> boxes;
    int consoleReleases = 0;
    std::vector<void*> destroyedWindows;
    std::vector<void*> deletedWindows;
    std::vector<void*> deletedDialogs;
    std::uint32_t windowHandle = 0x000A0B2Cu;
    std::vector<void*> handleRequests;
};

// An interpreter whose error report is seen by the test: the code and 1-based line that the
// error box would show, and whether a report happened at all.
class TestKestrun : public Kestrun {
public:
    explicit TestKestrun(Host& h) : Kestrun(h) {}
    void reportError() override {
        reported = errorCode != 0;
        reportedCode = errorCode;
        reportedLine = currentLineNumber() + 1;
        Kestrun::reportError();
    }
    bool reported = false;
    int reportedCode = 0;
    int reportedLine = 0;
};

// Outcome of building and running one program.
struct RunResult {
    bool built = false;        // the source built into an image
    bool ranClean = false;     // run() returned true
    int errorCode = 0;         // code shown in the error box, 0 when none was shown
    int line = 0;              // 1-based line shown in the error box
    std::vector<RecordingHost::Box> boxes;
};

// Builds source with the program builder and runs it in a fresh interpreter.
RunResult runSource(const std::string& source);

// Runs an image given byte for byte (a zero byte is appended).
RunResult runImage(const std::string& image);

// Turns program source into its line image; fails the current test on a build error.
std::string imageOf(const std::string& source);

}  // namespace kestrun::test
