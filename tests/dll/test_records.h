// The record the library-call tests hand to functions: the same members laid out with packing 8
// (natural) and packing 1, and the function body that reads and rewrites them. Shared by the test
// library of the end-to-end programs and the in-process tests.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrun_test_records {

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
static_assert(offsetof(Record8, i) == 4 && offsetof(Record8, w) == 8, "packing 8");
static_assert(offsetof(Record1, i) == 1 && offsetof(Record1, w) == 5, "packing 1");

// Reports the members it found (c * 1000000 + i * 1000 + w) and writes new ones.
template <typename Record>
std::int32_t reviseMembers(Record* r) {
    const std::int32_t seen = r->c * 1000000 + r->i * 1000 + r->w;
    r->c = 'Z';
    r->i = -7;
    r->w = 65000;
    return seen;
}

}  // namespace kestrun_test_records
