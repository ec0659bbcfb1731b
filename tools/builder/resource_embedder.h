// Embedding the scrambled program image into a copy of the engine executable.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

// Name of the section that carries the rebuilt resource tree.
constexpr char kPackedResourceSectionName[] = ".kbrsrc";

// Makes outExe a copy of engineExe (a PE32 executable) whose resources are the engine's own plus a
// raw data resource (type 10) named "A6F2D1FB" holding scrambledImage. The whole resource tree is
// rebuilt into a new last section, appended to the file, and the resource data directory points at
// it. An earlier program resource is replaced; when engineExe was itself packed, its packed
// section is dropped first, so packing again does not pile up sections. Fails with a message (and
// outExe untouched) when the input is not a PE32 executable, is damaged, is signed, or has no room
// for another section header.
bool embedProgramResource(const std::vector<std::uint8_t>& engineExe, const std::vector<std::uint8_t>& scrambledImage,
                          std::vector<std::uint8_t>& outExe, std::string& error);

}  // namespace kestrun
