// Default sanitizer options of every program of the sanitizer tree (the environment's
// ASAN_OPTIONS and UBSAN_OPTIONS still override them), and a guard of the top of the 32-bit
// address space.
//  - LeakSanitizer is off: it stops the process's threads with ptrace, which hangs under
//    qemu-user (how this tree's 32-bit programs run on hosts without 32-bit support). The fuzz
//    targets check every run for leaks themselves (tests/fuzz/fuzz_host.h).
//  - A request larger than memory answers null, as on the engine's real heap, so that the
//    interpreter's error 2 path runs instead of the sanitizer stopping the process.
#if defined(__linux__) && defined(__i386__)
#include <sys/mman.h>
#endif

extern "C" const char* __asan_default_options() { return "detect_leaks=0:allocator_may_return_null=1"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

#if defined(__linux__) && defined(__i386__)
// ASan's 32-bit memory ends at 3 GB. qemu-user hands out mappings from the top of that range
// down, so a large block could end exactly at 3 GB, and releasing it then fails ASan's own
// address check. The top 64 KB below 3 GB are reserved (never used) before anything runs; on a
// host where they are taken already nothing happens.
__attribute__((constructor(101))) static void reserveTopOfAddressSpace() {
    mmap(reinterpret_cast<void*>(0xBFFF0000u), 0x10000, PROT_NONE,
         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
}
#endif
