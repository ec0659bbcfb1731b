// In-memory form of a PE resource tree: directories whose entries are keyed by a name or a number
// and lead either to a subdirectory or to a leaf that holds the resource bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

struct ResourceEntry;

struct ResourceDirectory {
    std::uint32_t characteristics = 0;
    std::uint32_t timeDateStamp = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::vector<ResourceEntry> entries;
};

struct ResourceEntry {
    bool hasName = false;
    std::u16string name;  // when hasName
    std::uint16_t id = 0;  // when !hasName

    bool isDirectory = false;
    ResourceDirectory directory;  // when isDirectory

    std::vector<std::uint8_t> data;  // when a leaf
    std::uint32_t codePage = 0;      // when a leaf
};

// Puts every directory of the tree in the order the system's look-up expects: entries with names
// first, ordered by their upper-cased UTF-16 units, then numbered entries in ascending order.
void sortResourceTree(ResourceDirectory& directory);

// Upper-cases the ASCII letters of a resource name (the system upper-cases names before it looks
// them up).
std::u16string upperCaseResourceName(const std::u16string& name);

}  // namespace kestrun
