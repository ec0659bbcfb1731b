#include "test_pe_writer.h"

#include <map>
#include <stdexcept>

namespace testpe {
namespace {

// Orders keys the way resource directories must: names first, then numbers.
struct KeyOrder {
    bool operator()(const Key& a, const Key& b) const {
        if (a.name.empty() != b.name.empty()) return !a.name.empty();
        return a.name.empty() ? a.id < b.id : a.name < b.name;
    }
};

using Languages = std::map<std::uint16_t, std::string>;
using Names = std::map<Key, Languages, KeyOrder>;
using Types = std::map<Key, Names, KeyOrder>;

class TreeWriter {
public:
    explicit TreeWriter(std::uint32_t rva) : rva_(rva) {}

    std::vector<std::uint8_t> write(const Types& types) {
        out_.clear();
        writeDirectory(types, [this](const Names& names) {
            return writeDirectory(names, [this](const Languages& languages) {
                return writeDirectory(languages, [this](const std::string& bytes) { return writeLeaf(bytes); }, false);
            }, true);
        }, true);
        return out_;
    }

private:
    static const Key& keyOf(const Key& key) { return key; }
    static Key keyOf(std::uint16_t language) { return Key{u"", language}; }

    // Writes a directory table whose children are written by writeChild (which returns the
    // offset of what it wrote, with the high bit when that is a subdirectory).
    template <typename Map, typename WriteChild>
    std::uint32_t writeDirectory(const Map& entries, WriteChild writeChild, bool childIsDirectory) {
        align(4);
        const std::uint32_t at = static_cast<std::uint32_t>(out_.size());
        out_.resize(out_.size() + 16 + 8 * entries.size());
        std::uint16_t named = 0, numbered = 0;
        std::size_t slot = at + 16;
        for (const auto& [rawKey, child] : entries) {
            const Key key = keyOf(rawKey);
            if (!key.name.empty()) {
                ++named;
                put32(out_, slot, 0x80000000u | writeName(key.name));
            } else {
                ++numbered;
                put32(out_, slot, key.id);
            }
            const std::uint32_t childAt = writeChild(child);
            put32(out_, slot + 4, childIsDirectory ? (0x80000000u | childAt) : childAt);
            slot += 8;
        }
        put16(out_, at + 12, named);
        put16(out_, at + 14, numbered);
        return at;
    }

    std::uint32_t writeName(const std::u16string& name) {
        align(2);
        const std::uint32_t at = static_cast<std::uint32_t>(out_.size());
        out_.resize(out_.size() + 2 + 2 * name.size());
        put16(out_, at, static_cast<std::uint16_t>(name.size()));
        for (std::size_t i = 0; i < name.size(); ++i) put16(out_, at + 2 + 2 * i, name[i]);
        return at;
    }

    std::uint32_t writeLeaf(const std::string& bytes) {
        align(8);
        const std::uint32_t dataAt = static_cast<std::uint32_t>(out_.size());
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        align(4);
        const std::uint32_t recordAt = static_cast<std::uint32_t>(out_.size());
        out_.resize(out_.size() + 16);
        put32(out_, recordAt, rva_ + dataAt);
        put32(out_, recordAt + 4, static_cast<std::uint32_t>(bytes.size()));
        return recordAt;
    }

    void align(std::size_t to) { out_.resize((out_.size() + to - 1) / to * to); }

    std::uint32_t rva_;
    std::vector<std::uint8_t> out_;
};

std::uint32_t alignUp(std::uint32_t value, std::uint32_t to) { return (value + to - 1) / to * to; }

std::vector<std::uint8_t> resourceSection(const FixtureOptions& options) {
    Types types;
    for (const Resource& r : options.resources) types[r.type][r.name][r.language] = r.bytes;
    return TreeWriter(kResourceRva).write(types);
}

struct SectionPlan {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::uint32_t characteristics;
};

}  // namespace

std::uint32_t get32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}
std::uint16_t get16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

std::uint32_t resourceRawOffset(const FixtureOptions& options) {
    return options.firstRawData + kFileAlignment;  // after the one-block .text section
}

std::uint32_t resourceTreeSize(const FixtureOptions& options) {
    return static_cast<std::uint32_t>(resourceSection(options).size());
}

std::vector<std::uint8_t> makeExecutable(const FixtureOptions& options) {
    std::vector<SectionPlan> sections;
    sections.push_back({".text", {0xC3}, 0x60000020});
    if (!options.resources.empty()) sections.push_back({".rsrc", resourceSection(options), 0x40000040});
    for (int i = 0; i < options.extraSections; ++i) sections.push_back({".data", std::vector<std::uint8_t>(16, 0x5A), 0xC0000040});
    if (kSectionTable + 40 * sections.size() > options.firstRawData) throw std::logic_error("section table overlaps data");

    std::vector<std::uint8_t> file(options.firstRawData, 0);
    file[0] = 'M';
    file[1] = 'Z';
    put32(file, 0x3C, kPeOffset);
    put32(file, kPeOffset, 0x00004550);
    put16(file, kPeOffset + 4, 0x14C);  // i386
    put16(file, kPeOffset + 6, static_cast<std::uint16_t>(sections.size()));
    put16(file, kPeOffset + 20, 0xE0);
    put16(file, kPeOffset + 22, 0x0102);  // executable, 32-bit
    const std::size_t opt = kOptionalHeader;
    put16(file, opt, 0x10B);
    put32(file, opt + 16, 0x1000);      // entry point
    put32(file, opt + 28, 0x400000);    // image base
    put32(file, opt + 32, kSectionAlignment);
    put32(file, opt + 36, kFileAlignment);
    put16(file, opt + 40, 4);           // operating system version
    put16(file, opt + 48, 4);           // subsystem version
    put32(file, opt + 60, options.sizeOfHeaders);
    put16(file, opt + 68, 2);           // GUI
    put32(file, opt + 72, 0x100000);
    put32(file, opt + 76, 0x1000);
    put32(file, opt + 80, 0x100000);
    put32(file, opt + 84, 0x1000);
    put32(file, opt + 92, 16);

    std::uint32_t rva = kSectionAlignment, initializedData = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const SectionPlan& s = sections[i];
        const std::size_t header = kSectionTable + 40 * i;
        for (std::size_t k = 0; s.name[k] != 0; ++k) file[header + k] = static_cast<std::uint8_t>(s.name[k]);
        const std::uint32_t raw = alignUp(static_cast<std::uint32_t>(file.size()), kFileAlignment);
        const std::uint32_t rawSize = alignUp(static_cast<std::uint32_t>(s.bytes.size()), kFileAlignment);
        put32(file, header + 8, static_cast<std::uint32_t>(s.bytes.size()));
        put32(file, header + 12, rva);
        put32(file, header + 16, rawSize);
        put32(file, header + 20, raw);
        put32(file, header + 36, s.characteristics);
        if (std::string(s.name) == ".rsrc") {
            put32(file, opt + 96 + 2 * 8, rva);
            put32(file, opt + 96 + 2 * 8 + 4, static_cast<std::uint32_t>(s.bytes.size()));
        }
        if (s.characteristics & 0x40) initializedData += rawSize;
        file.resize(raw, 0);
        file.insert(file.end(), s.bytes.begin(), s.bytes.end());
        file.resize(raw + rawSize, 0);
        rva += alignUp(static_cast<std::uint32_t>(s.bytes.size()), kSectionAlignment);
    }
    put32(file, opt + 4, kFileAlignment);  // size of code
    put32(file, opt + 8, initializedData);
    put32(file, opt + 56, rva);            // size of image
    return file;
}

}  // namespace testpe
