// Embedding the program resource into PE executables: small generated executables, damaged ones,
// and (when the cross tools are there) a real one linked with resources.
#include "resource_embedder.h"

#include "test_pe_reader.h"
#include "test_pe_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using testpe::FixtureOptions;
using testpe::PeView;

const std::string kProgramPath = "#10/A6F2D1FB/#0";

// An engine-like resource set: an icon, a named group icon, a manifest and raw data of its own.
FixtureOptions engineLikeFixture() {
    FixtureOptions options;
    options.resources = {
        {{u"", 3}, {u"", 1}, 1033, std::string("icon pixels\0\1\2", 14)},
        {{u"", 14}, {u"MAINICON", 0}, 1033, "group icon"},
        {{u"", 24}, {u"", 1}, 1033, "<assembly/>"},
        {{u"", 10}, {u"", 7}, 1033, "numbered raw data"},
        {{u"", 10}, {u"OTHER", 0}, 0, "named raw data"},
    };
    return options;
}

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> embedOrFail(const std::vector<std::uint8_t>& exe, const std::string& program) {
    std::vector<std::uint8_t> out;
    std::string error;
    EXPECT_TRUE(kestrun::embedProgramResource(exe, bytesOf(program), out, error)) << error;
    return out;
}

// Checks the headers of a packed file against the file it came from.
void expectSoundLayout(const PeView& before, const PeView& after, std::size_t packedFileSize) {
    ASSERT_EQ(after.sectionCount, before.sectionCount + 1);
    const testpe::Section& last = after.sections.back();
    const testpe::Section& previous = after.sections[after.sections.size() - 2];
    EXPECT_EQ(last.name, ".kbrsrc");
    EXPECT_EQ(last.characteristics, 0x40000040u);  // initialized data, readable
    EXPECT_EQ(last.rawOffset % after.fileAlignment, 0u);
    EXPECT_EQ(last.rawSize % after.fileAlignment, 0u);
    EXPECT_EQ(last.rawOffset + last.rawSize, packedFileSize);
    const std::uint32_t previousEnd = previous.virtualAddress + (previous.virtualSize ? previous.virtualSize : previous.rawSize);
    EXPECT_EQ(last.virtualAddress, (previousEnd + after.sectionAlignment - 1) / after.sectionAlignment * after.sectionAlignment);
    EXPECT_EQ(after.sizeOfImage,
              (last.virtualAddress + last.virtualSize + after.sectionAlignment - 1) / after.sectionAlignment * after.sectionAlignment);
    EXPECT_EQ(after.resourceRva, last.virtualAddress);
    EXPECT_EQ(after.resourceSize, last.virtualSize);
    EXPECT_GE(last.rawSize, last.virtualSize);
    EXPECT_EQ(after.sizeOfInitializedData, before.sizeOfInitializedData + last.rawSize);
    EXPECT_TRUE(after.directoriesSorted);
}

// The resources of before, with the program resource set to program.
std::map<std::string, std::string> withProgram(std::map<std::string, std::string> resources, const std::string& program) {
    resources[kProgramPath] = program;
    return resources;
}

TEST(ResourceEmbedder, AddsProgramAndKeepsEngineResources) {
    const std::vector<std::uint8_t> engine = testpe::makeExecutable(engineLikeFixture());
    const std::string program("scrambled\0image", 15);
    const std::vector<std::uint8_t> packed = embedOrFail(engine, program);

    const PeView before = testpe::readPe(engine), after = testpe::readPe(packed);
    expectSoundLayout(before, after, packed.size());
    EXPECT_EQ(after.resources, withProgram(before.resources, program));
    EXPECT_EQ(after.checksum, testpe::systemChecksum(packed));
    // The engine's own bytes before the new section are unchanged apart from the headers.
    EXPECT_TRUE(std::equal(engine.begin() + 0x200, engine.end(), packed.begin() + 0x200));
}

TEST(ResourceEmbedder, ExecutableWithoutResources) {
    const std::vector<std::uint8_t> engine = testpe::makeExecutable(FixtureOptions{});
    const std::vector<std::uint8_t> packed = embedOrFail(engine, "program");
    const PeView after = testpe::readPe(packed);
    expectSoundLayout(testpe::readPe(engine), after, packed.size());
    EXPECT_EQ(after.resources, (std::map<std::string, std::string>{{kProgramPath, "program"}}));
}

TEST(ResourceEmbedder, PackingAgainReplacesTheProgram) {
    const std::vector<std::uint8_t> engine = testpe::makeExecutable(engineLikeFixture());
    const std::vector<std::uint8_t> first = embedOrFail(engine, "first program, a little longer");
    const std::vector<std::uint8_t> second = embedOrFail(first, "second");

    const PeView original = testpe::readPe(engine), once = testpe::readPe(first), twice = testpe::readPe(second);
    EXPECT_EQ(twice.sectionCount, once.sectionCount);
    expectSoundLayout(original, twice, second.size());
    EXPECT_EQ(twice.resources, withProgram(original.resources, "second"));
    EXPECT_LE(second.size(), first.size());
    EXPECT_EQ(twice.checksum, testpe::systemChecksum(second));
}

TEST(ResourceEmbedder, ReplacesProgramResourceOfAnyLanguageAndCase) {
    FixtureOptions options = engineLikeFixture();
    options.resources.push_back({{u"", 10}, {u"a6f2d1fb", 0}, 1033, "old program"});
    options.resources.push_back({{u"", 10}, {u"A6F2D1FB", 0}, 1031, "older program"});
    const std::vector<std::uint8_t> engine = testpe::makeExecutable(options);

    const PeView after = testpe::readPe(embedOrFail(engine, "new"));
    std::map<std::string, std::string> expected = testpe::readPe(engine).resources;
    expected.erase("#10/a6f2d1fb/#1033");
    expected.erase("#10/A6F2D1FB/#1031");
    EXPECT_EQ(after.resources, withProgram(expected, "new"));
}

TEST(ResourceEmbedder, GrowsHeadersWhenThereIsRoomBeforeTheData) {
    FixtureOptions options = engineLikeFixture();
    options.extraSections = 1;  // three headers: a fourth ends past 0x200
    options.firstRawData = 0x400;
    const std::vector<std::uint8_t> engine = testpe::makeExecutable(options);
    const std::vector<std::uint8_t> packed = embedOrFail(engine, "program");
    const PeView after = testpe::readPe(packed);
    expectSoundLayout(testpe::readPe(engine), after, packed.size());
    EXPECT_EQ(after.sizeOfHeaders, 0x400u);
    EXPECT_EQ(after.resources.at(kProgramPath), "program");
}

struct DamageCase {
    const char* what;
    FixtureOptions options;
    void (*damage)(std::vector<std::uint8_t>&);
    const char* expectedMessagePart;
};

constexpr std::size_t kOpt = testpe::kOptionalHeader;
std::size_t rsrcAt() { return testpe::resourceRawOffset(engineLikeFixture()); }

TEST(ResourceEmbedder, RefusesUnsuitableOrDamagedExecutables) {
    FixtureOptions full = engineLikeFixture();
    full.extraSections = 1;  // the section table now fills the headers
    const std::vector<DamageCase> cases = {
        {"not an executable", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { f[0] = 'X'; }, "not an executable"},
        {"no PE signature", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { f[testpe::kPeOffset] = 'X'; }, "PE signature"},
        {"PE offset past the end", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put32(f, 0x3C, 0xFFFFFFF0u); }, "PE signature"},
        {"64-bit optional header", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put16(f, kOpt, 0x20B); }, "PE32"},
        {"bad file alignment", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put32(f, kOpt + 36, 0x300); }, "alignment"},
        {"section table past the end", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put16(f, testpe::kPeOffset + 6, 0xFFFF); }, "section table"},
        {"no resource directory slot", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put32(f, kOpt + 92, 2); }, "resource data directory"},
        {"signed", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put32(f, kOpt + 96 + 32, 0x800); testpe::put32(f, kOpt + 96 + 36, 8); }, "signed"},
        {"resource directory outside the sections", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put32(f, kOpt + 96 + 16, 0x9000); }, "resource directory"},
        {"subdirectory offset outside", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put32(f, rsrcAt() + 20, 0x8FFFFFF0u); }, "resource directory"},
        {"subdirectory loops back to the root", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put32(f, rsrcAt() + 20, 0x80000000u); }, "nested too deeply"},
        {"entry count past the section", engineLikeFixture(), [](std::vector<std::uint8_t>& f) { testpe::put16(f, rsrcAt() + 14, 0xFFFF); }, "entries"},
        {"no room for a section header", full, nullptr, "no room"},
        {"space after the section table in use", engineLikeFixture(),
         [](std::vector<std::uint8_t>& f) { f[testpe::kSectionTable + 2 * 40 + 3] = 1; }, "in use"},
    };
    for (const DamageCase& c : cases) {
        std::vector<std::uint8_t> exe = testpe::makeExecutable(c.options);
        if (c.damage != nullptr) c.damage(exe);
        std::vector<std::uint8_t> out = {1, 2, 3};
        std::string error;
        EXPECT_FALSE(kestrun::embedProgramResource(exe, bytesOf("program"), out, error)) << c.what;
        EXPECT_NE(error.find(c.expectedMessagePart), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 3})) << c.what;
    }
}

TEST(ResourceEmbedder, DamagedLeafRecordsAreRefused) {
    // Point every data record of the tree at data outside the file: each must be caught.
    const std::vector<std::uint8_t> engine = testpe::makeExecutable(engineLikeFixture());
    const std::size_t treeStart = rsrcAt(), treeEnd = treeStart + testpe::resourceTreeSize(engineLikeFixture());
    int records = 0;
    for (std::size_t at = treeStart; at + 16 <= treeEnd; at += 4) {
        const std::uint32_t rva = testpe::get32(engine, at), size = testpe::get32(engine, at + 4);
        if (rva < testpe::kResourceRva || rva >= testpe::kResourceRva + 0x1000 || size == 0 || size > 64) continue;
        ++records;
        std::vector<std::uint8_t> damaged = engine;
        testpe::put32(damaged, at + 4, 0x7FFFFFF0u);
        std::vector<std::uint8_t> out;
        std::string error;
        EXPECT_FALSE(kestrun::embedProgramResource(damaged, bytesOf("program"), out, error)) << "record at " << at;
    }
    EXPECT_EQ(records, 5);
}

TEST(ResourceEmbedder, TruncatedExecutablesNeverCrash) {
    const FixtureOptions options = engineLikeFixture();
    const std::vector<std::uint8_t> engine = testpe::makeExecutable(options);
    const std::size_t needed = testpe::resourceRawOffset(options) + testpe::resourceTreeSize(options);
    for (std::size_t length = 0; length < engine.size(); ++length) {
        const std::vector<std::uint8_t> cut(engine.begin(), engine.begin() + length);
        std::vector<std::uint8_t> out;
        std::string error;
        const bool packed = kestrun::embedProgramResource(cut, bytesOf("program"), out, error);
        if (length < needed) {
            EXPECT_FALSE(packed) << "cut at " << length;
        }
        if (packed) {
            EXPECT_EQ(testpe::readPe(out).resources.at(kProgramPath), "program");
        }
    }
}

#ifdef KESTRUN_FIXTURE_EXE
// A real executable from the cross tools, with resources from a resource script.
TEST(ResourceEmbedder, LinkedExecutableWithResources) {
    std::ifstream in(KESTRUN_FIXTURE_EXE, std::ios::binary);
    ASSERT_TRUE(in) << KESTRUN_FIXTURE_EXE;
    const std::vector<std::uint8_t> engine{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string program("\x12\x34program\0", 10);
    const std::vector<std::uint8_t> packed = embedOrFail(engine, program);
    const std::vector<std::uint8_t> repacked = embedOrFail(packed, program);
    EXPECT_EQ(repacked, packed);

    const PeView before = testpe::readPe(engine), after = testpe::readPe(packed);
    EXPECT_GE(before.resources.size(), 4u);
    expectSoundLayout(before, after, packed.size());
    EXPECT_EQ(after.resources, withProgram(before.resources, program));

#ifdef _WIN32
    // The system's own look-up finds the program resource.
    const char* path = "packed_fixture_app.exe";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
    }
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceA(module, "A6F2D1FB", MAKEINTRESOURCEA(10));
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(SizeofResource(module, found), program.size());
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, program.size()), program);
    FreeLibrary(module);
    std::remove(path);
#endif
}
#endif

}  // namespace
