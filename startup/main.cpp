// Process entry: finds the program embedded in this executable, unscrambles it and runs it.
// The process always ends with exit code 0; the program's own errors are reported by the
// interpreter's error box, and a missing program ends the process silently.
#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app_object.h"
#include "image_scramble.h"
#include "kestrun.h"
#include "program_resource.h"
#include "scramble_key_engine.h"
#include "win32_host.h"

namespace kestrun {

namespace {

constexpr char kProgramResourceName[] = "A6F2D1FB";

// The directory of the running executable with a trailing backslash ("\" when the path has none).
void programDirectoryOf(char* out, std::size_t outSize) {
    char path[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(::GetModuleHandleA(nullptr), path, MAX_PATH);
    char* lastSlash = std::strrchr(path, '\\');
    std::size_t keep = lastSlash ? static_cast<std::size_t>(lastSlash - path) : 0;
    if (keep + 2 > outSize) keep = outSize - 2;
    std::memcpy(out, path, keep);
    out[keep] = '\\';
    out[keep + 1] = '\0';
}

}  // namespace

bool loadResourceBytes(const char* name, const char* type, void* buffer, std::size_t& size) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, name, type);
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    if (!loaded) return false;
    const void* bytes = ::LockResource(loaded);
    if (!bytes) return false;
    const std::size_t resourceSize = ::SizeofResource(module, found);
    if (!buffer) {
        size = resourceSize;
        return true;
    }
    if (size < resourceSize) return false;
    std::memcpy(buffer, bytes, resourceSize);
    return true;
}

// Runs the embedded program, if there is one.
static void runEmbeddedProgram(HINSTANCE instance, const char* programDirectory) {
    volatile std::uint8_t key[kScrambleKeyLength];
    assembleScrambleKey(key);

    HRSRC found = ::FindResourceA(instance, kProgramResourceName, MAKEINTRESOURCEA(10));
    if (!found) return;
    const DWORD size = ::SizeofResource(instance, found);
    HGLOBAL loaded = ::LoadResource(instance, found);
    if (!loaded) return;
    const void* bytes = ::LockResource(loaded);
    if (!bytes) return;

    // One byte more than the resource, always zero: an image without its terminator stays safe.
    std::uint8_t* image = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(size) + 1, 1));
    if (!image) return;
    std::memcpy(image, bytes, size);
    std::uint8_t plainKey[kScrambleKeyLength];
    for (std::size_t i = 0; i < kScrambleKeyLength; ++i) plainKey[i] = key[i];
    unscrambleImage(image, size, plainKey);
    std::memset(plainKey, 0, sizeof plainKey);

    {
        win32::Win32Host host(instance);
        Kestrun* interpreter = new (std::nothrow) Kestrun(host);
        if (interpreter) {
            interpreter->programImage = image;
            if (interpreter->initialise()) {
                interpreter->programDirectory.assign(programDirectory);
                interpreter->run();
            }
            delete interpreter;
        }
    }
    std::free(image);
}

}  // namespace kestrun

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int /*show*/) {
    const bool oleReady = ::OleInitialize(nullptr) == S_OK;
    {
        kestrun::win32::AppObject app(instance, previous, commandLine);
        char directory[MAX_PATH + 2];
        kestrun::programDirectoryOf(directory, sizeof directory);
        kestrun::runEmbeddedProgram(instance, directory);
    }
    if (oleReady) ::OleUninitialize();
    return 0;
}
