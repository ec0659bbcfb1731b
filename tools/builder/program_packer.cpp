#include "program_packer.h"

#include "file_access.h"
#include "image_builder.h"
#include "image_scramble.h"
#include "resource_embedder.h"
#include "scramble_key_builder.h"

namespace kestrun {
namespace {

bool imageFromSourceFile(const std::string& sourcePath, std::string& image, std::string& error) {
    std::string source;
    return readWholeFile(sourcePath, source, error) && buildImage(source, sourcePath, image, error);
}

}  // namespace

bool packImage(const std::string& image, const std::vector<std::uint8_t>& engineExe, const std::string& engineName,
               std::vector<std::uint8_t>& packedExe, std::string& error) {
    std::vector<std::uint8_t> scrambled(image.begin(), image.end());
    scrambleImage(scrambled.data(), scrambled.size(), kBuilderScrambleKey);
    if (!embedProgramResource(engineExe, scrambled, packedExe, error)) {
        error = engineName + ": " + error;
        return false;
    }
    return true;
}

bool writeProgramImage(const std::string& sourcePath, const std::string& outputPath, std::string& error) {
    std::string image;
    return imageFromSourceFile(sourcePath, image, error) &&
           writeFileReplacing(outputPath, image.data(), image.size(), error);
}

bool packProgram(const std::string& sourcePath, const std::string& enginePath, const std::string& outputPath,
                 std::string& error) {
    std::string image;
    std::vector<std::uint8_t> engine, packed;
    return imageFromSourceFile(sourcePath, image, error) && readWholeFile(enginePath, engine, error) &&
           packImage(image, engine, enginePath, packed, error) &&
           writeFileReplacing(outputPath, packed.data(), packed.size(), error);
}

}  // namespace kestrun
