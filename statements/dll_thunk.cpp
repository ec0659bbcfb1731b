// The call into a library function, written in i386 assembly because no C++ construct can push
// a number of words known only at run time or see the stack pointer after a foreign function
// returned. The same code serves the engine and the native 32-bit tests.
#include "dll_thunk.h"

#include <cstddef>

namespace kestrun {

static_assert(sizeof(void*) == 4, "the call thunk is i386 code");
static_assert(offsetof(DllCallFrame, words) == 0 && offsetof(DllCallFrame, wordCount) == 4 &&
                  offsetof(DllCallFrame, entry) == 8 && offsetof(DllCallFrame, callerPops) == 12 &&
                  offsetof(DllCallFrame, eax) == 16 && offsetof(DllCallFrame, edx) == 20 &&
                  offsetof(DllCallFrame, floatResult) == 24 && offsetof(DllCallFrame, stackSkew) == 32 &&
                  offsetof(DllCallFrame, hasFloatResult) == 36 && offsetof(DllCallFrame, fpuStatus) == 40 &&
                  offsetof(DllCallFrame, stackBase) == 44,
              "the assembly below reads DllCallFrame at these offsets");

namespace {

// cdecl, one argument: the frame. Layout of its own stack frame, from ebp down: saved ebx, esi,
// edi (ebp - 4 to ebp - 12), then the guard area of at least 32 zeroed words, then the argument
// words, placed so that the stack is 16-byte aligned at the call. stackBase is where the stack
// pointer must be after the call once the words are gone. Everything after the call is found
// through ebp, which every function keeps whatever it does with its arguments.
extern "C" __attribute__((naked, noinline)) std::int32_t kestrunCallDllEntry(DllCallFrame* frame) {
    __asm__(
        "pushl %ebp\n\t"
        "movl %esp, %ebp\n\t"
        "pushl %ebx\n\t"
        "pushl %esi\n\t"
        "pushl %edi\n\t"
        "movl 8(%ebp), %esi\n\t"
        // The x87 status word before the call: its TOP field tells later whether the function
        // left a value on the x87 stack.
        "fnstsw %ax\n\t"
        "movzwl %ax, %eax\n\t"
        "movl %eax, 40(%esi)\n\t"
        // Guard area, then the base: base - 4 * wordCount is 16-byte aligned.
        "subl $128, %esp\n\t"
        "movl 4(%esi), %ecx\n\t"
        "shll $2, %ecx\n\t"
        "subl %ecx, %esp\n\t"
        "andl $-16, %esp\n\t"
        "addl %ecx, %esp\n\t"
        "movl %esp, 44(%esi)\n\t"
        // Zero everything from the base up to the saved registers.
        "movl %esp, %edi\n\t"
        "leal -12(%ebp), %ecx\n\t"
        "subl %esp, %ecx\n\t"
        "shrl $2, %ecx\n\t"
        "xorl %eax, %eax\n\t"
        "cld\n\t"
        "rep stosl\n\t"
        // Push the words, the last one first.
        "movl 4(%esi), %ecx\n\t"
        "movl 0(%esi), %edx\n"
        "1:\n\t"
        "testl %ecx, %ecx\n\t"
        "jz 2f\n\t"
        "decl %ecx\n\t"
        "pushl (%edx,%ecx,4)\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *8(%esi)\n\t"
        // Results: eax, edx, and a value the function pushed on the x87 stack.
        "movl 8(%ebp), %ecx\n\t"
        "movl %eax, 16(%ecx)\n\t"
        "movl %edx, 20(%ecx)\n\t"
        "movl $0, 36(%ecx)\n\t"
        "fnstsw %ax\n\t"
        "xorw 40(%ecx), %ax\n\t"
        "testw $0x3800, %ax\n\t"
        "jz 3f\n\t"
        "fstpl 24(%ecx)\n\t"
        "movl $1, 36(%ecx)\n"
        "3:\n\t"
        // cdecl: the caller removes the words.
        "cmpl $0, 12(%ecx)\n\t"
        "je 4f\n\t"
        "movl 4(%ecx), %eax\n\t"
        "leal (%esp,%eax,4), %esp\n"
        "4:\n\t"
        // The skew, then the stack pointer and the saved registers back from the thunk's frame.
        "movl %esp, %eax\n\t"
        "subl 44(%ecx), %eax\n\t"
        "movl %eax, 32(%ecx)\n\t"
        "leal -12(%ebp), %esp\n\t"
        "popl %edi\n\t"
        "popl %esi\n\t"
        "popl %ebx\n\t"
        "popl %ebp\n\t"
        "ret\n");
}

}  // namespace

std::int32_t callDllEntry(DllCallFrame& frame) {
    if (frame.wordCount > kMaxDllWords) frame.wordCount = kMaxDllWords;
    return kestrunCallDllEntry(&frame);
}

}  // namespace kestrun
