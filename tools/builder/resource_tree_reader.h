// Reading the resource tree of a PE executable into memory.
#pragma once
#include "pe_layout.h"
#include "resource_tree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

// Reads the resource tree whose root directory lies at rootRva (from the resource data directory)
// into root, copying every leaf's bytes. All offsets are checked; a damaged tree (offsets outside
// the sections' raw data, loops, absurd nesting or sizes) gives false and a message.
bool readResourceTree(const std::vector<std::uint8_t>& file, const PeLayout& layout, std::uint32_t rootRva,
                      ResourceDirectory& root, std::string& error);

}  // namespace kestrun
