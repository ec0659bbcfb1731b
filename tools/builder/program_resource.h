// The program resource inside the engine executable: raw data (type 10) named "A6F2D1FB".
#pragma once
#include "resource_tree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

constexpr std::uint16_t kRawDataResourceType = 10;
constexpr char16_t kProgramResourceName[] = u"A6F2D1FB";
constexpr std::uint16_t kNeutralLanguage = 0;

// Puts bytes into the tree as the program resource (type 10, name "A6F2D1FB", neutral language),
// replacing any earlier program resource of any language, and sorts the tree. Other resources stay.
// Fails when the tree already has a type 10 entry that is not a directory.
bool setProgramResource(ResourceDirectory& root, const std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace kestrun
