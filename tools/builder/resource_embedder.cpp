#include "resource_embedder.h"

#include "byte_access.h"
#include "pe_checksum.h"
#include "pe_layout.h"
#include "program_resource.h"
#include "resource_tree_reader.h"
#include "resource_tree_writer.h"

#include <algorithm>
#include <cstring>

namespace kestrun {
namespace {

constexpr std::uint32_t kInitializedData = 0x00000040;
constexpr std::uint32_t kMemoryRead = 0x40000000;

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

// Removes the last section when it is one this packer added earlier: its header is cleared and its
// bytes are cut off when they end the file. Returns the raw size it gave up.
std::uint32_t dropEarlierPackedSection(std::vector<std::uint8_t>& exe, const PeLayout& layout,
                                       std::vector<SectionHeader>& sections) {
    if (sections.empty() || sections.back().name != kPackedResourceSectionName) return 0;
    const SectionHeader old = sections.back();
    sections.pop_back();
    const std::size_t headerAt = layout.sectionTableOffset + sections.size() * kSectionHeaderSize;
    std::fill(exe.begin() + headerAt, exe.begin() + headerAt + kSectionHeaderSize, 0);
    if (static_cast<std::uint64_t>(old.pointerToRawData) + old.sizeOfRawData == exe.size()) {
        exe.resize(old.pointerToRawData);
    }
    return old.sizeOfRawData;
}

// Checks that one more section header fits after the table; sets the SizeOfHeaders it then needs.
bool findRoomForSectionHeader(const std::vector<std::uint8_t>& exe, const PeLayout& layout,
                              const std::vector<SectionHeader>& sections, std::uint32_t& sizeOfHeaders,
                              std::string& error) {
    const std::uint64_t tableEnd = layout.sectionTableOffset + sections.size() * kSectionHeaderSize;
    const std::uint64_t newEnd = tableEnd + kSectionHeaderSize;
    std::uint64_t firstRawData = exe.size();
    std::uint64_t firstVirtualAddress = 0xFFFFFFFFu;
    for (const SectionHeader& section : sections) {
        if (section.sizeOfRawData != 0) firstRawData = std::min<std::uint64_t>(firstRawData, section.pointerToRawData);
        firstVirtualAddress = std::min<std::uint64_t>(firstVirtualAddress, section.virtualAddress);
    }
    if (newEnd > firstRawData || !rangeInside(exe.size(), tableEnd, kSectionHeaderSize)) {
        return fail(error, "no room for another section header before the first section's data");
    }
    const auto slot = exe.begin() + static_cast<std::ptrdiff_t>(tableEnd);
    if (std::any_of(slot, slot + kSectionHeaderSize, [](std::uint8_t b) { return b != 0; })) {
        return fail(error, "no room for another section header: the space after the section table is in use");
    }
    sizeOfHeaders = layout.sizeOfHeaders;
    if (newEnd > sizeOfHeaders) {
        if (!alignUp32(newEnd, layout.fileAlignment, sizeOfHeaders) || sizeOfHeaders > firstRawData ||
            sizeOfHeaders > firstVirtualAddress) {
            return fail(error, "no room for another section header inside the headers");
        }
    }
    return true;
}

// First section-aligned RVA after every section (and after the headers).
bool nextFreeRva(const PeLayout& layout, const std::vector<SectionHeader>& sections, std::uint32_t& rva) {
    std::uint64_t end = layout.sizeOfHeaders;
    for (const SectionHeader& section : sections) {
        end = std::max<std::uint64_t>(end, static_cast<std::uint64_t>(section.virtualAddress) + section.mappedSize());
    }
    return alignUp32(end, layout.sectionAlignment, rva);
}

}  // namespace

bool embedProgramResource(const std::vector<std::uint8_t>& engineExe, const std::vector<std::uint8_t>& scrambledImage,
                          std::vector<std::uint8_t>& outExe, std::string& error) {
    PeLayout layout;
    if (!parsePeLayout(engineExe, layout, error)) return false;
    if (layout.numberOfRvaAndSizes <= kResourceDirectorySlot) {
        return fail(error, "the executable has no resource data directory");
    }
    std::uint32_t certificateAt = 0, certificateSize = 0;
    readDataDirectory(engineExe, layout, kCertificateDirectorySlot, certificateAt, certificateSize);
    if (certificateAt != 0 || certificateSize != 0) {
        return fail(error, "the executable is signed; packing would break its signature (use an unsigned engine)");
    }

    ResourceDirectory resources;
    std::uint32_t resourceRva = 0, resourceSize = 0;
    readDataDirectory(engineExe, layout, kResourceDirectorySlot, resourceRva, resourceSize);
    if (resourceRva != 0 && !readResourceTree(engineExe, layout, resourceRva, resources, error)) return false;
    if (!setProgramResource(resources, scrambledImage, error)) return false;

    std::vector<std::uint8_t> exe = engineExe;
    std::vector<SectionHeader> sections = layout.sections;
    const std::uint32_t droppedRawSize = dropEarlierPackedSection(exe, layout, sections);
    if (sections.size() >= 0xFFFF) return fail(error, "too many sections");

    std::uint32_t sizeOfHeaders = 0, sectionRva = 0;
    if (!findRoomForSectionHeader(exe, layout, sections, sizeOfHeaders, error)) return false;
    if (!nextFreeRva(layout, sections, sectionRva)) return fail(error, "damaged executable: sections reach past 4 GB");

    std::vector<std::uint8_t> tree;
    if (!writeResourceTree(resources, sectionRva, tree, error)) return false;
    // The new bytes go after the file and after every section's declared bytes, even when a
    // damaged file ends before them.
    std::uint64_t dataEnd = exe.size();
    for (const SectionHeader& section : sections) {
        dataEnd = std::max<std::uint64_t>(dataEnd, static_cast<std::uint64_t>(section.pointerToRawData) + section.sizeOfRawData);
    }
    std::uint32_t rawPointer = 0, rawSize = 0, sizeOfImage = 0;
    if (!alignUp32(dataEnd, layout.fileAlignment, rawPointer) ||
        !alignUp32(tree.size(), layout.fileAlignment, rawSize) ||
        !alignUp32(static_cast<std::uint64_t>(sectionRva) + tree.size(), layout.sectionAlignment, sizeOfImage) ||
        static_cast<std::uint64_t>(rawPointer) + rawSize > 0xFFFFFFFFu) {
        return fail(error, "the packed executable would be too large");
    }
    exe.resize(rawPointer, 0);
    exe.insert(exe.end(), tree.begin(), tree.end());
    exe.resize(static_cast<std::size_t>(rawPointer) + rawSize, 0);

    const std::size_t headerAt = layout.sectionTableOffset + sections.size() * kSectionHeaderSize;
    static_assert(sizeof kPackedResourceSectionName <= 8, "section names have eight bytes");
    std::memcpy(&exe[headerAt], kPackedResourceSectionName, sizeof kPackedResourceSectionName);
    writeU32(exe, headerAt + kSecVirtualSize, static_cast<std::uint32_t>(tree.size()));
    writeU32(exe, headerAt + kSecVirtualAddress, sectionRva);
    writeU32(exe, headerAt + kSecSizeOfRawData, rawSize);
    writeU32(exe, headerAt + kSecPointerToRawData, rawPointer);
    writeU32(exe, headerAt + kSecCharacteristics, kInitializedData | kMemoryRead);

    const std::size_t opt = layout.optionalHeaderOffset;
    writeU16(exe, layout.coffHeaderOffset + kCoffNumberOfSections, static_cast<std::uint16_t>(sections.size() + 1));
    const std::uint32_t keptInitializedData = layout.sizeOfInitializedData - std::min(layout.sizeOfInitializedData, droppedRawSize);
    writeU32(exe, opt + kOptSizeOfInitializedData, keptInitializedData + rawSize);
    writeU32(exe, opt + kOptSizeOfImage, sizeOfImage);
    writeU32(exe, opt + kOptSizeOfHeaders, sizeOfHeaders);
    writeU32(exe, opt + kOptDataDirectories + kResourceDirectorySlot * 8, sectionRva);
    writeU32(exe, opt + kOptDataDirectories + kResourceDirectorySlot * 8 + 4, static_cast<std::uint32_t>(tree.size()));
    writeU32(exe, opt + kOptCheckSum, 0);
    writeU32(exe, opt + kOptCheckSum, computePeChecksum(exe, opt + kOptCheckSum));

    outExe = std::move(exe);
    return true;
}

}  // namespace kestrun
