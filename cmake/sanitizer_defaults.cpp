// Default sanitizer options of every program of the sanitizer tree (the environment's
// ASAN_OPTIONS and UBSAN_OPTIONS still override them).
//  - LeakSanitizer is off: it stops the process's threads with ptrace, which hangs under
//    qemu-user (how this tree's 32-bit programs run on hosts without 32-bit support). The fuzz
//    targets check every run for leaks themselves (tests/fuzz/fuzz_host.h).
//  - A request larger than memory answers null, as on the engine's real heap, so that the
//    interpreter's error 2 path runs instead of the sanitizer stopping the process.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0:allocator_may_return_null=1";
}
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
