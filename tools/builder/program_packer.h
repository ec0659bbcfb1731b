// The builder's two jobs as whole steps: source file to image file, and source file to runnable
// program (image, scrambled, embedded into a copy of the engine).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

// Scrambles a line image with the builder's key and embeds it into a copy of engineExe.
// Errors from the executable are prefixed with engineName.
bool packImage(const std::string& image, const std::vector<std::uint8_t>& engineExe, const std::string& engineName,
               std::vector<std::uint8_t>& packedExe, std::string& error);

// Reads sourcePath, builds its line image and writes it, unscrambled, to outputPath.
// On failure outputPath is left as it was and error holds one line such as "FILE:LINE: message".
bool writeProgramImage(const std::string& sourcePath, const std::string& outputPath, std::string& error);

// Reads sourcePath and the engine at enginePath, and writes the runnable program to outputPath.
// On failure outputPath is left as it was and error holds one line naming the file at fault.
bool packProgram(const std::string& sourcePath, const std::string& enginePath, const std::string& outputPath,
                 std::string& error);

}  // namespace kestrun
