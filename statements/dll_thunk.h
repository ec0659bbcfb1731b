// The machine-level call into a function of a dynamic library: a small piece of i386 code that
// pushes prepared argument words, calls the entry point with the stdcall or cdecl convention and
// hands back every register a result can come in, together with a check of the stack pointer.
#pragma once
#include <cstdint>

namespace kestrun {

// Most argument words one call pushes.
constexpr std::uint32_t kMaxDllWords = 30;

// One call: the inputs first, then what the call left behind. The layout is read by the
// assembly code at fixed offsets (checked in dll_thunk.cpp).
struct DllCallFrame {
    const std::uint32_t* words = nullptr;  // words[0] is the first argument (nearest the top)
    std::uint32_t wordCount = 0;            // at most kMaxDllWords
    const void* entry = nullptr;            // the function
    std::uint32_t callerPops = 0;           // 1: cdecl (removed here after the call); 0: stdcall
    std::uint32_t eax = 0;                  // integer and address results
    std::uint32_t edx = 0;                  // high word of 64-bit results
    double floatResult = 0;                 // the x87 result, when the function left one
    std::int32_t stackSkew = 0;             // stack pointer after the call minus where it belonged
    std::uint32_t hasFloatResult = 0;       // 1 when the function left a value on the x87 stack
    std::uint32_t fpuStatus = 0;            // scratch: the x87 status word before the call
    std::uint32_t stackBase = 0;            // scratch: the stack pointer before the words
};

// Calls frame.entry with frame's words and fills the result fields. The stack pointer is checked
// after the call (and after removing the words for cdecl): a function that removed a different
// number of bytes than its convention says (a prototype with the wrong parameter count, or the
// wrong convention) leaves a non-zero stackSkew, and the stack pointer is put back where it
// belonged all the same. The callee-saved registers are restored from the thunk's own frame, a
// zeroed guard area of 32 words lies between that frame and the words (a function that reads or
// writes more arguments than it was given touches only the guard), and a value the function left
// on the x87 stack is always taken off it (into floatResult), whatever the declared return type.
// Returns stackSkew.
std::int32_t callDllEntry(DllCallFrame& frame);

}  // namespace kestrun
