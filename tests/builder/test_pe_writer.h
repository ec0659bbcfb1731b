// Writes small PE32 executables for the packer tests, with a resource tree of chosen entries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testpe {

// A resource key: a name (when not empty) or a number.
struct Key {
    std::u16string name;
    std::uint16_t id = 0;
};

struct Resource {
    Key type;
    Key name;
    std::uint16_t language = 0;
    std::string bytes;
};

struct FixtureOptions {
    std::vector<Resource> resources;    // none: no resource section at all
    int extraSections = 0;              // small data sections after the resource section
    std::uint32_t sizeOfHeaders = 0x200;
    std::uint32_t firstRawData = 0x200;  // file offset of the first section's bytes
};

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::size_t kPeOffset = 0x80;
constexpr std::size_t kOptionalHeader = kPeOffset + 24;
constexpr std::size_t kSectionTable = kOptionalHeader + 0xE0;
constexpr std::uint32_t kResourceRva = 0x2000;  // the resource section is always the second one

// Builds the executable: .text (one "ret"), then .rsrc when there are resources, then the extra
// sections, each section's bytes aligned to the file alignment.
std::vector<std::uint8_t> makeExecutable(const FixtureOptions& options);

// File offset of the resource section's bytes and the size of its used part.
std::uint32_t resourceRawOffset(const FixtureOptions& options);
std::uint32_t resourceTreeSize(const FixtureOptions& options);

// Little-endian access for patching fixtures in tests.
std::uint32_t get32(const std::vector<std::uint8_t>& bytes, std::size_t at);
std::uint16_t get16(const std::vector<std::uint8_t>& bytes, std::size_t at);
void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value);

}  // namespace testpe
