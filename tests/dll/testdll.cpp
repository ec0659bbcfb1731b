// The test library of the end-to-end programs: functions that take and return every type a
// program can pass, with both calling conventions, and functions that read and fill records laid
// out with packing 8 and packing 1.
#include <cstdint>
#include <cstring>

#define EXPORT extern "C" __attribute__((dllexport))
#define STDCALL __attribute__((stdcall))
#define CDECL __attribute__((cdecl))

namespace {

struct Record8 {
    char c;
    std::int32_t i;
    std::uint16_t w;
};
#pragma pack(push, 1)
struct Record1 {
    char c;
    std::int32_t i;
    std::uint16_t w;
};
#pragma pack(pop)

// Reports the members it found (c * 1000000 + i * 1000 + w) and writes new ones.
template <typename Record>
std::int32_t revise(Record* r) {
    const std::int32_t seen = r->c * 1000000 + r->i * 1000 + r->w;
    r->c = 'Z';
    r->i = -7;
    r->w = 65000;
    return seen;
}

}  // namespace

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
EXPORT std::int32_t STDCALL reviseRecord8(Record8* r) { return revise(r); }
EXPORT std::int32_t STDCALL reviseRecord1(Record1* r) { return revise(r); }
