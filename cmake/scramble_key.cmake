# The 16-byte scramble key shared by the engine and the program builder.
# Override at configure time: -DKESTRUN_SCRAMBLE_KEY="01 02 ... 10" (16 hex bytes).
set(KESTRUN_SCRAMBLE_KEY "5A 17 C3 8E 21 F4 6B 90 0D A2 7C 3F E8 51 B6 49"
    CACHE STRING "16 hexadecimal bytes of the program image scramble key")

string(REGEX REPLACE "[ \t,]+" ";" _key_bytes "${KESTRUN_SCRAMBLE_KEY}")
list(LENGTH _key_bytes _key_len)
if(NOT _key_len EQUAL 16)
  message(FATAL_ERROR "KESTRUN_SCRAMBLE_KEY needs 16 bytes, got ${_key_len}")
endif()

# The builder may keep the key as one array; the engine assembles it byte by byte at run time
# (volatile stores keep the compiler from folding the bytes into one constant block).
set(_array "")
set(_stores "")
set(_i 0)
foreach(_b IN LISTS _key_bytes)
  if(NOT _b MATCHES "^[0-9A-Fa-f][0-9A-Fa-f]?$")
    message(FATAL_ERROR "KESTRUN_SCRAMBLE_KEY: '${_b}' is not a hexadecimal byte")
  endif()
  string(APPEND _array "0x${_b}, ")
  string(APPEND _stores "    key[${_i}] = 0x${_b};\n")
  math(EXPR _i "${_i} + 1")
endforeach()

set(KESTRUN_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
file(MAKE_DIRECTORY "${KESTRUN_GENERATED_DIR}")
file(WRITE "${KESTRUN_GENERATED_DIR}/scramble_key_builder.h.tmp"
"// Generated from KESTRUN_SCRAMBLE_KEY; do not edit.
#pragma once
#include <cstdint>
namespace kestrun {
inline constexpr std::uint8_t kBuilderScrambleKey[16] = { ${_array}};
}
")
file(WRITE "${KESTRUN_GENERATED_DIR}/scramble_key_engine.h.tmp"
"// Generated from KESTRUN_SCRAMBLE_KEY; do not edit.
#pragma once
#include <cstdint>
namespace kestrun {
// Writes the key into the caller's buffer one byte at a time.
inline void assembleScrambleKey(volatile std::uint8_t* key) {
${_stores}}
}
")
configure_file("${KESTRUN_GENERATED_DIR}/scramble_key_builder.h.tmp" "${KESTRUN_GENERATED_DIR}/scramble_key_builder.h" COPYONLY)
configure_file("${KESTRUN_GENERATED_DIR}/scramble_key_engine.h.tmp" "${KESTRUN_GENERATED_DIR}/scramble_key_engine.h" COPYONLY)
