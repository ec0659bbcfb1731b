#include "pe_layout.h"

#include "byte_access.h"

#include <algorithm>

namespace kestrun {
namespace {

bool isPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

}  // namespace

bool parsePeLayout(const std::vector<std::uint8_t>& file, PeLayout& layout, std::string& error) {
    layout = PeLayout{};
    std::uint16_t dosMagic = 0;
    std::uint32_t peOffset = 0;
    if (!readU16(file, 0, dosMagic) || dosMagic != 0x5A4D || !readU32(file, 0x3C, peOffset)) {
        return fail(error, "not an executable (no MZ header)");
    }
    std::uint32_t signature = 0;
    if (!readU32(file, peOffset, signature) || signature != 0x00004550) {
        return fail(error, "not a PE executable (no PE signature)");
    }
    layout.coffHeaderOffset = static_cast<std::size_t>(peOffset) + 4;
    std::uint16_t sectionCount = 0;
    if (!readU16(file, layout.coffHeaderOffset + kCoffNumberOfSections, sectionCount) ||
        !readU16(file, layout.coffHeaderOffset + kCoffSizeOfOptionalHeader, layout.sizeOfOptionalHeader)) {
        return fail(error, "damaged executable: COFF header cut off");
    }
    layout.optionalHeaderOffset = layout.coffHeaderOffset + kCoffHeaderSize;
    const std::size_t opt = layout.optionalHeaderOffset;
    std::uint16_t magic = 0;
    if (!readU16(file, opt, magic) || magic != kPe32Magic) {
        return fail(error, "not a 32-bit PE executable (PE32 optional header expected)");
    }
    if (layout.sizeOfOptionalHeader < kOptDataDirectories ||
        !rangeInside(file.size(), opt, layout.sizeOfOptionalHeader)) {
        return fail(error, "damaged executable: optional header cut off");
    }
    readU32(file, opt + kOptSizeOfInitializedData, layout.sizeOfInitializedData);
    readU32(file, opt + kOptSectionAlignment, layout.sectionAlignment);
    readU32(file, opt + kOptFileAlignment, layout.fileAlignment);
    readU32(file, opt + kOptSizeOfImage, layout.sizeOfImage);
    readU32(file, opt + kOptSizeOfHeaders, layout.sizeOfHeaders);
    readU32(file, opt + kOptNumberOfRvaAndSizes, layout.numberOfRvaAndSizes);
    if (!isPowerOfTwo(layout.fileAlignment) || !isPowerOfTwo(layout.sectionAlignment) ||
        layout.fileAlignment > layout.sectionAlignment) {
        return fail(error, "damaged executable: invalid file or section alignment");
    }
    if (layout.numberOfRvaAndSizes > (layout.sizeOfOptionalHeader - kOptDataDirectories) / 8) {
        return fail(error, "damaged executable: data directories exceed the optional header");
    }
    layout.sectionTableOffset = opt + layout.sizeOfOptionalHeader;
    if (!rangeInside(file.size(), layout.sectionTableOffset,
                     static_cast<std::uint64_t>(sectionCount) * kSectionHeaderSize)) {
        return fail(error, "damaged executable: section table cut off");
    }
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = layout.sectionTableOffset + i * kSectionHeaderSize;
        SectionHeader section;
        for (std::size_t k = 0; k < 8 && file[at + k] != 0; ++k) section.name += static_cast<char>(file[at + k]);
        readU32(file, at + kSecVirtualSize, section.virtualSize);
        readU32(file, at + kSecVirtualAddress, section.virtualAddress);
        readU32(file, at + kSecSizeOfRawData, section.sizeOfRawData);
        readU32(file, at + kSecPointerToRawData, section.pointerToRawData);
        readU32(file, at + kSecCharacteristics, section.characteristics);
        // The last block of the file may be short of the file alignment; nothing may lie further out.
        const std::uint64_t paddedFileSize =
            (static_cast<std::uint64_t>(file.size()) + layout.fileAlignment - 1) & ~static_cast<std::uint64_t>(layout.fileAlignment - 1);
        if (section.sizeOfRawData != 0 &&
            static_cast<std::uint64_t>(section.pointerToRawData) + section.sizeOfRawData > paddedFileSize) {
            return fail(error, "damaged executable: data of section " + section.name + " lies outside the file");
        }
        layout.sections.push_back(section);
    }
    return true;
}

void readDataDirectory(const std::vector<std::uint8_t>& file, const PeLayout& layout, std::uint32_t slot,
                       std::uint32_t& rva, std::uint32_t& size) {
    rva = 0;
    size = 0;
    if (slot >= layout.numberOfRvaAndSizes) return;
    const std::size_t at = layout.optionalHeaderOffset + kOptDataDirectories + slot * 8;
    readU32(file, at, rva);
    readU32(file, at + 4, size);
}

bool rvaToFileOffset(const PeLayout& layout, std::size_t fileSize, std::uint32_t rva, std::uint32_t length,
                     std::size_t& offset) {
    for (const SectionHeader& section : layout.sections) {
        if (rva < section.virtualAddress) continue;
        const std::uint64_t into = static_cast<std::uint64_t>(rva) - section.virtualAddress;
        const std::uint64_t available = std::min(section.sizeOfRawData, section.mappedSize());
        if (into + length > available) continue;
        const std::uint64_t at = static_cast<std::uint64_t>(section.pointerToRawData) + into;
        if (!rangeInside(fileSize, at, length)) return false;
        offset = static_cast<std::size_t>(at);
        return true;
    }
    return false;
}

}  // namespace kestrun
