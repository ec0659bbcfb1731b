// The headers of a 32-bit PE executable (PE32), as far as the program packer needs them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

// Field offsets inside the COFF file header.
constexpr std::size_t kCoffNumberOfSections = 2;
constexpr std::size_t kCoffSizeOfOptionalHeader = 16;
constexpr std::size_t kCoffHeaderSize = 20;

// Field offsets inside the PE32 optional header.
constexpr std::size_t kOptSizeOfInitializedData = 8;
constexpr std::size_t kOptSectionAlignment = 32;
constexpr std::size_t kOptFileAlignment = 36;
constexpr std::size_t kOptSizeOfImage = 56;
constexpr std::size_t kOptSizeOfHeaders = 60;
constexpr std::size_t kOptCheckSum = 64;
constexpr std::size_t kOptNumberOfRvaAndSizes = 92;
constexpr std::size_t kOptDataDirectories = 96;
constexpr std::uint16_t kPe32Magic = 0x10B;

// Data directory slots used here.
constexpr std::uint32_t kResourceDirectorySlot = 2;
constexpr std::uint32_t kCertificateDirectorySlot = 4;

// Field offsets inside a section header.
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSecVirtualSize = 8;
constexpr std::size_t kSecVirtualAddress = 12;
constexpr std::size_t kSecSizeOfRawData = 16;
constexpr std::size_t kSecPointerToRawData = 20;
constexpr std::size_t kSecCharacteristics = 36;

struct SectionHeader {
    std::string name;  // up to 8 characters
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;

    // Bytes the loader maps for this section (the virtual size, or the raw size when that is 0).
    std::uint32_t mappedSize() const { return virtualSize != 0 ? virtualSize : sizeOfRawData; }
};

struct PeLayout {
    std::size_t coffHeaderOffset = 0;      // file offset of the COFF file header
    std::size_t optionalHeaderOffset = 0;  // file offset of the optional header
    std::size_t sectionTableOffset = 0;    // file offset of the first section header
    std::uint16_t sizeOfOptionalHeader = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sizeOfImage = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::uint32_t sizeOfInitializedData = 0;
    std::uint32_t numberOfRvaAndSizes = 0;
    std::vector<SectionHeader> sections;
};

// Reads and checks the DOS stub pointer, PE signature, COFF header, PE32 optional header and
// section table of file. Every offset is checked against the file size; a file that is not a PE32
// executable, or whose headers are cut off or inconsistent, gives false and a message.
bool parsePeLayout(const std::vector<std::uint8_t>& file, PeLayout& layout, std::string& error);

// Reads data directory slot (RVA and size); a slot beyond NumberOfRvaAndSizes reads as 0, 0.
void readDataDirectory(const std::vector<std::uint8_t>& file, const PeLayout& layout, std::uint32_t slot,
                       std::uint32_t& rva, std::uint32_t& size);

// Finds the file offset of the bytes [rva, rva + length) of the loaded image. They must lie inside
// the raw data of one section and inside a file of fileSize bytes; otherwise false.
bool rvaToFileOffset(const PeLayout& layout, std::size_t fileSize, std::uint32_t rva, std::uint32_t length,
                     std::size_t& offset);

}  // namespace kestrun
