// A minimal reader of PE32 files for checking what the packer wrote: headers, sections and the
// resource tree, found the way the system's resource look-up finds them.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testpe {

struct Section {
    std::string name;
    std::uint32_t virtualSize, virtualAddress, rawSize, rawOffset, characteristics;
};

struct PeView {
    std::uint16_t sectionCount = 0;
    std::uint32_t sectionAlignment = 0, fileAlignment = 0, sizeOfImage = 0, sizeOfHeaders = 0;
    std::uint32_t sizeOfInitializedData = 0, checksum = 0, resourceRva = 0, resourceSize = 0;
    std::vector<Section> sections;
    // Every resource leaf by its path "type/name/language"; numbers are written as #n.
    std::map<std::string, std::string> resources;
    bool directoriesSorted = true;  // names first in ascending order, then ascending numbers
};

// Reads file; throws std::out_of_range on anything outside the file.
PeView readPe(const std::vector<std::uint8_t>& file);

// The checksum of the file as the system computes it (the field itself counted as zero).
std::uint32_t systemChecksum(const std::vector<std::uint8_t>& file);

}  // namespace testpe
