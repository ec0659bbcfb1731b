// What the fuzz targets share: a host that answers without windows, consoles or libraries, an
// interpreter set up the same way for every input, and the per-input leak check.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "kestrun.h"

namespace kestrun::fuzz {

// Statements and parsed lines one fuzzed input may take before its run stops (error 1). Small,
// so that an input that loops or recurses until the bound costs well under 100 ms under a
// sanitizer and emulation (5000 steps cost about 370 ms there, 1000 about 70 ms).
constexpr std::uint64_t kInputStepBudget = 1000;

// A host that shows nothing and keeps nothing: console output is dropped, console input is at its
// end, no key is ever pending, no library can be loaded (so external calls fail with 53), and no
// file-system operation of the host succeeds.
class SilentHost : public Host {
public:
    void showErrorBox(const char*, const char*) override {}
    void releaseConsole() override {}
    bool registerWindowClasses(TextBuffer& white, TextBuffer& workspace) override;
    void prepareRunServices() override {}
    void destroyObjectWindow(void*) override {}
    void deleteWindowObject(void*) override {}
    void deleteDialogObject(void*) override {}
    std::uint32_t windowHandleOf(void*) override { return 0x00010002u; }
    void openConsole() override {}
    void closeConsole() override {}
    void writeConsole(const char*, std::size_t) override {}
    int readConsoleChar() override { return -1; }
    int pollConsoleKey(bool) override { return 0; }
    void clearConsole() override {}
    void setConsoleCursor(std::int32_t, std::int32_t) override {}
    void setConsoleAttribute(std::uint16_t) override {}
    void printToWindow(void*, const char*, std::size_t) override {}
    void* loadLibrary(const char*) override { return nullptr; }
    // The date formatter gives the picture back as it stands.
    std::size_t formatDate(const std::tm&, const char* picture, char* out, std::size_t outSize) override;
    void* findProcedure(void*, const char*) override { return nullptr; }
    void releaseLibrary(void*) override {}
    void releaseLoadedModule(const char*) override {}
    // Every file-system operation of the host fails (the system refused it); the files a
    // program opens itself stay inside the scratch folder (file_system_guard.cpp).
    bool copyFile(const char*, const char*, bool) override { return false; }
    bool deleteFile(const char*) override { return false; }
    bool makeDirectory(const char*) override { return false; }
    bool removeDirectory(const char*) override { return false; }
    void* findFirst(const char*, char*, std::size_t) override { return nullptr; }
    FindStep findNext(void*, char*, std::size_t) override { return FindStep::Failed; }
    void findClose(void*) override {}
};

// An interpreter for one input: initialised, with a fixed random seed (so that an input always
// runs the same way) and the input's step budget. Aborts when initialisation fails: the fuzz
// run cannot go on without memory for the interpreter itself.
class FuzzEngine {
public:
    FuzzEngine();
    // Runs image (a copy of the bytes with a zero byte added) as the program; the step budget
    // is given again first.
    void runProgram(const std::uint8_t* data, std::size_t size);
    // Runs the prelude program: variables of every type, arrays, a record, a named number and
    // a subroutine, so that fuzzed expressions and lines find things to work on. Leaves the
    // interpreter ready for single lines (step budget renewed).
    void runPrelude();

    SilentHost host;
    Kestrun engine{host};

private:
    std::string image;
};

// Runs fn once for an input and checks that the heap holds no more bytes afterwards than before.
// A difference is looked at again with a second run of the same input (the first use of a
// lazily made table may keep memory); if the second run grows the heap too, the input is
// reported as a leak and the process aborts, which the fuzzer records as a crash.
void runWithoutLeaks(const std::uint8_t* data, std::size_t size,
                     void (*fn)(const std::uint8_t*, std::size_t));

}  // namespace kestrun::fuzz
