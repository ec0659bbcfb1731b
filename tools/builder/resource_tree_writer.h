// Writing a resource tree in the layout of a PE resource section.
#pragma once
#include "resource_tree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

// Lays out the tree as the contents of a resource section that will be loaded at sectionRva:
// all directory tables (breadth first, root first), then the data entry records, then the
// length-prefixed UTF-16 names, then the leaf bytes, each leaf 8-byte aligned. Entries keep the
// order they have in the tree (sort it first). Data entry records carry RVAs (sectionRva + offset).
// Returns false with a message when the result would not fit the 31-bit offsets of the format.
bool writeResourceTree(const ResourceDirectory& root, std::uint32_t sectionRva, std::vector<std::uint8_t>& out,
                       std::string& error);

}  // namespace kestrun
