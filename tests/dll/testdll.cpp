// The test library of the end-to-end programs: functions that take and return every type a
// program can pass, with both calling conventions, and functions that read and fill records laid
// out with packing 8 and packing 1.
#include <cstdint>
#include <cstring>

#include "test_records.h"

#define EXPORT extern "C" __attribute__((dllexport))
#define STDCALL __attribute__((stdcall))
#define CDECL __attribute__((cdecl))

using kestrun_test_records::Record1;
using kestrun_test_records::Record8;

EXPORT std::int32_t STDCALL addInts(std::int32_t a, std::int32_t b) { return a * 10 + b; }
EXPORT std::int32_t CDECL cdeclSum(std::int32_t a, std::int32_t b) { return a * 10 + b; }
EXPORT double STDCALL mixDouble(std::int32_t a, double d, std::int32_t b) { return a + d * b; }
EXPORT double CDECL cdeclHalf(double d) { return d / 2; }
EXPORT float STDCALL tripleFloat(float f) { return f * 3; }
EXPORT std::int64_t STDCALL wideValue() { return (std::int64_t{1} << 32) + 2; }
EXPORT const char* STDCALL greeting() { return "hello from testdll"; }
EXPORT void STDCALL fillText(char* buffer, std::int32_t size) {
    if (size > 0) {
        std::strncpy(buffer, "filled", static_cast<std::size_t>(size) - 1);
        buffer[size - 1] = '\0';
    }
}
EXPORT void STDCALL storeThrough(std::int32_t* p, std::int32_t v) { *p = v; }
EXPORT std::int32_t STDCALL reviseRecord8(Record8* r) { return kestrun_test_records::reviseMembers(r); }
EXPORT std::int32_t STDCALL reviseRecord1(Record1* r) { return kestrun_test_records::reviseMembers(r); }
