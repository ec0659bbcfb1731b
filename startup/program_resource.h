// Access to raw resources of the engine's own executable.
#pragma once
#include <cstddef>

namespace kestrun {

// Looks the resource up in the executable's own module. With a null buffer it stores the
// resource size into size and returns true. With a buffer it returns false when size is smaller
// than the resource, else copies the bytes and returns true. Any lookup failure gives false.
bool loadResourceBytes(const char* name, const char* type, void* buffer, std::size_t& size);

}  // namespace kestrun
