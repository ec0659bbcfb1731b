// In-process harness for the interpreter core: a host that records what the engine would show,
// an interpreter whose error report is captured, and a helper that builds a program from its
// source form and runs it.
#pragma once
#include <cstdio>
#include <ctime>
#include <functional>
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

    // Console: output is collected, input is fed from consoleInput, keys from pendingKeys (each
    // key as its character and virtual-key code); screen operations are recorded as text.
    void openConsole() override { ++consoleOpens; }
    void closeConsole() override { ++consoleCloses; }
    void writeConsole(const char* text, std::size_t length) override { consoleOutput.append(text, length); }
    int readConsoleChar() override {
        if (inputPosition >= consoleInput.size()) return -1;
        return static_cast<unsigned char>(consoleInput[inputPosition++]);
    }
    int pollConsoleKey(bool virtualKey) override {
        if (pendingKeys.empty()) return 0;
        const Key key = pendingKeys.front();
        pendingKeys.erase(pendingKeys.begin());
        return virtualKey ? key.virtualKey : key.character;
    }
    void clearConsole() override { screenCalls.push_back("clear"); }
    void setConsoleCursor(std::int32_t column, std::int32_t row) override {
        screenCalls.push_back("cursor " + std::to_string(column) + "," + std::to_string(row));
    }
    void setConsoleAttribute(std::uint16_t attribute) override {
        screenCalls.push_back("attribute " + std::to_string(attribute));
    }
    void printToWindow(void* window, const char* text, std::size_t length) override {
        windowPrints.push_back({window, std::string(text, length)});
    }
    // Libraries: the names in loadableLibraries load (each gives a distinct made-up handle), any
    // other name fails; every request is recorded.
    void* loadLibrary(const char* name) override {
        libraryRequests.push_back(name);
        for (std::size_t i = 0; i < loadableLibraries.size(); ++i)
            if (loadableLibraries[i] == name) return reinterpret_cast<void*>(0x1000 * (i + 1));
        return nullptr;
    }
    std::vector<std::string> loadableLibraries;
    std::vector<std::string> libraryRequests;

    // Date formatting: answers with the picture, a blank and the date as YYYY-MM-DD; a text that
    // does not fit outSize fails as the system's formatter does (0 and the empty text). Every
    // picture is recorded.
    std::size_t formatDate(const std::tm& date, const char* picture, char* out, std::size_t outSize) override {
        datePictures.push_back(picture);
        char day[40];
        std::snprintf(day, sizeof day, "%04d-%02d-%02d", date.tm_year + 1900, date.tm_mon + 1, date.tm_mday);
        const std::string text = std::string(picture) + " " + day;
        if (outSize == 0) return 0;
        const std::size_t n = text.size() < outSize ? text.size() : 0;
        text.copy(out, n);
        out[n] = '\0';
        return n;
    }
    std::vector<std::string> datePictures;

    // ---- Library calls ----
    // Entry points are in-process functions listed in procedures by library and name; releases
    // of library references are recorded.
    struct Procedure {
        std::string library;
        std::string name;
        void* address;
    };
    void* findProcedure(void* library, const char* name) override {
        const std::size_t index = reinterpret_cast<std::uintptr_t>(library) / 0x1000;
        if (index == 0 || index > loadableLibraries.size()) return nullptr;
        for (const Procedure& p : procedures)
            if (p.library == loadableLibraries[index - 1] && p.name == name) return p.address;
        return nullptr;
    }
    void releaseLibrary(void* library) override { releasedLibraries.push_back(library); }
    void releaseLoadedModule(const char* name) override { releasedModules.push_back(name); }
    std::vector<Procedure> procedures;
    std::vector<void*> releasedLibraries;
    std::vector<std::string> releasedModules;

    // ---- Files and directories: the real file system (core_harness.cpp); failNextFind makes the
    // next search step report a failure of the system.
    bool copyFile(const char* source, const char* destination, bool failIfExists) override;
    bool deleteFile(const char* path) override;
    bool makeDirectory(const char* path) override;
    bool removeDirectory(const char* path) override;
    void* findFirst(const char* pattern, char* name, std::size_t nameSize) override;
    FindStep findNext(void* search, char* name, std::size_t nameSize) override;
    void findClose(void* search) override;
    bool failNextFind = false;  // the next findNext reports a failure of the system
    int openSearches = 0;       // searches started and not closed
    // ---- end of files and directories ----

    struct Box {
        std::string text;
        std::string caption;
    };
    struct Key {
        int character;
        int virtualKey;
    };
    struct WindowPrint {
        void* window;
        std::string text;
    };
    int consoleOpens = 0;
    int consoleCloses = 0;
    std::string consoleOutput;
    std::string consoleInput;
    std::size_t inputPosition = 0;
    std::vector<Key> pendingKeys;
    std::vector<std::string> screenCalls;
    std::vector<WindowPrint> windowPrints;
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
// The same with a host the test prepared (console input, keys) and reads afterwards.
RunResult runSource(const std::string& source, RecordingHost& host);

// Runs an image given byte for byte (a zero byte is appended).
RunResult runImage(const std::string& image);
RunResult runImage(const std::string& image, RecordingHost& host);

// Turns program source into its line image; fails the current test on a build error.
std::string imageOf(const std::string& source);

// A run and what some variables of the program hold after it, one text per requested name, in
// order: a STRING as its text, an integer type in decimal, FLOAT and DOUBLE with up to 7 and 15
// significant digits, "<missing>" for a name that is not a variable (of the global scope) after
// the run, "<no value>" for a variable of another type.
struct ReadResult : RunResult {
    std::vector<std::string> values;
};
// Builds and runs source, then reads names. prepare, when given, adjusts the interpreter after
// its initialisation and before the run (limits, state the test needs).
ReadResult runAndRead(const std::string& source, const std::vector<std::string>& names,
                      const std::function<void(TestKestrun&)>& prepare = {});
// The same with a host the test prepared (loadable libraries, console input).
ReadResult runAndRead(const std::string& source, const std::vector<std::string>& names, RecordingHost& host,
                      const std::function<void(TestKestrun&)>& prepare = {});

}  // namespace kestrun::test
